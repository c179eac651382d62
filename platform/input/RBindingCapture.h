// RBindingCapture: the bindings menu's wait for a new binding of one action. Each frame Update reads the input
// handler's current and previous states: Escape newly down cancels, Backspace newly down clears the action's
// bindings, and otherwise the next input the player makes (RInputHandler::CaptureInput) is added to the action
// through RControlConfig::AddDefinedInput. Holds only the two names; the menu owns it.
#pragma once

#include "core/types/RHashedString.h"
#include "platform/input/RDefinedInput.h"

class RBindingCapture {
public:
    enum Result { kWaiting, kCancelled, kCleared, kCaptured };

    RBindingCapture(RHashedString group, RHashedString control) : m_group(group), m_control(control) {}

    // One frame of the wait; anything but kWaiting ends it. After kCaptured, GetCaptured is the new binding.
    Result Update();
    const RDefinedInput& GetCaptured() const { return m_captured; }

private:
    RHashedString m_group;
    RHashedString m_control;
    RDefinedInput m_captured;
};
