// Binding capture: what RInputHandler::CaptureInput makes of the change between the previous and the current
// state, written here directly (keyboard, mouse, plain joystick) or read from an SDL virtual game controller, and
// the bindings menu's wait (RBindingCapture) on a real control configuration.
#include "platform/input/RBindingCapture.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RInputNames.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <initializer_list>
#include <string>

namespace {

// Any field a capture writes differs from these.
RDefinedInput Sentinel()
{
    RDefinedInput input = RDefinedInput::Button(99, 99);
    input.lastUsed = 5.0f;
    return input;
}

::testing::AssertionResult Captured(RInputHandler* handler, const RDefinedInput& expected)
{
    RDefinedInput input = Sentinel();
    if (!handler->CaptureInput(&input))
        return ::testing::AssertionFailure() << "nothing captured";
    if (input.kind != expected.kind || input.source != expected.source || input.code != expected.code ||
        input.lastUsed != 0.0f)
        return ::testing::AssertionFailure() << "captured kind " << input.kind << " source " << input.source
                                             << " code " << input.code << " (direction " << input.direction
                                             << ") lastUsed " << input.lastUsed;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult NothingCaptured(RInputHandler* handler)
{
    RDefinedInput input = Sentinel();
    if (handler->CaptureInput(&input))
        return ::testing::AssertionFailure() << "captured kind " << input.kind << " source " << input.source
                                             << " code " << input.code;
    RDefinedInput untouched = Sentinel();
    if (input.kind != untouched.kind || input.source != untouched.source || input.code != untouched.code ||
        input.lastUsed != untouched.lastUsed)
        return ::testing::AssertionFailure() << "the binding was written";
    return ::testing::AssertionSuccess();
}

RDefinedInput Key(uint32_t scancode)
{
    return RDefinedInput::Button(RDefinedInput::kKeyboard, scancode);
}

// Frames advance by moving the current state into the previous one; the test then writes the new current state.
class CaptureFrames : public ::testing::Test {
protected:
    void TearDown() override { RInputHandler::DestroyInstance(); }

    CompleteInputState& Now() { return handler->GetCurrentState(); }
    CompleteInputState& Before() { return handler->GetPreviousState(); }
    void NextFrame() { Before().CopyFrom(Now()); Now().mouseDX = 0; }
    // A plain joystick with the given numbers of axes, buttons and hats, at rest in both states.
    void Joystick(uint32_t axes, uint32_t buttons, uint32_t hats)
    {
        for (CompleteInputState* state : {&Now(), &Before()}) {
            state->joyAxes.setSize(axes);
            state->joyButtons.setSize(buttons);
            state->joyHats.setSize(hats);
            for (uint32_t i = 0; i < axes; ++i)
                state->joyAxes[i] = 0;
            for (uint32_t i = 0; i < buttons; ++i)
                state->joyButtons[i] = 0;
            for (uint32_t i = 0; i < hats; ++i)
                state->joyHats[i] = SDL_HAT_CENTERED;
        }
    }

    RInputHandler* handler = RInputHandler::GetInstance();
};

TEST_F(CaptureFrames, OnlyANewPressIsCaptured)
{
    EXPECT_TRUE(NothingCaptured(handler));
    EXPECT_FALSE(handler->CaptureInput(nullptr));

    // A key already held when the wait starts.
    Now().keys[SDL_SCANCODE_J] = 1;
    Before().keys[SDL_SCANCODE_J] = 1;
    EXPECT_TRUE(NothingCaptured(handler));
    NextFrame();
    Now().keys[SDL_SCANCODE_J] = 0;
    EXPECT_TRUE(NothingCaptured(handler)) << "a release is not a capture";
    NextFrame();
    Now().keys[SDL_SCANCODE_J] = 1;
    EXPECT_TRUE(Captured(handler, Key(SDL_SCANCODE_J)));

    NextFrame();
    Now().keys[SDL_SCANCODE_Z] = 1;
    Now().keys[SDL_SCANCODE_B] = 1;
    EXPECT_TRUE(Captured(handler, Key(SDL_SCANCODE_B))) << "the lowest scancode of this frame's presses";
}

TEST_F(CaptureFrames, AFastHorizontalMouseMoveIsTheMouseXAxis)
{
    Now().mouseDX = 10;
    Now().mouseDY = 200;
    EXPECT_TRUE(NothingCaptured(handler)) << "ten pixels, and any vertical motion, are not enough";

    Now().mouseDX = -11;
    RDefinedInput input = Sentinel();
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.kind, RDefinedInput::kAxis);
    EXPECT_EQ(input.source, RDefinedInput::kMouseX);
    EXPECT_EQ(input.direction, -1.0f);
    RHashedString device;
    RHashedString name;
    bool isController = false;
    GetInputName(input, &device, &name, &isController);
    EXPECT_STREQ(name.GetString(), "MouseX(-)");

    Now().mouseDX = 40;
    Now().keys[SDL_SCANCODE_A] = 1;
    Now().mouseButtons = SDL_BUTTON_LMASK;
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.source, RDefinedInput::kMouseX) << "the motion outranks buttons and keys";
    EXPECT_EQ(input.direction, 1.0f);

