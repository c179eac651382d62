// RHashedString: a 32-bit interned name. The low 10 bits are the bucket (DJB2HashNoCase of the text & 0x3FF),
// the upper bits the text's position in that bucket's chain. RHashedStringTable is the one process-wide table
// that owns every interned text (cut at 255 characters) until it is destroyed; it is locked by one SDL mutex, so
// names may be interned and read from any thread.
#pragma once

#include "core/types/RUtilVector.h"

#include <cstdint>

struct SDL_mutex;

class RHashedString {
public:
    // The empty id: the id of "NULL", the first text every table interns (bucket 320, position 0).
    static constexpr uint32_t kEmptyId = 320;

    // The empty id.
    RHashedString() : m_id(kEmptyId) {}
    // Interns text (cut at 255 characters) and takes its id. Case-insensitive by default: every case variant
    // shares the id of the variant interned first. Case-sensitive interning (GLSL uniform names) gives each
    // variant its own id. A null text gives the empty id.
    explicit RHashedString(const char* text, bool caseSensitive = false);
    // A name from a raw id, e.g. one read back from an image escape in a string.
    static RHashedString FromId(uint32_t id) { RHashedString name; name.m_id = id; return name; }

    uint32_t GetId() const { return m_id; }
    // The interned text (owned by the table, valid until the table is destroyed), or null when no text has
    // this id.
    const char* GetString() const;
    bool IsEmpty() const { return m_id == kEmptyId; }

    bool operator==(const RHashedString& other) const { return m_id == other.m_id; }
    bool operator!=(const RHashedString& other) const { return m_id != other.m_id; }
    // Ids order as signed 32-bit integers (the key order of maps): neither alphabetical nor interning order.
    bool operator<(const RHashedString& other) const {
        return static_cast<int32_t>(m_id) < static_cast<int32_t>(other.m_id);
    }

private:
    uint32_t m_id;
};

class RHashedStringTable {
public:
    static constexpr uint32_t kBucketCount = 1024;
    static constexpr uint32_t kBucketMask = kBucketCount - 1;
    static constexpr int kMaxTextLength = 255;

    // The chain statistics reported by the console.
    struct Stats {
        uint32_t bucketCount;    // always kBucketCount
        uint32_t textCount;      // texts in the table
        uint32_t shortestChain;  // over every bucket, empty ones included
        uint32_t longestChain;
        float meanChain;         // textCount / bucketCount
        float variance;          // mean of squared differences from meanChain over every bucket
        float deviation;         // square root of variance
    };

    // The table, created on first use (from any thread); a new table interns "NULL" before anything else.
    static RHashedStringTable* GetInstance();
    // Frees every text and the table; the next use creates a new, empty table. Call only when no other thread
    // uses names.
    static void Destroy();

    // The id of text (see RHashedString); text must not be null.
    uint32_t Intern(const char* text, bool caseSensitive);
    // The text of id, or null.
    const char* Lookup(uint32_t id);
    // Reads the chains under the table's mutex.
    Stats GetStats();

private:
    // A slot of the text index: the full DJB2HashNoCase of a text and its id (kNoId for an empty slot).
    struct IndexSlot {
        uint32_t hash;
        uint32_t id;
    };
    static constexpr uint32_t kNoId = 0xFFFFFFFFu;
    static constexpr uint32_t kTextBlockBytes = 65536;

    RHashedStringTable();
    ~RHashedStringTable();
    RHashedStringTable(const RHashedStringTable&) = delete;
    RHashedStringTable& operator=(const RHashedStringTable&) = delete;

    // Appends length characters of text to a bucket's chain and indexes it; the caller holds the mutex.
    uint32_t Append(const char* text, uint32_t length, uint32_t hash);
    void AddToIndex(uint32_t hash, uint32_t id);
    // A copy of length characters of text, zero-terminated, in the text blocks, after the four bytes of its hash.
    char* StoreText(const char* text, uint32_t length, uint32_t hash);

    SDL_mutex* m_mutex;
    // Each bucket's chain as the texts at positions 0, 1, 2..., so an id finds its text in one step.
    RUtilVector<const char*> m_chains[kBucketCount];
    // Every text's id by its hash, open addressing over a power-of-two number of slots at most half used. Slots
    // are filled in interning order and never emptied, so along a probe the case variants of one text come in
    // chain order and the first match is the first variant interned.
    RUtilVector<IndexSlot> m_index;
    uint32_t m_textCount;
    // The texts, each after its hash, packed into blocks of kTextBlockBytes that live as long as the table.
    RUtilVector<char*> m_textBlocks;
    uint32_t m_blockUsed;
};
