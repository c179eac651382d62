#include "platform/audio/RMusicThread.h"

#include "core/system/RThreadTagger.h"
#include "core/types/RUtilVector.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RStreamingAudio.h"

#include <SDL_mutex.h>
#include <SDL_thread.h>

namespace {

// Made by the first Start and kept for the life of the process.
SDL_mutex* s_musicLock = nullptr;
// Posted by Stop so that a sleeping thread wakes at once.
SDL_sem* s_wake = nullptr;
bool s_stop = false;
bool s_done = false;
RUtilVector<RStreamingAudio*> s_active;
RUtilVector<RStreamingAudio*> s_pendingAdd;
RUtilVector<RStreamingAudio*> s_pendingRemove;

void LockMusic()
{
    if (s_musicLock)
        SDL_LockMutex(s_musicLock);
}

void UnlockMusic()
{
    if (s_musicLock)
        SDL_UnlockMutex(s_musicLock);
}

// The pause between two passes: the stream settings' share of a stream, at least 1 ms.
uint32_t SleepMilliseconds()
{
    RAudioMgr* manager = RAudioMgr::GetInstance();
    const float milliseconds = manager->GetStreamLength() * manager->GetStreamUpdatePercent() * 1000.0f;
    if (!(milliseconds >= 1.0f))
        return 1;
    return milliseconds < 60000.0f ? static_cast<uint32_t>(milliseconds) : 60000;
}

} // namespace

RMusicThread::~RMusicThread()
{
    Stop();
}

bool RMusicThread::Start()
{
    if (m_thread)
        return true;
    if (!s_musicLock)
        s_musicLock = SDL_CreateMutex();
    if (!s_musicLock)
        return false;
    s_wake = SDL_CreateSemaphore(0);
    if (!s_wake)
        return false;
    SDL_LockMutex(s_musicLock);
    m_holdsStartLock = true;
    s_stop = false;
    s_done = false;
    m_thread = RThreadTagger::GetInstance()->CreateThread(Run, nullptr, "Music Thread");
    if (!m_thread) {
        ReleaseStartLock();
        SDL_DestroySemaphore(s_wake);
        s_wake = nullptr;
        return false;
    }
    return true;
}

void RMusicThread::ReleaseStartLock()
{
    if (!m_holdsStartLock)
        return;
    m_holdsStartLock = false;
    UnlockMusic();
}

void RMusicThread::Stop()
{
    if (!m_thread)
        return;
    // The thread's first step waits for this lock.
    ReleaseStartLock();
    LockMusic();
    s_stop = true;
    UnlockMusic();
    SDL_SemPost(s_wake);
    SDL_WaitThread(m_thread, nullptr);
    m_thread = nullptr;
    SDL_DestroySemaphore(s_wake);
    s_wake = nullptr;
}

bool RMusicThread::IsDone()
{
    LockMusic();
    bool done = s_done;
    UnlockMusic();
    return done;
}

void RMusicThread::AddStream(RStreamingAudio* stream)
{
    if (!stream)
        return;
    LockMusic();
    s_pendingAdd.push(stream);
    UnlockMusic();
}

void RMusicThread::RemoveStream(RStreamingAudio* stream)
{
    if (!stream)
        return;
    LockMusic();
    // One released before it was opened must not be opened after its deletion.
    s_pendingAdd.eraseElement(stream);
    s_pendingRemove.pushUniqueElement(stream);
    UnlockMusic();
}

uint32_t RMusicThread::GetActiveCount()
{
    LockMusic();
    uint32_t count = s_active.getCount();
    UnlockMusic();
    return count;
}

uint32_t RMusicThread::GetPendingCount()
{
    LockMusic();
    uint32_t count = s_pendingAdd.getCount() + s_pendingRemove.getCount();
    UnlockMusic();
    return count;
}

int RMusicThread::Run(void*)
{
    SDL_sem* wake = s_wake;
    for (;;) {
        LockMusic();
        for (RStreamingAudio* stream : s_pendingAdd) {
            stream->Open();
            s_active.push(stream);
        }
        s_pendingAdd.clear();
        UnlockMusic();

        LockMusic();
        for (RStreamingAudio* stream : s_active)
            stream->Refill();
        UnlockMusic();

        LockMusic();
        for (RStreamingAudio* stream : s_pendingRemove) {
            s_active.eraseElement(stream);
            stream->DoStop();
            stream->Close();
            delete stream;
        }
        s_pendingRemove.clear();
        // Read in the same hold as the removals: whatever was released before the stop request is gone.
        const bool stop = s_stop;
        UnlockMusic();
        if (stop)
            break;
        SDL_SemWaitTimeout(wake, SleepMilliseconds());
    }
    LockMusic();
    s_done = true;
    UnlockMusic();
    return 0;
}
