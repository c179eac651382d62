// CompleteInputState: one frame's raw input, as RInputHandler reads it from SDL: keyboard, relative mouse, and the
// selected device either as a plain joystick (axes, buttons, hats, balls) or as a game controller (6 axes, 15
// buttons). The handler owns the current and the previous record; readers above it use the fields directly.
#pragma once

#include "core/types/RUtilVector.h"

#include <cstdint>

using RFMLJoyAxisState = int16_t;   // -32768 to 32767
using RFMLJoyButtonState = uint8_t; // 1 while down
using RFMLJoyHatState = uint8_t;    // SDL's hat bits: 1 up, 2 right, 4 down, 8 left, combined for diagonals
struct RFMLJoyBallState {
    int32_t dx = 0;
    int32_t dy = 0;
};

struct CompleteInputState {
    static constexpr uint32_t kKeyCount = 256;
    static constexpr uint32_t kPadAxisCount = 6;
    static constexpr uint32_t kPadButtonCount = 15;

    // Element by element, leaving each vector's own capacity rules in charge of its storage.
    void CopyFrom(const CompleteInputState& other);

    uint8_t keys[kKeyCount] = {}; // by SDL scancode, non-zero while down
    uint8_t repeatKey = 0;        // the scancode that currently auto-repeats
    float repeatTimer = 0.0f;     // seconds until that key may repeat again
    int32_t mouseDX = 0;          // relative motion in pixels since the previous read
    int32_t mouseDY = 0;
    uint32_t mouseButtons = 0;    // SDL's mask: bit 0 left, 1 middle, 2 right, 3 and 4 the extra buttons
    RUtilVector<RFMLJoyAxisState> joyAxes;
    RUtilVector<RFMLJoyButtonState> joyButtons;
    RUtilVector<RFMLJoyHatState> joyHats;
    RUtilVector<RFMLJoyBallState> joyBalls;
    // SDL's controller order: left x, left y, right x, right y, left trigger, right trigger.
    RUtilVector<RFMLJoyAxisState> padAxes;
    // SDL's controller order: A, B, X, Y, back, guide, start, left stick, right stick, left shoulder, right
    // shoulder, pad up, pad down, pad left, pad right.
    RUtilVector<RFMLJoyButtonState> padButtons;
};
