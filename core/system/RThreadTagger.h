// RThreadTagger: the one place where the engine creates threads. It starts each thread through SDL under a name
// and keeps a registry of the live threads (the main thread included) keyed by SDL thread id, answering
// questions about it. The tagger owns the registry records; a thread's record lives until its entry function
// returns. Callers own the SDL thread handles (they wait for or detach them).
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilMap.h"

#include <SDL_thread.h>
#include <cstdint>

// One registered thread; a new record is all zeros.
struct RThreadTag {
    SDL_threadID threadId = 0;              // the registry key
    SDL_Thread* thread = nullptr;           // null for the main thread
    int (*entry)(void* userData) = nullptr; // null for the main thread
    void* userData = nullptr;
    char name[64] = {};                     // "<name> [<id>]"
    uint32_t taggerGeneration = 0;          // which tagger registered it
    SDL_sem* registered = nullptr;          // posted by a new thread once it is in the registry
};

class RThreadTagger {
public:
    // Created on first use, on the main thread during start-up, before any other thread asks.
    static RThreadTagger* GetInstance();
    // Frees the tagger and the main thread's record; threads still running free their own records when they
    // end and leave any later tagger alone.
    static void DestroyInstance();

    // Starts entry(userData) on a new thread named name ("Unnamed Thread" when null). Returns once the thread
    // has registered itself under its own id, with the SDL handle, which the caller must wait for or detach;
    // null when the platform refuses to start the thread.
    SDL_Thread* CreateThread(int (*entry)(void* userData), void* userData, const char* name);

    // The registered name text of a thread (0 = the calling thread); the empty name when it is not registered.
    RHashedString GetThreadName(SDL_threadID threadId);
    // True when the id (0 = the calling thread) is the main thread's.
    bool IsMainThread(SDL_threadID threadId);
    // Registered threads, the main thread included.
    uint32_t GetThreadCount();
    // One line per thread in ascending id order: its name, " (MAIN)" for the main thread, " (CURRENT)" for the
    // caller, "\n".
    RString DumpThreads();

    // True when a tagger exists and holds a thread besides the main one.
    static bool HasRunningThreads();
    // "Thread tagger:" then a line per registered thread, or " Shut down." when there is no tagger. A new
    // 512-byte buffer; the caller frees it with delete[].
    static char* GetReport();

private:
    RThreadTagger();
    ~RThreadTagger();
    RThreadTagger(const RThreadTagger&) = delete;
    RThreadTagger& operator=(const RThreadTagger&) = delete;

    static int ThreadEntry(void* tagPointer);

    RUtilMap<RThreadTag*, SDL_threadID> m_registry;
    RThreadTag* m_mainThread;
    uint32_t m_generation;
};
