// RMenuBackdropState: what the title picture and the menu backdrop read of the menus beyond RHUDMenuState: the top
// menu's adjustment of the title's vertical offset and the opacity of the backdrop behind the menus. The menu
// manager implements it and is the current state while it exists; with none current the title offset stays as it
// is and the backdrop is transparent, as with no menu stacked. Pointed at, not owned. Main thread only.
#pragma once

class RMenuBackdropState {
public:
    RMenuBackdropState() = default;
    // A state going away stops being current.
    virtual ~RMenuBackdropState();
    RMenuBackdropState(const RMenuBackdropState&) = delete;
    RMenuBackdropState& operator=(const RMenuBackdropState&) = delete;

    // Lets the top menu adjust the title's vertical offset; unchanged when no menu is stacked.
    virtual void GetTitleYOffset(float* offset) = 0;
    // 0 with no menu stacked, 1 with one; the fade fraction while the only menu fades the background with it.
    virtual float GetBackdropOpacity() const = 0;

    static RMenuBackdropState* GetCurrent() { return s_current; }
    static void SetCurrent(RMenuBackdropState* state) { s_current = state; }

private:
    static RMenuBackdropState* s_current;
};
