// RHUDMenuState: what the menu-space HUD materials read of the menus: the overlay colour, the slide offset of a
// menu transition and the top menu's adjustments of the menu offsets. The menu manager implements it and is the
// current state while it exists; with none current the materials take an opaque white overlay, no slide and
// unadjusted offsets. The current state is pointed at, not owned. Main thread only.
#pragma once

#include <cstdint>

class RHUDMenuState {
public:
    RHUDMenuState() = default;
    // A state going away stops being current.
    virtual ~RHUDMenuState();
    RHUDMenuState(const RHUDMenuState&) = delete;
    RHUDMenuState& operator=(const RHUDMenuState&) = delete;

    // Packed colour 0xAARRGGBB that menu quads and underlays are multiplied by.
    virtual uint32_t GetOverlayColour() const = 0;
    // Horizontal shift of the menus in clip units while they slide in or out; 0 at rest.
    virtual float GetSlideOffset() const = 0;
    // Let the top menu adjust a horizontal or vertical offset; unchanged when no menu is stacked.
    virtual void GetXOffset(float* offset) = 0;
    virtual void GetYOffset(float* offset) = 0;

    static RHUDMenuState* GetCurrent() { return s_current; }
    static void SetCurrent(RHUDMenuState* state) { s_current = state; }

private:
    static RHUDMenuState* s_current;
};