    Now().mouseDX = INT32_MIN;
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.direction, -1.0f);
}

TEST_F(CaptureFrames, MouseButtonsUseTheBindingCodes)
{
    Now().keys[SDL_SCANCODE_A] = 1;
    Now().mouseButtons = SDL_BUTTON_LMASK;
    EXPECT_TRUE(Captured(handler, RDefinedInput::Button(RDefinedInput::kMouseButton, 2)))
        << "the left button is code 2, and a button outranks a key";
    NextFrame();
    Now().mouseButtons |= SDL_BUTTON_MMASK | SDL_BUTTON_RMASK;
    EXPECT_TRUE(Captured(handler, RDefinedInput::Button(RDefinedInput::kMouseButton, 1))) << "middle is code 1";
    NextFrame();
    Now().mouseButtons = SDL_BUTTON_X2MASK;
    EXPECT_TRUE(Captured(handler, RDefinedInput::Button(RDefinedInput::kMouseButton, 5)));
}

TEST_F(CaptureFrames, AJoystickAxisCrossingHalfItsTravel)
{
    Joystick(26, 0, 0);
    Now().joyAxes[0] = 16384;
    EXPECT_TRUE(NothingCaptured(handler));
    Now().joyAxes[0] = -16385;
    Now().keys[SDL_SCANCODE_A] = 1;
    RDefinedInput input = Sentinel();
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.kind, RDefinedInput::kAxis);
    EXPECT_EQ(input.source, 4u) << "the axis outranks the key of the same frame";
    EXPECT_EQ(input.direction, -1.0f);

    // Held past half: nothing until it comes back and crosses again.
    NextFrame();
    Now().joyAxes[0] = -32768;
    EXPECT_TRUE(NothingCaptured(handler));
    NextFrame();
    Now().joyAxes[0] = -16384;
    EXPECT_TRUE(NothingCaptured(handler));
    NextFrame();
    Now().joyAxes[0] = 32767;
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.direction, 1.0f);

    // Axis i is source 4 + i + i / 6, skipping the slider sources.
    const std::pair<uint32_t, uint32_t> sources[] = {{5, 9}, {6, 11}, {11, 16}, {12, 18}, {18, 25}, {23, 30}};
    for (const auto& [axis, source] : sources) {
        NextFrame();
        Now().joyAxes[0] = 0;
        NextFrame();
        Now().joyAxes[axis] = 20000;
        ASSERT_TRUE(handler->CaptureInput(&input)) << axis;
        EXPECT_EQ(input.source, source) << axis;
        Now().joyAxes[axis] = 0;
        NextFrame();
    }
    Now().joyAxes[24] = 32767;
    Now().joyAxes[25] = -32767;
    EXPECT_TRUE(NothingCaptured(handler)) << "axes past the 24th have no source";
}

TEST_F(CaptureFrames, AnAxisTheLastFrameLackedIsSkipped)
{
    Joystick(2, 0, 0);
    Before().joyAxes.setSize(1);
    Now().joyAxes[1] = 30000;
    EXPECT_TRUE(NothingCaptured(handler));
    Now().joyAxes[0] = 30000;
    EXPECT_TRUE(Captured(handler, RDefinedInput::Axis(4, 1.0f)));
}

TEST_F(CaptureFrames, TheFirstHatLeavingTheCentre)
{
    Joystick(0, 0, 2);
    Now().joyHats[0] = SDL_HAT_LEFTUP;
    RDefinedInput input = Sentinel();
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.source, RDefinedInput::kHatX) << "a diagonal from the centre is the x direction";
    EXPECT_EQ(input.direction, -1.0f);

    NextFrame();
    Now().joyHats[0] = SDL_HAT_UP;
    EXPECT_TRUE(NothingCaptured(handler)) << "y was already off centre";
    NextFrame();
    Now().joyHats[0] = SDL_HAT_RIGHTUP;
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.source, RDefinedInput::kHatX);
    EXPECT_EQ(input.direction, 1.0f);
    NextFrame();
    Now().joyHats[0] = SDL_HAT_RIGHTDOWN;
    EXPECT_TRUE(NothingCaptured(handler)) << "neither direction was centred before";
    NextFrame();
    Now().joyHats[0] = SDL_HAT_RIGHT;
    EXPECT_TRUE(NothingCaptured(handler));
    NextFrame();
    Now().joyHats[0] = SDL_HAT_RIGHTDOWN;
    ASSERT_TRUE(handler->CaptureInput(&input)) << "x stayed, y left the centre";
    EXPECT_EQ(input.source, RDefinedInput::kHatY);
    EXPECT_EQ(input.direction, -1.0f);

    NextFrame();
    Now().joyHats[0] = SDL_HAT_CENTERED;
    NextFrame();
    Now().joyHats[0] = SDL_HAT_UP | SDL_HAT_DOWN; // no direction
    Now().joyHats[1] = SDL_HAT_UP;
    EXPECT_TRUE(NothingCaptured(handler)) << "an impossible value and a second hat are not captured";

    NextFrame();
    Now().joyHats[0] = SDL_HAT_DOWN;
    Now().keys[SDL_SCANCODE_K] = 1;
    EXPECT_TRUE(Captured(handler, Key(SDL_SCANCODE_K))) << "a hat does not replace a key";
}

