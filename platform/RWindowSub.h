// RWindowSub: the platform window, holding the SDL window handle that the base game creates with it and keeps for
// the rest of the run. The handle is borrowed: whoever created the SDL window destroys it (after its GL context).
// It puts the window in and out of full screen, and answers the window's size as the window system has it.
#pragma once

#include "platform/RWindow.h"

#include <cstdint>

struct SDL_Window;

class RWindowSub : public RWindow {
public:
    explicit RWindowSub(SDL_Window* window = nullptr) : m_window(window) {}

    bool CanHaveMenu() const override { return true; }
    bool HasMenu() const override { return false; }

    SDL_Window* GetSDLWindow() const { return m_window; }
    void SetSDLWindow(SDL_Window* window) { m_window = window; }

    // The window's size in pixels, its GL drawable's: the window system's own answer where it gives one (SDL's
    // may be a size that was asked for and never made), else SDL's drawable size. False with no window.
    bool GetSize(uint32_t* width, uint32_t* height) const;
    // Whether the window is in full screen (SDL's flag).
    bool IsFullscreen() const;
    // Puts the window in full screen at the desktop's own mode, or back where it was before. Where no window
    // manager carries the request out, the window is sized and placed over its screen here, and back on leaving.
    // False when it could not be made to cover the screen (the window is left as it was) or SDL refused.
    bool SetFullscreen(bool fullscreen);

private:
    struct Rect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    // Where the window is: the window system's answer, else SDL's.
    Rect GetRect() const;
    // Whether the window covers the screen it is on.
    bool CoversScreen() const;
    void Place(const Rect& rect);

    SDL_Window* m_window;
    Rect m_windowed; // where the window was before it went full screen
};
