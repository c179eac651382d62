// RGameMenu: a menu on the menu manager's stack, as far as the manager and the HUD materials rely on it: the top
// menu may adjust the menus' horizontal, vertical and title offsets, and may let the background fade with it.
// The manager owns the menus on its stack.
#pragma once

class RGameMenu {
public:
    RGameMenu() = default;
    virtual ~RGameMenu() = default;
    RGameMenu(const RGameMenu&) = delete;
    RGameMenu& operator=(const RGameMenu&) = delete;

    // Each leaves the offset unchanged unless a menu overrides it.
    virtual void GetXOffset(float* offset) {}
    virtual void GetYOffset(float* offset) {}
    virtual void GetTitleYOffset(float* offset) {}
    // Whether the backdrop fades with this menu when it is the only one and fades in or out.
    virtual bool AllowsBackgroundFade() const { return false; }
};
