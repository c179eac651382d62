// Binding capture: what CaptureInput makes of the change between the previous and current state, and the bindings
// menu's wait (RBindingCapture).
#include "platform/input/RBindingCapture.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <initializer_list>
#include <string>

namespace {

using I = RDefinedInput;

RDefinedInput Sentinel()
{
    RDefinedInput input = I::Button(99, 99);
    input.lastUsed = 5.0f;
    return input;
}

// Captures and compares kind, source, code and lastUsed (0 after a capture); expected kind 0: nothing written.
::testing::AssertionResult Capture(RInputHandler* handler, const RDefinedInput& expected)
{
    RDefinedInput input = Sentinel();
    const bool captured = handler->CaptureInput(&input);
    const RDefinedInput wanted = expected.kind ? expected : Sentinel();
    if (captured != (expected.kind != 0) || input.kind != wanted.kind || input.source != wanted.source ||
        input.code != wanted.code || input.lastUsed != (captured ? 0.0f : 5.0f))
        return ::testing::AssertionFailure() << "captured " << captured << ": kind " << input.kind << " source "
                                             << input.source << " direction " << input.direction;
    return ::testing::AssertionSuccess();
}
const RDefinedInput kNothing{};

RDefinedInput Key(uint32_t scancode) { return I::Button(I::kKeyboard, scancode); }

// Frames advance by moving the current state into the previous one; the test then writes the new current state.
class CaptureFrames : public ::testing::Test {
protected:
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        RInputHandler::DestroyInstance();
    }
    CompleteInputState& Now() { return handler->GetCurrentState(); }
    CompleteInputState& Before() { return handler->GetPreviousState(); }
    void NextFrame()
    {
        Before().CopyFrom(Now());
        Now().mouseDX = 0;
    }
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
    ::testing::AssertionResult Captures(const RDefinedInput& expected) { return Capture(handler, expected); }

    RInputHandler* handler = RInputHandler::GetInstance();
};

TEST_F(CaptureFrames, OnlyANewPressIsCaptured)
{
    EXPECT_FALSE(handler->CaptureInput(nullptr));
    Now().keys[SDL_SCANCODE_J] = 1;
    Before().keys[SDL_SCANCODE_J] = 1;
    EXPECT_TRUE(Captures(kNothing)) << "a key already held when the wait starts";
    NextFrame();
    Now().keys[SDL_SCANCODE_Z] = 1;
    Now().keys[SDL_SCANCODE_B] = 1;
    EXPECT_TRUE(Captures(Key(SDL_SCANCODE_B))) << "the lowest scancode of this frame's presses";

    // A horizontal mouse move of more than ten pixels is captured; vertical motion never counts.
    NextFrame();
    Now().mouseDX = 10;
    Now().mouseDY = 200;
    EXPECT_TRUE(Captures(kNothing));
    const std::pair<int32_t, float> moves[] = {{-11, -1.0f}, {40, 1.0f}, {INT32_MIN, -1.0f}};
    for (const auto& move : moves) {
        Now().mouseDX = move.first;
        EXPECT_TRUE(Captures(I::Axis(I::kMouseX, move.second))) << move.first;
    }
}

TEST_F(CaptureFrames, AJoystickAxisCrossingHalfItsTravelWithinBothStates)
{
    Joystick(26, 0, 0);
    Now().joyAxes[0] = 16384;
    EXPECT_TRUE(Captures(kNothing));
    Now().joyAxes[0] = -16385;
    Now().keys[SDL_SCANCODE_A] = 1;
    EXPECT_TRUE(Captures(I::Axis(4, -1.0f))) << "the axis outranks the key of the same frame";
    // Held past half: nothing until it comes back and crosses again.
    NextFrame();
    Now().joyAxes[0] = -32768;
    EXPECT_TRUE(Captures(kNothing));
    NextFrame();
    Now().joyAxes[0] = -16384;
    EXPECT_TRUE(Captures(kNothing));
    NextFrame();
    Now().joyAxes[0] = 32767;
    EXPECT_TRUE(Captures(I::Axis(4, 1.0f)));

    // Axes past the 24th have no source.
    Now().joyAxes[0] = 0;
    NextFrame();
    Now().joyAxes[24] = 32767;
    Now().joyAxes[25] = -32767;
    EXPECT_TRUE(Captures(kNothing));

    // An axis the last frame lacked is skipped.
    Joystick(2, 0, 0);
    Before().joyAxes.setSize(1);
    Now().joyAxes[1] = 30000;
    EXPECT_TRUE(Captures(kNothing));
}