TEST_F(CaptureFrames, JoystickButtonsBelowBothCounts)
{
    Joystick(0, 4, 0);
    Before().joyButtons.setSize(2);
    Now().joyButtons[3] = 1;
    EXPECT_TRUE(NothingCaptured(handler));
    Now().joyButtons[1] = 1;
    EXPECT_TRUE(Captured(handler, RDefinedInput::Button(RDefinedInput::kJoystickButton, 1)));
    Now().keys[SDL_SCANCODE_L] = 1;
    EXPECT_TRUE(Captured(handler, Key(SDL_SCANCODE_L))) << "a joystick button does not replace a key";
}

// With an SDL virtual game controller open, so that the handler is in controller mode.
class ControllerCapture : public CaptureFrames {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
        ASSERT_GE(index, 0) << SDL_GetError();
        m_pad = SDL_JoystickGetDeviceInstanceID(index);
        handler->InitDevices(nullptr, 0, false, 0, true);
        ASSERT_TRUE(handler->IsControllerMode());
        Frame();
        Frame();
    }
    void TearDown() override
    {
        RInputHandler::DestroyInstance();
        for (int i = SDL_NumJoysticks(); i-- > 0;) {
            if (SDL_JoystickGetDeviceInstanceID(i) == m_pad)
                SDL_JoystickDetachVirtual(i);
        }
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    void Frame()
    {
        SDL_PumpEvents();
        handler->Update(1.0f / 60.0f);
    }
    SDL_Joystick* Device() { return SDL_JoystickFromInstanceID(m_pad); }

    SDL_JoystickID m_pad = -1;
};

TEST_F(ControllerCapture, AStickPushedWithAKeyIsTheStick)
{
    ASSERT_NE(Device(), nullptr);
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(Device(), SDL_CONTROLLER_AXIS_LEFTY, -30000), 0);
    Frame();
    Now().keys[SDL_SCANCODE_A] = 1;
    RDefinedInput input = Sentinel();
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.source, RDefinedInput::kControllerLeftY);
    EXPECT_EQ(input.direction, 1.0f) << "up is positive";

    Frame();
    EXPECT_TRUE(NothingCaptured(handler)) << "still held";
    SDL_JoystickSetVirtualAxis(Device(), SDL_CONTROLLER_AXIS_LEFTY, 0);
    SDL_JoystickSetVirtualAxis(Device(), SDL_CONTROLLER_AXIS_RIGHTX, 25000);
    Frame();
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.source, RDefinedInput::kControllerRightX);
    EXPECT_EQ(input.direction, 1.0f);
    SDL_JoystickSetVirtualAxis(Device(), SDL_CONTROLLER_AXIS_RIGHTX, 0);
    Frame();

    ASSERT_EQ(SDL_JoystickSetVirtualButton(Device(), SDL_CONTROLLER_BUTTON_Y, 1), 0);
    Frame();
    EXPECT_TRUE(Captured(handler, RDefinedInput::Button(RDefinedInput::kControllerButton, 3)));
    SDL_JoystickSetVirtualButton(Device(), SDL_CONTROLLER_BUTTON_Y, 0);
    Frame();
    SDL_JoystickSetVirtualButton(Device(), SDL_CONTROLLER_BUTTON_START, 1);
    Frame();
    Now().keys[SDL_SCANCODE_Q] = 1;
    EXPECT_TRUE(Captured(handler, Key(SDL_SCANCODE_Q))) << "a controller button does not replace a key";
}

