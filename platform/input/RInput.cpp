#include "platform/input/RInput.h"

#include "platform/input/CompleteInputState.h"
#include "platform/input/RInputHandler.h"

#include <SDL.h>

#include <cmath>

namespace {

constexpr float kDiagonal = 0.707107f;

float Stick(int32_t reading)
{
    float magnitude = static_cast<float>(reading < 0 ? -reading : reading);
    if (magnitude < RInput::kStickDeadZone)
        magnitude = RInput::kStickDeadZone;
    if (magnitude > RInput::kStickFull)
        magnitude = RInput::kStickFull;
    float shaped = (magnitude - RInput::kStickDeadZone) / (RInput::kStickFull - RInput::kStickDeadZone);
    return reading < 0 ? -shaped : shaped;
}

float Trigger(int32_t reading)
{
    float level = static_cast<float>(reading);
    if (level < RInput::kTriggerDeadZone)
        level = RInput::kTriggerDeadZone;
    if (level > RInput::kTriggerFull)
        level = RInput::kTriggerFull;
    return (level - RInput::kTriggerDeadZone) / (RInput::kTriggerFull - RInput::kTriggerDeadZone);
}

void HatDirection(uint8_t hat, float* x, float* y)
{
    *x = 0.0f;
    *y = 0.0f;
    switch (hat) {
    case SDL_HAT_UP: *y = 1.0f; break;
    case SDL_HAT_RIGHT: *x = 1.0f; break;
    case SDL_HAT_DOWN: *y = -1.0f; break;
    case SDL_HAT_LEFT: *x = -1.0f; break;
    case SDL_HAT_RIGHTUP: *x = kDiagonal; *y = kDiagonal; break;
    case SDL_HAT_RIGHTDOWN: *x = kDiagonal; *y = -kDiagonal; break;
    case SDL_HAT_LEFTUP: *x = -kDiagonal; *y = kDiagonal; break;
    case SDL_HAT_LEFTDOWN: *x = -kDiagonal; *y = -kDiagonal; break;
    default: break;
    }
}

// The plain-joystick axis index of an axis source (4-9, 11-16, 18-23, 25-30), or -1 for a slider.
int JoystickAxisOf(uint32_t source)
{
    uint32_t offset = (source - RDefinedInput::kJoystickFirstAxis) % 7;
    if (offset == 6)
        return -1;
    return static_cast<int>((source - RDefinedInput::kJoystickFirstAxis) / 7 * 6 + offset);
}

// The bit of SDL's mouse-button mask that a mouse-button binding's code names: code 1 is the middle button and code
// 2 the left one; codes 3 to 32 name bit code - 1. -1 for any other code.
int MouseButtonBit(uint32_t code)
{
    if (code == 0 || code > 32)
        return -1;
    return code == 1 ? 1 : code == 2 ? 0 : static_cast<int>(code) - 1;
}

float ButtonValue(const RDefinedInput& input, const CompleteInputState& state, bool controllerMode)
{
    uint32_t code = input.code;
    switch (input.source) {
    case RDefinedInput::kKeyboard:
        return code < CompleteInputState::kKeyCount && state.keys[code] ? 1.0f : 0.0f;
    case RDefinedInput::kMouseButton: {
        const int bit = MouseButtonBit(code);
        return bit >= 0 && (state.mouseButtons >> bit) & 1u ? 1.0f : 0.0f;
    }
    case RDefinedInput::kJoystickButton:
        if (controllerMode || code >= state.joyButtons.getCount())
            return 0.0f;
        return state.joyButtons[code] ? 1.0f : 0.0f;
    case RDefinedInput::kControllerButton:
        if (!controllerMode || code >= CompleteInputState::kPadButtonCount || code >= state.padButtons.getCount())
            return 0.0f;
        return state.padButtons[code] ? 1.0f : 0.0f;
    default:
        return 0.0f;
    }
}

// The presses of a button binding's input between the handler's last two reads, as ButtonValue reads the button.
uint32_t ButtonPresses(const RDefinedInput& input, const RInputHandler::RPressCounts& presses, bool controllerMode)
{
    uint32_t code = input.code;
    switch (input.source) {
    case RDefinedInput::kKeyboard:
        return code < CompleteInputState::kKeyCount ? presses.keys[code] : 0;
    case RDefinedInput::kMouseButton: {
        const int bit = MouseButtonBit(code);
        return bit >= 0 ? presses.mouseButtons[bit] : 0;
    }
    case RDefinedInput::kJoystickButton:
        return !controllerMode && code < sizeof(presses.joyButtons) ? presses.joyButtons[code] : 0;
    case RDefinedInput::kControllerButton:
        return controllerMode && code < CompleteInputState::kPadButtonCount ? presses.padButtons[code] : 0;
    default:
        return 0;
    }
}

// The axis reading before the direction is applied.
float AxisValue(uint32_t source, const CompleteInputState& state, bool controllerMode, float invDt, float mouseScale)
{
    switch (source) {
    case RDefinedInput::kMouseX:
        return static_cast<float>(state.mouseDX) * invDt * mouseScale;
    case RDefinedInput::kMouseY:
        return static_cast<float>(state.mouseDY) * invDt * mouseScale;
    case RDefinedInput::kHatX:
    case RDefinedInput::kHatY: {
        if (controllerMode || state.joyHats.isEmpty())
            return 0.0f;
        float x;
        float y;
        HatDirection(state.joyHats[0], &x, &y);
        return source == RDefinedInput::kHatX ? x : y;
    }
    case RDefinedInput::kControllerLeftX:
    case RDefinedInput::kControllerLeftY:
    case RDefinedInput::kControllerRightX:
    case RDefinedInput::kControllerRightY:
    case RDefinedInput::kControllerLeftTrigger:
    case RDefinedInput::kControllerRightTrigger: {
        uint32_t axis = source - RDefinedInput::kControllerLeftX;
        if (!controllerMode || axis >= state.padAxes.getCount())
            return 0.0f;
        int32_t reading = state.padAxes[axis];
        switch (source) {
        case RDefinedInput::kControllerLeftY:
        case RDefinedInput::kControllerRightY:
            return Stick(-reading); // up is positive
        case RDefinedInput::kControllerLeftTrigger:
        case RDefinedInput::kControllerRightTrigger:
            return Trigger(reading);
        default:
            return Stick(reading);
        }
    }
    default:
        break;
    }
    if (source >= RDefinedInput::kJoystickFirstAxis && source <= RDefinedInput::kJoystickLastAxis) {
        int axis = JoystickAxisOf(source);
        if (axis < 0 || controllerMode || static_cast<uint32_t>(axis) >= state.joyAxes.getCount())
            return 0.0f;
        return Stick(state.joyAxes[static_cast<uint32_t>(axis)]);
    }
    return 0.0f; // the wheel, the sliders and unknown sources
}

bool IsMouseAxis(const RDefinedInput& input)
{
    return input.kind == RDefinedInput::kAxis &&
           (input.source == RDefinedInput::kMouseX || input.source == RDefinedInput::kMouseY);
}

int SignOf(float value)
{
    return value > 0.0f ? 1 : value < 0.0f ? -1 : 0;
}

float SumOver(const RUtilVector<RDefinedInput>& inputs, const CompleteInputState& state)
{
    float sum = 0.0f;
    bool mouseMoved = false;
    for (const RDefinedInput& input : inputs)
        sum += RInput::EvaluateInput(input, state, &mouseMoved);
    return sum;
}

} // namespace

