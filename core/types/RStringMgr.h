// RStringMgr: a pool of temporary formatted C texts for messages and file names. The manager owns every text it
// hands out and frees them all at the next Flush (once per frame), so no caller may keep one longer. The pool is
// locked by one SDL mutex: Format may be called from any thread.
#pragma once

#include <cstdint>

#include "core/types/RUtilVector.h"

struct SDL_mutex;

class RStringMgr {
public:
    // The manager, created on first use (from any thread).
    static RStringMgr* GetInstance();
    // Flushes, then frees the manager; the next use creates a new one.
    static void DestroyInstance();

    // A new text formatted as by printf, kept in the instance's pool until the next Flush. A format that
    // fails gives an empty text (never null).
    static const char* Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // Frees every pooled text and empties the pool.
    void Flush();
    // The number of texts waiting for the next Flush.
    uint32_t GetPoolCount();

private:
    RStringMgr();
    ~RStringMgr();
    RStringMgr(const RStringMgr&) = delete;
    RStringMgr& operator=(const RStringMgr&) = delete;

    RUtilVector<char*> m_pool;
    SDL_mutex* m_mutex;
};
