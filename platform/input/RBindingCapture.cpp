#include "platform/input/RBindingCapture.h"

#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"

#include <SDL.h>

#include <cstdint>

namespace {

// Half the travel of a stick: a reading must reach kStickCapture after having been at most kStickCapture - 1.
constexpr int32_t kStickCapture = 16385;
// A trigger must reach 65 of a 0-255 trigger, scaled to SDL's 0-32,767 range (8,352.3), after having been below
// it: the point where binding evaluation starts to read it (RInput::kTriggerDeadZone, 64 of 255).
constexpr int32_t kTriggerScale = 255;
constexpr int32_t kTriggerRange = 32767;
constexpr int32_t kTriggerCapture = 65;
// The least mouse motion in one frame that is captured, in pixels.
constexpr int64_t kMouseCapture = 11;
// The largest plain-joystick axis count that binding sources can name.
constexpr uint32_t kJoystickAxisLimit = 24;
// The hat direction below which a component counts as centred.
constexpr float kHatCentred = 0.01f;

int32_t Magnitude(int32_t reading)
{
    return reading < 0 ? -reading : reading;
}

bool StickCrossed(int32_t now, int32_t before)
{
    return Magnitude(now) >= kStickCapture && Magnitude(before) <= kStickCapture - 1;
}

bool TriggerCrossed(int32_t now, int32_t before)
{
    return now * kTriggerScale >= kTriggerCapture * kTriggerRange &&
           before * kTriggerScale < kTriggerCapture * kTriggerRange;
}

float SignOf(int32_t reading)
{
    return reading < 0 ? -1.0f : 1.0f;
}

// The binding evaluation's reading of a hat value: unit directions, diagonals at 45 degrees, anything else
// (centred or an impossible combination) (0, 0).
void HatDirection(uint8_t hat, float* x, float* y)
{
    const float diagonal = 0.707107f;
    *x = 0.0f;
    *y = 0.0f;
    switch (hat) {
    case SDL_HAT_UP: *y = 1.0f; break;
    case SDL_HAT_RIGHT: *x = 1.0f; break;
    case SDL_HAT_DOWN: *y = -1.0f; break;
    case SDL_HAT_LEFT: *x = -1.0f; break;
    case SDL_HAT_RIGHTUP: *x = diagonal; *y = diagonal; break;
    case SDL_HAT_RIGHTDOWN: *x = diagonal; *y = -diagonal; break;
    case SDL_HAT_LEFTUP: *x = -diagonal; *y = diagonal; break;
    case SDL_HAT_LEFTDOWN: *x = -diagonal; *y = -diagonal; break;
    default: break;
    }
}

// Steps 1-3: the mouse and the keyboard.
bool CaptureMouseOrKey(const CompleteInputState& now, const CompleteInputState& before, RDefinedInput* found)
{
    int64_t motion = now.mouseDX;
    if (motion >= kMouseCapture || motion <= -kMouseCapture) {
        *found = RDefinedInput::Axis(RDefinedInput::kMouseX, motion > 0 ? 1.0f : -1.0f);
        return true;
    }
    // Code 1 is the middle button (bit 1), code 2 the left one (bit 0), code n bit n - 1.
    for (uint32_t code = 1; code <= 7; ++code) {
        uint32_t bit = code == 1 ? 1 : code == 2 ? 0 : code - 1;
        if (((now.mouseButtons >> bit) & 1u) && !((before.mouseButtons >> bit) & 1u)) {
            *found = RDefinedInput::Button(RDefinedInput::kMouseButton, code);
            return true;
        }
    }
    for (uint32_t scancode = 0; scancode < CompleteInputState::kKeyCount; ++scancode) {
        if (now.keys[scancode] && !before.keys[scancode]) {
            *found = RDefinedInput::Button(RDefinedInput::kKeyboard, scancode);
            return true;
        }
    }
    return false;
}

// Step 4: the first controller axis that crossed; replaces the mouse and the keyboard.
bool CaptureControllerAxis(const CompleteInputState& now, const CompleteInputState& before, RDefinedInput* found)
{
    if (now.padAxes.getCount() < CompleteInputState::kPadAxisCount ||
        before.padAxes.getCount() < CompleteInputState::kPadAxisCount)
        return false;
    const uint32_t triggers[] = {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};
    const uint32_t triggerSources[] = {RDefinedInput::kControllerLeftTrigger, RDefinedInput::kControllerRightTrigger};
    for (int i = 0; i < 2; ++i) {
        if (TriggerCrossed(now.padAxes[triggers[i]], before.padAxes[triggers[i]])) {
            *found = RDefinedInput::Axis(triggerSources[i], 1.0f);
            return true;
        }
    }
    // Left x, left y, right x, right y: the controller's axis order and the sources' order agree. Up is positive.
    for (uint32_t axis = SDL_CONTROLLER_AXIS_LEFTX; axis <= SDL_CONTROLLER_AXIS_RIGHTY; ++axis) {
        int32_t reading = now.padAxes[axis];
        if (StickCrossed(reading, before.padAxes[axis])) {
            bool vertical = axis == SDL_CONTROLLER_AXIS_LEFTY || axis == SDL_CONTROLLER_AXIS_RIGHTY;
            float direction = vertical ? -SignOf(reading) : SignOf(reading);
            *found = RDefinedInput::Axis(RDefinedInput::kControllerLeftX + axis, direction);
            return true;
        }
    }
    return false;
}

// Step 5: the first controller button newly down.
bool CaptureControllerButton(const CompleteInputState& now, const CompleteInputState& before, RDefinedInput* found)
{
    for (uint32_t i = 0; i < CompleteInputState::kPadButtonCount; ++i) {
        if (i >= now.padButtons.getCount() || i >= before.padButtons.getCount())
            break;
        if (now.padButtons[i] && !before.padButtons[i]) {
            *found = RDefinedInput::Button(RDefinedInput::kControllerButton, i);
            return true;
        }
    }
    return false;
}

// Step 6: the first plain-joystick axis that crossed half its travel; replaces the mouse and the keyboard.
bool CaptureJoystickAxis(const CompleteInputState& now, const CompleteInputState& before, RDefinedInput* found)
{
    for (uint32_t i = 0; i < now.joyAxes.getCount() && i < kJoystickAxisLimit; ++i) {
        if (i >= before.joyAxes.getCount())
            continue;
        int32_t reading = now.joyAxes[i];
        if (StickCrossed(reading, before.joyAxes[i])) {
            *found = RDefinedInput::Axis(RDefinedInput::kJoystickFirstAxis + i + i / 6, SignOf(reading));
            return true;
        }
    }
    return false;
}

// Step 7: the first hat leaving the centre along x, else along y.
bool CaptureHat(const CompleteInputState& now, const CompleteInputState& before, RDefinedInput* found)
{
    if (now.joyHats.isEmpty() || before.joyHats.isEmpty() || now.joyHats[0] == SDL_HAT_CENTERED)
        return false;
    float x, y, previousX, previousY;
    HatDirection(now.joyHats[0], &x, &y);
    HatDirection(before.joyHats[0], &previousX, &previousY);
    if ((x > kHatCentred || x < -kHatCentred) && previousX <= kHatCentred && previousX >= -kHatCentred) {
        *found = RDefinedInput::Axis(RDefinedInput::kHatX, x > 0.0f ? 1.0f : -1.0f);
        return true;
    }
    if ((y > kHatCentred || y < -kHatCentred) && previousY <= kHatCentred && previousY >= -kHatCentred) {
        *found = RDefinedInput::Axis(RDefinedInput::kHatY, y > 0.0f ? 1.0f : -1.0f);
        return true;
    }
    return false;
}

// Step 8: the first joystick button newly down.
bool CaptureJoystickButton(const CompleteInputState& now, const CompleteInputState& before, RDefinedInput* found)
{
    for (uint32_t i = 0; i < now.joyButtons.getCount() && i < before.joyButtons.getCount(); ++i) {
        if (now.joyButtons[i] && !before.joyButtons[i]) {
            *found = RDefinedInput::Button(RDefinedInput::kJoystickButton, i);
            return true;
        }
    }
    return false;
}

} // namespace