TEST_F(CaptureFrames, HatsAndJoystickButtonsWithinBothStates)
{
    Joystick(0, 4, 2);
    // Each step: the first hat's value, and the capture (source 0: none) with its direction.
    struct Step {
        uint8_t hat;
        uint32_t source;
        float direction;
    };
    const Step steps[] = {
        {SDL_HAT_LEFTUP, I::kHatX, -1.0f}, // a diagonal from the centre is the x direction
        {SDL_HAT_UP, 0, 0},                // y was already off centre
        {SDL_HAT_RIGHTUP, I::kHatX, 1.0f},
        {SDL_HAT_RIGHTDOWN, 0, 0},         // neither direction was centred before
        {SDL_HAT_RIGHT, 0, 0},
        {SDL_HAT_RIGHTDOWN, I::kHatY, -1.0f},
        {SDL_HAT_CENTERED, 0, 0},
        {SDL_HAT_UP | SDL_HAT_DOWN, 0, 0}, // no direction
    };
    for (const Step& step : steps) {
        NextFrame();
        Now().joyHats[0] = step.hat;
        Now().joyHats[1] = SDL_HAT_UP; // a second hat is never captured
        EXPECT_TRUE(Captures(step.source ? I::Axis(step.source, step.direction) : kNothing)) << int(step.hat);
    }
    NextFrame();
    Before().joyButtons.setSize(2);
    Now().joyButtons[3] = 1;
    EXPECT_TRUE(Captures(kNothing)) << "a button the last frame lacked";
    Now().joyButtons[1] = 1;
    EXPECT_TRUE(Captures(I::Button(I::kJoystickButton, 1)));
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
        CaptureFrames::TearDown();
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

    SDL_JoystickID m_pad = -1;
};

TEST_F(ControllerCapture, ASlowTriggerIsCapturedOnceWhereItsBindingStartsToRead)
{
    // 65 of a 0-255 trigger is 8,352.3 on SDL's scale.
    const int16_t ramp[] = {0, 65, 4000, 8223, 8300, 8352, 8353, 20000};
    int capturedAt = -1;
    for (int step = 0; step < 8; ++step) {
        NextFrame();
        Now().padAxes[SDL_CONTROLLER_AXIS_TRIGGERRIGHT] = ramp[step];
        if (Captures(I::Axis(I::kControllerRightTrigger, 1.0f))) {
            EXPECT_EQ(capturedAt, -1) << "captured once";
            capturedAt = step;
        }
    }
    EXPECT_EQ(capturedAt, 6);
}

TEST_F(CaptureFrames, TheBindingMenuWaitCapturesCancelsAndClears)
{
    const RHashedString menus("Menus"), accept("Accept"), cancel("Cancel");
    RControlConfig* config = RControlConfig::GetInstance();
    config->AddGroup(menus, false, false, true, false);
    config->AddControl(menus, accept, false);
    config->AddControl(menus, cancel, false);
    config->AddDefinedInput(menus, accept, Key(SDL_SCANCODE_RETURN));
    config->AddDefinedInput(menus, cancel, Key(SDL_SCANCODE_SPACE));
    auto count = [&](RHashedString control) { return config->FindInputList(menus, control)->getCount(); };

    RBindingCapture wait(menus, accept);
    EXPECT_EQ(wait.Update(), RBindingCapture::kWaiting);
    Now().keys[SDL_SCANCODE_ESCAPE] = 1;
    EXPECT_EQ(wait.Update(), RBindingCapture::kCancelled);
    EXPECT_EQ(count(accept), 1u);
    NextFrame();
    EXPECT_EQ(wait.Update(), RBindingCapture::kWaiting) << "held keys are neither cancels nor captures";
    Now().keys[SDL_SCANCODE_SPACE] = 1;
    ASSERT_EQ(wait.Update(), RBindingCapture::kCaptured);
    EXPECT_EQ(wait.GetCaptured().code, static_cast<uint32_t>(SDL_SCANCODE_SPACE));
    EXPECT_EQ(count(accept), 2u);
    EXPECT_EQ(count(cancel), 0u) << "the same binding leaves the group's other actions";
    NextFrame();
    Now().keys[SDL_SCANCODE_BACKSPACE] = 1;
    EXPECT_EQ(wait.Update(), RBindingCapture::kCleared);
    EXPECT_EQ(count(accept), 0u);
}

} // namespace
