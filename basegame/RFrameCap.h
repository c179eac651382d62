// RFrameCap: keeps the main loop from drawing faster than the display shows. It asks for vertical sync (adaptive
// first, then plain); where the display gives none, or where the swaps it promised come back far faster than the
// refresh (a virtual X server), it sleeps the rest of each frame to the display mode's refresh rate (60 Hz when
// the mode does not say), measured with the engine's clock. The base game owns one and calls Wait after every
// presented frame.
#pragma once

#include "core/system/RTimer.h"

#include <cstdint>

struct SDL_Window;

class RFrameCap {
public:
    // The rate assumed when the display mode gives none.
    static const int32_t kDefaultRefreshRate = 60;
    // Frames watched after asking for vertical sync before it is trusted.
    static const int32_t kProbeFrames = 30;

    // With the cap on, asks the current OpenGL context for vertical sync; with it off, turns vertical sync off.
    // Reads the refresh rate of the window's display. Called again whenever the setting changes.
    void Start(SDL_Window* window, bool capOn);
    // Ends a frame: with the cap on and no working vertical sync, sleeps until a refresh period has passed since
    // the last frame ended.
    void Wait();

    bool HasVerticalSync() const { return m_vsync; }
    int32_t GetRefreshRate() const { return m_refreshRate; }

private:
    RTimer m_clock;   // reset as each frame ends
    bool m_started = false;
    bool m_capOn = true;
    bool m_vsync = false;
    int32_t m_refreshRate = kDefaultRefreshRate;
    int32_t m_probeFrames = 0;   // frames watched so far
    int32_t m_fastFrames = 0;    // of those, frames that came back in under half a period
};