namespace RInput {

float EvaluateInput(const RDefinedInput& input, const CompleteInputState& state, bool* mouseMoved)
{
    const RInputHandler* handler = RInputHandler::GetInstance();
    bool controllerMode = handler->IsControllerMode();
    if (input.kind == RDefinedInput::kButton)
        return ButtonValue(input, state, controllerMode);
    if (input.kind != RDefinedInput::kAxis)
        return 0.0f;
    float reading = AxisValue(input.source, state, controllerMode, handler->GetInvDt(), handler->GetMouseScale());
    if (IsMouseAxis(input) && reading != 0.0f)
        *mouseMoved = true;
    // Only a reading of the wanted sign counts, weighted by the direction. A direction that is not a number
    // keeps nothing.
    bool wanted = input.direction > 0.0f ? reading > 0.0f : input.direction <= 0.0f && reading < 0.0f;
    return wanted ? reading * input.direction : 0.0f;
}

float EvaluateBindings(RUtilVector<RDefinedInput>& inputs, bool usePrevious, bool* anyActive, bool* mouseActive,
                       uint32_t* deviceClass, float time)
{
    *anyActive = false;
    *mouseActive = false;
    const RInputHandler* handler = RInputHandler::GetInstance();
    const CompleteInputState& state = usePrevious ? handler->GetPreviousState() : handler->GetCurrentState();
    float sum = 0.0f;
    for (RDefinedInput& input : inputs) {
        float contribution = EvaluateInput(input, state, mouseActive);
        if (contribution != 0.0f) {
            *anyActive = true;
            *deviceClass = GetDeviceClass(input);
            input.lastUsed = time;
        }
        sum += contribution;
    }
    return sum;
}

uint32_t CountPresses(const RUtilVector<RDefinedInput>& inputs)
{
    const RInputHandler* handler = RInputHandler::GetInstance();
    uint32_t count = 0;
    for (const RDefinedInput& input : inputs) {
        if (input.kind == RDefinedInput::kButton)
            count += ButtonPresses(input, handler->GetPresses(), handler->IsControllerMode());
    }
    return count;
}

float EvaluateBindingsDelta(const RUtilVector<RDefinedInput>& inputs)
{
    const RInputHandler* handler = RInputHandler::GetInstance();
    return SumOver(inputs, handler->GetCurrentState()) - SumOver(inputs, handler->GetPreviousState());
}

uint32_t GetDeviceClass(const RDefinedInput& input)
{
    if (input.kind == RDefinedInput::kButton) {
        switch (input.source) {
        case RDefinedInput::kKeyboard:
        case RDefinedInput::kMouseButton: return kKeyboardMouse;
        case RDefinedInput::kJoystickButton: return kJoystick;
        case RDefinedInput::kControllerButton: return kGameController;
        default: return kNoDevice;
        }
    }
    if (input.kind == RDefinedInput::kAxis) {
        if (input.source >= RDefinedInput::kMouseX && input.source <= RDefinedInput::kMouseWheel)
            return kKeyboardMouse;
        if (input.source >= RDefinedInput::kJoystickFirstAxis && input.source <= RDefinedInput::kHatY)
            return kJoystick;
        if (input.source >= RDefinedInput::kControllerLeftX && input.source <= RDefinedInput::kControllerRightTrigger)
            return kGameController;
    }
    return kNoDevice;
}

RDefinedInput GetMostRecentInput(const RUtilVector<RDefinedInput>& inputs, uint32_t deviceClass)
{
    const RDefinedInput* best = nullptr;
    for (const RDefinedInput& input : inputs) {
        if (GetDeviceClass(input) == deviceClass && (!best || input.lastUsed > best->lastUsed))
            best = &input;
    }
    if (best)
        return *best;
    return inputs.isEmpty() ? RDefinedInput() : inputs[0];
}

bool InputsMatch(const RDefinedInput& a, const RDefinedInput& b)
{
    if (a.kind != b.kind)
        return false;
    if (a.kind == RDefinedInput::kButton)
        return a.source == b.source && a.code == b.code;
    if (a.kind == RDefinedInput::kAxis)
        return a.source == b.source && SignOf(a.direction) == SignOf(b.direction);
    return true;
}

} // namespace RInput
