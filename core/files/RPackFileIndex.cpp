// RPackFile's name index: finding an entry by name without regard to case in constant time.
#include "core/files/RPackFile.h"

#include <cstring>
#include <strings.h>

namespace {

// Spreads the name hash over the slot bits (the raw hash's low bits follow the last characters most).
uint32_t SlotOf(uint32_t hash, uint32_t mask)
{
    hash ^= hash >> 16;
    hash *= 0x7FEB352Du;
    hash ^= hash >> 15;
    return hash & mask;
}

} // namespace

void RPackFile::RebuildIndex()
{
    uint32_t count = m_entries.getCount();
    uint32_t slots = 16;
    while (slots < count * 2u)
        slots *= 2;
    m_index.free();
    m_index.setSize(slots);
    memset(static_cast<void*>(m_index.getData()), 0, sizeof(IndexSlot) * slots);
    for (uint32_t i = 0; i < count; ++i)
        IndexEntry(i);
    m_dataEnd = GetDataEnd();
}

void RPackFile::IndexEntry(uint32_t index)
{
    if (m_index.getCount() < m_entries.getCount() * 2u) {
        // Rebuilding indexes every entry, this one included.
        RebuildIndex();
        return;
    }
    const char* name = m_entries[index].name;
    uint32_t hash = DJB2HashNoCase(name);
    uint32_t mask = m_index.getCount() - 1;
    for (uint32_t slot = SlotOf(hash, mask);; slot = (slot + 1) & mask) {
        IndexSlot& at = m_index[slot];
        if (at.entryPlusOne == 0) {
            at.hash = hash;
            at.entryPlusOne = index + 1;
            return;
        }
        // An earlier entry of the same name keeps it.
        if (at.hash == hash && strcasecmp(m_entries[at.entryPlusOne - 1].name, name) == 0)
            return;
    }
}

int RPackFile::FindEntry(const char* name) const
{
    if (!name || m_index.isEmpty())
        return -1;
    uint32_t hash = DJB2HashNoCase(name);
    uint32_t mask = m_index.getCount() - 1;
    for (uint32_t slot = SlotOf(hash, mask);; slot = (slot + 1) & mask) {
        const IndexSlot& at = m_index[slot];
        if (at.entryPlusOne == 0)
            return -1;
        if (at.hash == hash && strcasecmp(m_entries[at.entryPlusOne - 1].name, name) == 0)
            return (int)(at.entryPlusOne - 1);
    }
}
