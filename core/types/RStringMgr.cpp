#include "core/types/RStringMgr.h"

#include <SDL.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::atomic<RStringMgr*> s_manager{nullptr};
SDL_SpinLock s_creationLock = 0;

// What a failed format hands out: an empty text that nobody frees.
const char s_emptyText[1] = {0};

}  // namespace

RStringMgr* RStringMgr::GetInstance() {
    RStringMgr* manager = s_manager.load(std::memory_order_acquire);
    if (manager) return manager;
    SDL_AtomicLock(&s_creationLock);
    manager = s_manager.load(std::memory_order_relaxed);
    if (!manager) {
        manager = new RStringMgr();
        s_manager.store(manager, std::memory_order_release);
    }
    SDL_AtomicUnlock(&s_creationLock);
    return manager;
}

void RStringMgr::DestroyInstance() {
    SDL_AtomicLock(&s_creationLock);
    RStringMgr* manager = s_manager.exchange(nullptr, std::memory_order_acq_rel);
    SDL_AtomicUnlock(&s_creationLock);
    delete manager;
}

RStringMgr::RStringMgr() : m_mutex(SDL_CreateMutex()) {}

RStringMgr::~RStringMgr() {
    Flush();
    m_pool.free();
    SDL_DestroyMutex(m_mutex);
}

const char* RStringMgr::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length < 0) return s_emptyText;

    char* text = new char[static_cast<size_t>(length) + 1];
    memset(text, 0, static_cast<size_t>(length) + 1);
    va_start(arguments, format);
    int written = vsnprintf(text, static_cast<size_t>(length) + 1, format, arguments);
    va_end(arguments);
    if (written < 0) {
        delete[] text;
        return s_emptyText;
    }

    RStringMgr* manager = GetInstance();
    SDL_LockMutex(manager->m_mutex);
    manager->m_pool.push(text);
    SDL_UnlockMutex(manager->m_mutex);
    return text;
}

void RStringMgr::Flush() {
    SDL_LockMutex(m_mutex);
    for (uint32_t i = 0; i < m_pool.getCount(); ++i) delete[] m_pool[i];
    // One step at a time, so the storage shrinks by the vector's quarter rule.
    m_pool.setSize(0);
    SDL_UnlockMutex(m_mutex);
}

uint32_t RStringMgr::GetPoolCount() {
    SDL_LockMutex(m_mutex);
    uint32_t count = m_pool.getCount();
    SDL_UnlockMutex(m_mutex);
    return count;
}
