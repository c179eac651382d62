#include "core/system/RTimer.h"

#include <SDL.h>

namespace {
RTimer s_globalTimer;
}

RTimer* const g_pGlobalTimer = &s_globalTimer;

bool RTimer::Reset()
{
    m_secondsPerCount.store(1.0 / static_cast<double>(SDL_GetPerformanceFrequency()));
    uint64_t now = SDL_GetPerformanceCounter();
    m_start.store(now);
    m_current.store(now);
    return true;
}

uint64_t RTimer::Update()
{
    uint64_t now = SDL_GetPerformanceCounter();
    if (m_paused.load())
        m_lastStep.store(0.0);
    else
        m_lastStep.store(static_cast<double>(now - m_current.load()) * m_secondsPerCount.load());
    m_current.store(now);
    return now;
}

float RTimer::GetElapsedSeconds() const
{
    uint64_t current = m_current.load();
    uint64_t start = m_start.load();
    // Resuming after a long pause can put the start past the last update; that reads as 0 until the next
    // update rather than as a wrapped-around count.
    if (start >= current)
        return 0.0f;
    return static_cast<float>(static_cast<double>(current - start) * m_secondsPerCount.load());
}

void RTimer::SetPaused(bool paused)
{
    uint64_t now = SDL_GetPerformanceCounter();
    if (paused) {
        m_pauseStart = now;
    } else {
        if (!m_paused.load())
            return;
        m_pauseEnd = now;
        m_start.store(m_start.load() + (now - m_pauseStart));
    }
    m_paused.store(paused);
}

void RTimer::TogglePause()
{
    SetPaused(!m_paused.load());
}
