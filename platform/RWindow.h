// RWindow: what the engine asks of the platform's window. RWindowSub is the one implementation; the base game
// owns it for the whole run.
#pragma once

class RWindow {
public:
    virtual ~RWindow() = default;
    // Whether the platform could give the window a menu bar.
    virtual bool CanHaveMenu() const = 0;
    // Whether the window has one.
    virtual bool HasMenu() const = 0;
};