bool RInputHandler::CaptureInput(RDefinedInput* input) const
{
    if (!input)
        return false;
    const CompleteInputState& now = m_current;
    const CompleteInputState& before = m_previous;
    RDefinedInput found;
    bool captured = CaptureMouseOrKey(now, before, &found);
    if (m_controllerMode) {
        // A crossed axis outranks the mouse and the keyboard; a button only counts when nothing else did.
        if (CaptureControllerAxis(now, before, &found))
            captured = true;
        else if (!captured)
            captured = CaptureControllerButton(now, before, &found);
    } else {
        if (CaptureJoystickAxis(now, before, &found))
            captured = true;
        else if (!captured)
            captured = CaptureHat(now, before, &found) || CaptureJoystickButton(now, before, &found);
    }
    if (captured)
        *input = found;
    return captured;
}

RBindingCapture::Result RBindingCapture::Update()
{
    RInputHandler* handler = RInputHandler::GetInstance();
    const CompleteInputState& now = handler->GetCurrentState();
    const CompleteInputState& before = handler->GetPreviousState();
    if (now.keys[SDL_SCANCODE_ESCAPE] && !before.keys[SDL_SCANCODE_ESCAPE])
        return kCancelled;
    if (now.keys[SDL_SCANCODE_BACKSPACE] && !before.keys[SDL_SCANCODE_BACKSPACE]) {
        RControlConfig::GetInstance()->ClearControlInputs(m_group, m_control);
        return kCleared;
    }
    if (!handler->CaptureInput(&m_captured))
        return kWaiting;
    RControlConfig::GetInstance()->AddDefinedInput(m_group, m_control, m_captured);
    return kCaptured;
}
