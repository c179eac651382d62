// RMusicThread: the "Music Thread", which opens, refills, closes and deletes the streamed sounds. Streams reach it
// through two pending lists (to add, to remove); it keeps the open ones in its active list and wakes every
// "StreamLength" × "StreamUpdatePercent" seconds. The lists, the music lock that guards them and the stop and done
// flags belong to the process; RAudioMgr owns the one RMusicThread object, which holds the thread's handle. Lock
// order: the music lock, then the streaming lock, then the mixer lock.
#pragma once

#include <cstdint>

struct SDL_Thread;
class RStreamingAudio;

class RMusicThread {
public:
    RMusicThread() = default;
    // Stops the thread if it still runs.
    ~RMusicThread();

    // Creates the music lock (once per process), takes it on the calling thread and starts the thread, which
    // waits for that lock until ReleaseStartLock. False when the thread cannot be started.
    bool Start();
    // Releases the lock that Start took; later calls do nothing.
    void ReleaseStartLock();
    // Asks the thread to stop, wakes it and waits until it has ended. Its last pass still closes and deletes
    // every stream handed to RemoveStream before. Streams still active or waiting to be added stay in the lists.
    void Stop();
    // The thread has finished its last pass.
    bool IsDone();

    // Hands a stream over for opening; the stream must have its asset, volume and pan already.
    static void AddStream(RStreamingAudio* stream);
    // Hands a stream over for stopping, closing and deleting (also one not yet opened); the caller lets go of it.
    static void RemoveStream(RStreamingAudio* stream);
    // Streams in the active and pending lists.
    static uint32_t GetActiveCount();
    static uint32_t GetPendingCount();

private:
    RMusicThread(const RMusicThread&) = delete;
    RMusicThread& operator=(const RMusicThread&) = delete;

    static int Run(void* unused);

    SDL_Thread* m_thread = nullptr;
    bool m_holdsStartLock = false;
};
