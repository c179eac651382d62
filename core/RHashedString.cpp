#include "core/RHashedString.h"

#include <SDL.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <strings.h>

#include "core/RString.h"

// One interned text: a chain link, the owned, zero-terminated copy (at most kMaxTextLength characters) and its
// full DJB2HashNoCase, which every case variant shares, so a walk compares only texts whose hashes agree.
struct RHashedStringTable::Node {
    Node* next;
    char* text;
    uint32_t hash;
};

namespace {

std::atomic<RHashedStringTable*> s_table{nullptr};
SDL_SpinLock s_creationLock = 0;

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

RHashedStringTable::RHashedStringTable() : m_mutex(SDL_CreateMutex()), m_buckets() {
    // The empty name comes first, so its id is always bucket 320, position 0.
    Intern("NULL", false);
}

RHashedStringTable::~RHashedStringTable() {
    for (Node*& head : m_buckets) {
        while (head) {
            Node* next = head->next;
            delete[] head->text;
            delete head;
            head = next;
        }
    }
    SDL_DestroyMutex(m_mutex);
}

uint32_t RHashedStringTable::Intern(const char* text, bool caseSensitive) {
    // The text is cut before it is hashed and compared, so a long text keeps one id.
    char cut[kMaxTextLength + 1];
    size_t length = strnlen(text, kMaxTextLength);
    memcpy(cut, text, length);
    cut[length] = 0;

    uint32_t hash = DJB2HashNoCase(cut);
    uint32_t bucket = hash & kBucketMask;
    uint32_t position = 0;
    SDL_LockMutex(m_mutex);
    Node** link = &m_buckets[bucket];
    for (; *link; link = &(*link)->next, ++position) {
        if ((*link)->hash != hash) continue;
        int difference = caseSensitive ? strcmp(cut, (*link)->text) : strcasecmp(cut, (*link)->text);
        if (difference == 0) break;
    }
    if (!*link) *link = new Node{nullptr, StringDuplicate(cut), hash};
    SDL_UnlockMutex(m_mutex);
    return (position << 10) | bucket;
}

const char* RHashedStringTable::Lookup(uint32_t id) {
    SDL_LockMutex(m_mutex);
    Node* node = m_buckets[id & kBucketMask];
    for (uint32_t steps = id >> 10; node && steps > 0; --steps) node = node->next;
    const char* text = node ? node->text : nullptr;
    SDL_UnlockMutex(m_mutex);
    return text;
}

RHashedStringTable::Stats RHashedStringTable::GetStats() {
    uint32_t lengths[kBucketCount];
    SDL_LockMutex(m_mutex);
    for (uint32_t i = 0; i < kBucketCount; ++i) {
        uint32_t length = 0;
        for (Node* node = m_buckets[i]; node; node = node->next) ++length;
        lengths[i] = length;
    }
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
