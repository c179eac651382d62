#include "basegame/RFrameCap.h"

#include <SDL.h>

#include <chrono>
#include <thread>

void RFrameCap::Start(SDL_Window* window, bool capOn)
{
    m_capOn = capOn;
    if (capOn) {
        m_vsync = SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
    } else {
        SDL_GL_SetSwapInterval(0);
        m_vsync = false;
    }
    m_probeFrames = 0;
    m_fastFrames = 0;

    m_refreshRate = kDefaultRefreshRate;
    SDL_DisplayMode mode;
    const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 && mode.refresh_rate > 0)
        m_refreshRate = mode.refresh_rate;
    m_clock.Reset();
    m_started = true;
}

void RFrameCap::Wait()
{
    if (!m_started)
        return;
    m_clock.Update();
    const double period = 1.0 / m_refreshRate;
    const double elapsed = m_clock.GetElapsedSeconds();

    // A swap interval the driver accepted but does not keep shows as frames far shorter than a period.
    if (m_vsync && m_probeFrames < kProbeFrames) {
        ++m_probeFrames;
        if (elapsed < period * 0.5)
            ++m_fastFrames;
        if (m_probeFrames == kProbeFrames && m_fastFrames > kProbeFrames / 2)
            m_vsync = false;
    }
    if (m_capOn && !m_vsync && elapsed < period)
        std::this_thread::sleep_for(std::chrono::duration<double>(period - elapsed));
    m_clock.Reset();
}