TEST_F(ControllerCapture, ASlowTriggerIsCapturedWhereItsBindingStartsToRead)
{
    // 65 of a 0-255 trigger is 8,352.3 on SDL's scale.
    const int16_t ramp[] = {0, 65, 4000, 8223, 8300, 8352, 8353, 20000};
    int capturedAt = -1;
    for (int step = 0; step < 8; ++step) {
        NextFrame();
        Now().padAxes[SDL_CONTROLLER_AXIS_TRIGGERRIGHT] = ramp[step];
        RDefinedInput input = Sentinel();
        if (handler->CaptureInput(&input)) {
            EXPECT_EQ(input.source, RDefinedInput::kControllerRightTrigger);
            EXPECT_EQ(input.direction, 1.0f);
            EXPECT_EQ(capturedAt, -1) << "captured once";
            capturedAt = step;
        }
    }
    EXPECT_EQ(capturedAt, 6);
}

TEST_F(ControllerCapture, TheControllerOrderAndNoPlainJoystickInput)
{
    NextFrame();
    Now().padAxes[SDL_CONTROLLER_AXIS_RIGHTY] = 32767;
    Now().padAxes[SDL_CONTROLLER_AXIS_LEFTX] = -20000;
    Now().padAxes[SDL_CONTROLLER_AXIS_TRIGGERLEFT] = 32767;
    EXPECT_TRUE(Captured(handler, RDefinedInput::Axis(RDefinedInput::kControllerLeftTrigger, 1.0f)))
        << "triggers come first";
    Now().padAxes[SDL_CONTROLLER_AXIS_TRIGGERLEFT] = 0;
    RDefinedInput input = Sentinel();
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.source, RDefinedInput::kControllerLeftX);
    EXPECT_EQ(input.direction, -1.0f);
    Now().padAxes[SDL_CONTROLLER_AXIS_LEFTX] = 0;
    ASSERT_TRUE(handler->CaptureInput(&input));
    EXPECT_EQ(input.source, RDefinedInput::kControllerRightY);
    EXPECT_EQ(input.direction, -1.0f) << "down is negative";

    // Plain-joystick records are not looked at in controller mode.
    NextFrame();
    Joystick(1, 1, 1);
    Now().joyAxes[0] = 30000;
    Now().joyButtons[0] = 1;
    Now().joyHats[0] = SDL_HAT_UP;
    EXPECT_TRUE(NothingCaptured(handler));

    // A state without the six axes is not read.
    Before().padAxes.setSize(4);
    Now().padAxes[SDL_CONTROLLER_AXIS_LEFTX] = 30000;
    EXPECT_TRUE(NothingCaptured(handler));
}

const RHashedString kMenus("Menus");
const RHashedString kAccept("Accept");
const RHashedString kCancel("Cancel");

class BindingMenuWait : public CaptureFrames {
protected:
    void SetUp() override
    {
        config->AddGroup(kMenus, false, false, true, false);
        config->AddControl(kMenus, kAccept, false);
        config->AddControl(kMenus, kCancel, false);
        config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_RETURN));
        config->AddDefinedInput(kMenus, kCancel, Key(SDL_SCANCODE_SPACE));
    }
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        CaptureFrames::TearDown();
    }
    uint32_t Count(RHashedString control) { return config->FindInputList(kMenus, control)->getCount(); }

    RControlConfig* config = RControlConfig::GetInstance();
};

TEST_F(BindingMenuWait, ACaptureMovesTheBindingWithinTheGroup)
{
    RBindingCapture wait(kMenus, kAccept);
    EXPECT_EQ(wait.Update(), RBindingCapture::kWaiting);
    Now().keys[SDL_SCANCODE_SPACE] = 1;
    ASSERT_EQ(wait.Update(), RBindingCapture::kCaptured);
    EXPECT_EQ(wait.GetCaptured().source, RDefinedInput::kKeyboard);
    EXPECT_EQ(wait.GetCaptured().code, static_cast<uint32_t>(SDL_SCANCODE_SPACE));
    EXPECT_EQ(Count(kAccept), 2u);
    EXPECT_EQ(Count(kCancel), 0u) << "the same binding leaves the group's other actions";
}

TEST_F(BindingMenuWait, EscapeCancelsAndBackspaceClears)
{
    RBindingCapture wait(kMenus, kAccept);
    Now().keys[SDL_SCANCODE_ESCAPE] = 1;
    EXPECT_EQ(wait.Update(), RBindingCapture::kCancelled);
    EXPECT_EQ(Count(kAccept), 1u);
    EXPECT_EQ(Count(kCancel), 1u);

    NextFrame();
    Now().keys[SDL_SCANCODE_BACKSPACE] = 1;
    EXPECT_EQ(wait.Update(), RBindingCapture::kCleared);
    EXPECT_EQ(Count(kAccept), 0u);
    EXPECT_EQ(Count(kCancel), 1u);

    NextFrame();
    EXPECT_EQ(wait.Update(), RBindingCapture::kWaiting) << "held keys are neither cancels nor captures";
}

} // namespace
