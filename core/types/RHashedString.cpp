#include "core/types/RHashedString.h"

#include <SDL.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <strings.h>

#include "core/types/RString.h"

namespace {

std::atomic<RHashedStringTable*> s_table{nullptr};
SDL_SpinLock s_creationLock = 0;

// DJB2HashNoCase of the first kMaxTextLength characters of text, and their count.
uint32_t HashCut(const char* text, uint32_t* outLength) {
    uint32_t h = 5381;
    uint32_t length = 0;
    for (; length < (uint32_t)RHashedStringTable::kMaxTextLength && text[length]; ++length) {
        char c = text[length];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
    }
    *outLength = length;
    return h;
}

// The hash stored in the four bytes before an interned text.
uint32_t StoredHash(const char* text) {
    uint32_t hash;
    memcpy(&hash, text - sizeof hash, sizeof hash);
    return hash;
}

// Spreads a text hash over the index's slot bits.
uint32_t SlotOf(uint32_t hash, uint32_t mask) {
    hash ^= hash >> 16;
    hash *= 0x7FEB352Du;
    hash ^= hash >> 15;
    return hash & mask;
}

}  // namespace

RHashedString::RHashedString(const char* text, bool caseSensitive) : m_id(kEmptyId) {
    if (text) m_id = RHashedStringTable::GetInstance()->Intern(text, caseSensitive);
}

const char* RHashedString::GetString() const { return RHashedStringTable::GetInstance()->Lookup(m_id); }

RHashedStringTable* RHashedStringTable::GetInstance() {
    RHashedStringTable* table = s_table.load(std::memory_order_acquire);
    if (table) return table;
    SDL_AtomicLock(&s_creationLock);
    table = s_table.load(std::memory_order_relaxed);
    if (!table) {
        table = new RHashedStringTable();
        s_table.store(table, std::memory_order_release);
    }
    SDL_AtomicUnlock(&s_creationLock);
    return table;
}

void RHashedStringTable::Destroy() {
    SDL_AtomicLock(&s_creationLock);
    RHashedStringTable* table = s_table.exchange(nullptr, std::memory_order_acq_rel);
    SDL_AtomicUnlock(&s_creationLock);
    delete table;
}

RHashedStringTable::RHashedStringTable()
    : m_mutex(SDL_CreateMutex()), m_textCount(0), m_blockUsed(kTextBlockBytes) {
    m_index.setSize(2048);
    for (IndexSlot& slot : m_index) slot = IndexSlot{0, kNoId};
    // The empty name comes first, so its id is always bucket 320, position 0.
    Intern("NULL", false);
}

RHashedStringTable::~RHashedStringTable() {
    for (char* block : m_textBlocks) delete[] block;
    SDL_DestroyMutex(m_mutex);
}

uint32_t RHashedStringTable::Intern(const char* text, bool caseSensitive) {
    // The text is cut before it is hashed and compared, so a long text keeps one id.
    uint32_t length = 0;
    uint32_t hash = HashCut(text, &length);
    SDL_LockMutex(m_mutex);
    uint32_t mask = m_index.getCount() - 1;
    uint32_t id = kNoId;
    for (uint32_t slot = SlotOf(hash, mask);; slot = (slot + 1) & mask) {
        const IndexSlot& at = m_index[slot];
        if (at.id == kNoId) break;
        if (at.hash != hash) continue;
        const char* stored = m_chains[at.id & kBucketMask][at.id >> 10];
        int difference = caseSensitive ? strncmp(text, stored, kMaxTextLength)
                                       : strncasecmp(text, stored, kMaxTextLength);
        if (difference == 0) {
            id = at.id;
            break;
        }
    }
    if (id == kNoId) id = Append(text, length, hash);
    SDL_UnlockMutex(m_mutex);
    return id;
}

uint32_t RHashedStringTable::Append(const char* text, uint32_t length, uint32_t hash) {
    uint32_t bucket = hash & kBucketMask;
    RUtilVector<const char*>& chain = m_chains[bucket];
    uint32_t id = (chain.getCount() << 10) | bucket;
    chain.push(StoreText(text, length, hash));
    ++m_textCount;
    if (m_textCount * 2 > m_index.getCount()) {
        // Refill a table twice the size in chain order, which keeps the case variants of a text in order.
        uint32_t slots = m_index.getCount() * 2;
        m_index.free();
        m_index.setSize(slots);
        for (IndexSlot& slot : m_index) slot = IndexSlot{0, kNoId};
        for (uint32_t b = 0; b < kBucketCount; ++b) {
            for (uint32_t position = 0; position < m_chains[b].getCount(); ++position)
                AddToIndex(StoredHash(m_chains[b][position]), (position << 10) | b);
        }
    } else {
        AddToIndex(hash, id);
    }
    return id;
}

void RHashedStringTable::AddToIndex(uint32_t hash, uint32_t id) {
    uint32_t mask = m_index.getCount() - 1;
    uint32_t slot = SlotOf(hash, mask);
    while (m_index[slot].id != kNoId) slot = (slot + 1) & mask;
    m_index[slot] = IndexSlot{hash, id};
}

char* RHashedStringTable::StoreText(const char* text, uint32_t length, uint32_t hash) {
    if (m_blockUsed + sizeof hash + length + 1 > kTextBlockBytes) {
        m_textBlocks.push(new char[kTextBlockBytes]);
        m_blockUsed = 0;
    }
    char* copy = m_textBlocks[m_textBlocks.getCount() - 1] + m_blockUsed;
    memcpy(copy, &hash, sizeof hash);
    copy += sizeof hash;
    memcpy(copy, text, length);
    copy[length] = 0;
    m_blockUsed += (uint32_t)sizeof hash + length + 1;
    return copy;
}

const char* RHashedStringTable::Lookup(uint32_t id) {
    SDL_LockMutex(m_mutex);
    const RUtilVector<const char*>& chain = m_chains[id & kBucketMask];
    uint32_t position = id >> 10;
    const char* text = position < chain.getCount() ? chain[position] : nullptr;
    SDL_UnlockMutex(m_mutex);
    return text;
}

RHashedStringTable::Stats RHashedStringTable::GetStats() {
    uint32_t lengths[kBucketCount];
    SDL_LockMutex(m_mutex);
    for (uint32_t i = 0; i < kBucketCount; ++i) lengths[i] = m_chains[i].getCount();
    SDL_UnlockMutex(m_mutex);

    Stats stats{kBucketCount, 0, 1000000, 0, 0.0f, 0.0f, 0.0f};
    for (uint32_t length : lengths) {
        stats.textCount += length;
        if (length < stats.shortestChain) stats.shortestChain = length;
        if (length > stats.longestChain) stats.longestChain = length;
    }
    stats.meanChain = static_cast<float>(stats.textCount) / kBucketCount;
    float sum = 0.0f;
    for (uint32_t length : lengths) {
        float difference = static_cast<float>(length) - stats.meanChain;
        sum += difference * difference;
    }
    stats.variance = sum / kBucketCount;
    stats.deviation = std::sqrt(stats.variance);
    return stats;
}
