// The records of the control configuration: an action (RNamedControl) with its bindings and the values of its last
// two refreshes, a named group of actions (RControlGroup) that owns its actions, and a stick made of four actions of
// one group (RControl2D). RControlConfig owns every group and every 2D control.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"
#include "platform/input/RDefinedInput.h"

#include <limits>

// One action. The shaping fields (exponent, ramp, mouseFactor, scale) keep their creation values.
struct RNamedControl {
    float exponent = 1.0f;       // power applied to the summed input
    float rampStartLevel = 1.0f; // the cap on the shaped value when a ramp starts
    float rampThreshold = 1.0f;  // a ramp starts when the raw sum exceeds this
    float rampDelay = 0.0f;      // seconds after the ramp start before the cap grows
    float rampRate = 1.0f;       // fraction of the gap between cap and raw sum closed per second
    float rampLevel = 1.0f;      // the current cap
    float rampStartTime = std::numeric_limits<float>::infinity(); // +infinity while no ramp runs
    bool hidden = false;         // not listed by the menus
    RHashedString name;
    RUtilVector<RDefinedInput> inputs;
    float mouseFactor = 1.0f;    // factor on the raw sum while a mouse axis contributes
    float scale = 1.0f;          // factor on the shaped value
    float value = 0.0f;          // this refresh's value
    float previousValue = 0.0f;  // the previous refresh's value
    float rawValue = 0.0f;       // this refresh's sum of contributions
    bool anyActive = false;      // some binding contributed this refresh
    bool mouseActive = false;    // a mouse axis contributed this refresh
    float menuRepeatTimer = 0.0f; // seconds until PressedWithRepeat may repeat
    uint32_t presses = 0;        // a per-frame action's button presses counted between the last two frame reads
};

// A named list of actions, refreshed together once per frame or once per fixed game step.
struct RControlGroup {
    RControlGroup() = default;
    ~RControlGroup()
    {
        for (RNamedControl* control : controls)
            delete control;
    }
    RControlGroup(const RControlGroup&) = delete;
    RControlGroup& operator=(const RControlGroup&) = delete;

    RNamedControl* FindControl(RHashedString controlName) const
    {
        for (RNamedControl* control : controls) {
            if (control->name == controlName)
                return control;
        }
        return nullptr;
    }

    bool hidden = false;             // not listed by the menus
    RHashedString name;
    RUtilVector<RNamedControl*> controls; // owned, in registration order
    bool yieldsToSubroutine = false; // queries answer 0 or false while a subroutine captures input
    bool menuStyle = false;          // read by the menus only
    bool updatesPerFrame = false;    // refreshed once per frame when set, once per fixed game step when clear
};

// A stick made of four actions of one group: their raw values form one direction whose length is shaped once, so
// a diagonal is no faster than a straight push.
struct RControl2D {
    float exponent = 1.0f;
    float rampStartLevel = 1.0f;
    float rampThreshold = 1.0f;
    float rampDelay = 0.0f;
    float rampRate = 1.0f;
    float rampLevel = 1.0f;
    float rampStartTime = std::numeric_limits<float>::infinity();
    RHashedString group;
    RHashedString negativeX;
    RHashedString positiveX;
    RHashedString positiveY;
    RHashedString negativeY;
    float lastDirectionY = 0.0f; // the unit direction of the previous refresh
    float lastDirectionX = 0.0f;
    float turnThreshold = -0.1f; // a turn whose dot product with the last direction falls below it restarts the ramp
};
