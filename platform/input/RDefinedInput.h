// RDefinedInput: one control binding, a plain record held by value in an action's binding list. It names a key,
// a mouse button or axis, or a joystick or game-controller button, axis or hat direction; the bindings file
// stores its first three fields.
#pragma once

#include <cstdint>

struct RDefinedInput {
    enum Kind : uint32_t { kEmpty = 0, kButton = 1, kAxis = 2 };

    // Sources of button bindings; code is the scancode or button index.
    enum ButtonSource : uint32_t {
        kKeyboard = 1,
        kMouseButton = 2,
        kJoystickButton = 3,
        kControllerButton = 4,
    };

    // Sources of axis bindings. Plain-joystick axis i is source 4 + i + i / 6 (4-9, 11-16, 18-23, 25-30); the
    // sources in between (10, 17, 24, 31) are sliders.
    enum AxisSource : uint32_t {
        kMouseX = 1,
        kMouseY = 2,
        kMouseWheel = 3,
        kJoystickFirstAxis = 4,
        kJoystickLastAxis = 30,
        kHatX = 32,
        kHatY = 33,
        kControllerLeftX = 34,
        kControllerLeftY = 35,
        kControllerRightX = 36,
        kControllerRightY = 37,
        kControllerLeftTrigger = 38,
        kControllerRightTrigger = 39,
    };

    static RDefinedInput Button(uint32_t source, uint32_t code)
    {
        RDefinedInput input;
        input.kind = kButton;
        input.source = source;
        input.code = code;
        return input;
    }
    static RDefinedInput Axis(uint32_t source, float direction)
    {
        RDefinedInput input;
        input.kind = kAxis;
        input.source = source;
        input.direction = direction;
        return input;
    }

    uint32_t kind = kEmpty;
    uint32_t source = 0;
    // The same four bytes: a button's code, or an axis's wanted sign and weight (+1.0 or -1.0 as captured).
    union {
        uint32_t code = 0;
        float direction;
    };
    // Clock time of the last refresh in which this binding contributed a non-zero value.
    float lastUsed = 0.0f;
};
