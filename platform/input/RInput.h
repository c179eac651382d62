// RInput: the evaluation of bindings against the input handler's state records. No state of its own; it reads
// RInputHandler's current or previous CompleteInputState and writes only the bindings' lastUsed times.
#pragma once

#include "core/types/RUtilVector.h"
#include "platform/input/RDefinedInput.h"

#include <cstdint>

struct CompleteInputState;

namespace RInput {

// Device classes of bindings.
enum DeviceClass : uint32_t {
    kNoDevice = 0,
    kKeyboardMouse = 1,
    kGameController = 2,
    kJoystick = 3,
};

// The stick shaping: |reading| up to kStickDeadZone gives 0, kStickFull or more gives 1, linear between.
constexpr float kStickDeadZone = 6144.0f;
constexpr float kStickFull = 31744.0f;
// The trigger shaping over SDL's 0 to 32,767 trigger range: 64 and 240 of a 0-255 trigger, scaled to it.
constexpr float kTriggerDeadZone = 64.0f * 32767.0f / 255.0f;
constexpr float kTriggerFull = 240.0f * 32767.0f / 255.0f;

// The sum of the list's contributions over the current state (or the previous one). Raises *anyActive when some
// binding contributed, *mouseActive when a mouse axis moved; the last contributing binding sets *deviceClass and
// every contributing binding's lastUsed becomes time.
float EvaluateBindings(RUtilVector<RDefinedInput>& inputs, bool usePrevious, bool* anyActive, bool* mouseActive,
                       uint32_t* deviceClass, float time);
// The sum over the current state minus the sum over the previous one. Records no use.
float EvaluateBindingsDelta(const RUtilVector<RDefinedInput>& inputs);
// The presses of the list's button bindings counted between the input handler's last two reads
// (RInputHandler::GetPresses); axis bindings count none.
uint32_t CountPresses(const RUtilVector<RDefinedInput>& inputs);
// One binding's contribution in state: axis contributions already signed by the direction (never negative for
// directions of +1 and -1). *mouseMoved is raised when the binding is a mouse axis that moved either way.
float EvaluateInput(const RDefinedInput& input, const CompleteInputState& state, bool* mouseMoved);
// The class of device that makes the binding's input; kNoDevice for a kind or source outside the tables.
uint32_t GetDeviceClass(const RDefinedInput& input);
// The binding of deviceClass used most recently (the earliest of equals); the first binding when none has the
// class; an empty binding for an empty list.
RDefinedInput GetMostRecentInput(const RUtilVector<RDefinedInput>& inputs, uint32_t deviceClass);
// Whether two bindings name the same input: equal kinds and sources, and for buttons equal codes, for axes
// directions of the same sign (positive, negative or zero). Bindings of any other kind match on the kind alone.
bool InputsMatch(const RDefinedInput& a, const RDefinedInput& b);

} // namespace RInput
