// RWindowSub: the platform window, holding the SDL window handle that the base game creates with it and keeps for
// the rest of the run. The handle is borrowed: whoever created the SDL window destroys it (after its GL context).
#pragma once

#include "platform/RWindow.h"

struct SDL_Window;

class RWindowSub : public RWindow {
public:
    explicit RWindowSub(SDL_Window* window = nullptr) : m_window(window) {}

    bool CanHaveMenu() const override { return true; }
    bool HasMenu() const override { return false; }

    SDL_Window* GetSDLWindow() const { return m_window; }
    void SetSDLWindow(SDL_Window* window) { m_window = window; }

private:
    SDL_Window* m_window;
};
