// RHUDScreen: the screen the HUD materials lay out on: the game's current screen size in pixels, read from the
// game object's resolution list, and the 1,024 x 768 menu space fitted into it (uniformly scaled, centred).
// Values only; nothing is owned. Main thread only.
#pragma once

#include <cstdint>

// The factors that turn menu-space positions into clip space: a position (x, -y) of the menu space lands at
// clip (x * invHalfWidth - 1 + xOffset, -y * invHalfHeight + 1 - yOffset).
struct RMenuSpace {
    float invHalfWidth;
    float invHalfHeight;
    float xOffset;
    float yOffset;
};

namespace RHUDScreen {

// The menu space's own aspect, 4/3 as a float.
constexpr float kMenuAspect = 1.3333334f;

// The current screen size: the current resolution list's, each side below 1 counting as 1 (also when no list
// is current), so nothing derived from it divides by zero.
void GetScreenSize(int32_t* width, int32_t* height);
// Width over height of the current screen size.
float GetAspectRatio();

// The menu space of a screen of width x height (sides below 1 count as 1): when the aspect is at least 4/3 it
// spans the height and is centred horizontally, otherwise it spans the width and is centred vertically.
RMenuSpace MenuSpaceFor(int32_t width, int32_t height);
// The menu space of the current screen size.
RMenuSpace GetMenuSpace();

}  // namespace RHUDScreen
