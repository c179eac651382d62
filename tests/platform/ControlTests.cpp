// The control configuration: binding evaluation, actions, groups and refresh phases; logic tests write
// the handler's state directly, device tests drive SDL virtual devices through the handler into the actions.
#include "platform/input/RControlConfig.h"
#include "platform/input/RInput.h"
#include "platform/input/RInputHandler.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

using I = RDefinedInput;
const RHashedString kMenus("Menus");
const RHashedString kGameplay("Gameplay");
const RHashedString kAccept("Accept");
const RHashedString kCancel("Cancel");
const RHashedString kJump("Jump");
const RHashedString kMoveLeft("MoveLeft");
const RHashedString kMoveRight("MoveRight");

bool g_capturing = false;
std::vector<std::pair<uint32_t, uint32_t>> g_deviceChanges;

RDefinedInput Key(uint32_t scancode) { return I::Button(I::kKeyboard, scancode); }

// Menus (Accept, Cancel; refreshed per frame) and Gameplay (Jump, MoveLeft, MoveRight; yields, per fixed step).
class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_capturing = false;
        g_deviceChanges.clear();
        config->AddGroup(kMenus, false, false, true, false);
        config->AddGroup(kGameplay, true, true, false, false);
        config->AddControl(kMenus, kAccept, false);
        config->AddControl(kMenus, kCancel, false);
        config->AddControl(kGameplay, kJump, false);
        config->AddControl(kGameplay, kMoveLeft, false);
        config->AddControl(kGameplay, kMoveRight, false);
        config->SetDeviceChangedHook([](uint32_t from, uint32_t to) { g_deviceChanges.push_back({from, to}); });
    }
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        RInputHandler::DestroyInstance();
    }
    CompleteInputState& Now() { return handler->GetCurrentState(); }
    // One binding's contribution in the current (or previous) state.
    float Eval(const RDefinedInput& input, bool usePrevious = false)
    {
        bool mouseMoved = false;
        return RInput::EvaluateInput(input, usePrevious ? handler->GetPreviousState() : Now(), &mouseMoved);
    }
    // A frame: the handler's read (no keys without a window), the keys written in, the per-frame refresh.
    void Frame(float dt, float time, const std::vector<uint32_t>& held)
    {
        handler->Update(dt);
        for (uint32_t scancode : held)
            Now().keys[scancode] = 1;
        config->UpdateControls(RControlConfig::kPerFrame, dt, time);
    }
    uint32_t Count(RHashedString group, RHashedString control) { return config->FindInputList(group, control)->getCount(); }
    float Value(RHashedString group, RHashedString control) { return config->GetValue(group, control); }

    RInputHandler* handler = RInputHandler::GetInstance();
    RControlConfig* config = RControlConfig::GetInstance();
};

TEST_F(Controls, ButtonsReadTheirBitsAndNothingBeyondTheState)
{
    Now().keys[SDL_SCANCODE_SPACE] = 1;
    Now().keys[255] = 1;
    Now().mouseButtons = 1u | 4u | 0x80000000u; // left, right, bit 31
    Now().joyButtons.setSize(3);
    Now().joyButtons[2] = 1;
    const std::pair<RDefinedInput, float> cases[] = {
        {Key(SDL_SCANCODE_SPACE), 1}, {Key(SDL_SCANCODE_Z), 0}, {Key(255), 1}, {Key(256), 0}, {Key(0xFFFFFFFFu), 0},
        {I::Button(I::kMouseButton, 2), 1}, {I::Button(I::kMouseButton, 1), 0}, // left is code 2, middle 1
        {I::Button(I::kMouseButton, 3), 1}, {I::Button(I::kMouseButton, 32), 1}, {I::Button(I::kMouseButton, 0), 0},
        {I::Button(I::kMouseButton, 33), 0}, {I::Button(I::kMouseButton, 0xFFFFFFFFu), 0}, {I::Button(9, 1), 0},
        {I::Button(I::kJoystickButton, 2), 1}, {I::Button(I::kJoystickButton, 3), 0},
        {I::Axis(I::kHatX, 1.0f), 0}, {I{}, 0}, // no hats; an empty binding
    };
    for (const auto& c : cases)
        EXPECT_EQ(Eval(c.first), c.second) << "kind " << c.first.kind << " source " << c.first.source << " code " << c.first.code;

    // Controller sources read nothing without an open controller.
    Now().padAxes.setSize(6);
    Now().padButtons.setSize(15);
    for (uint32_t i = 0; i < 6; ++i)
        Now().padAxes[i] = 32767;
    Now().padButtons[0] = 1;
    EXPECT_EQ(Eval(I::Button(I::kControllerButton, 0)), 0.0f);
    for (uint32_t source = I::kControllerLeftX; source <= I::kControllerRightTrigger; ++source)
        EXPECT_EQ(Eval(I::Axis(source, 1.0f)) + Eval(I::Axis(source, -1.0f)), 0.0f) << source;
}

TEST_F(Controls, JoystickAxesSkipTheSlidersAndShapeLikeAStick)
{
    Now().joyAxes.setSize(24);
    for (uint32_t i = 0; i < 24; ++i)
        Now().joyAxes[i] = static_cast<int16_t>(7000 + 1000 * i);
    // Axis i is source 4 + i + i / 6; the sources between are sliders and read 0.
    for (uint32_t i = 0; i < 24; ++i)
        EXPECT_NEAR(Eval(I::Axis(4 + i + i / 6, 1.0f)), std::min(1.0f, (1000.0f * i + 856.0f) / 25600.0f), 1e-6f) << i;
    for (uint32_t slider : {10u, 17u, 24u, 31u, uint32_t(I::kMouseWheel)})
        EXPECT_EQ(Eval(I::Axis(slider, 1.0f)), 0.0f) << slider;

    // Dead zone, scale and sign; the direction's sign picks the half and its size weights it.
    const std::pair<int16_t, float> readings[] = {{0, 0.0f},       {6144, 0.0f},  {-6144, 0.0f},  {18944, 0.5f},
                                                  {-18944, -0.5f}, {31744, 1.0f}, {32767, 1.0f},  {-32768, -1.0f}};
    Now().joyAxes.setSize(1);
    for (const auto& reading : readings) {
        Now().joyAxes[0] = reading.first;
        EXPECT_NEAR(Eval(I::Axis(4, 1.0f)), std::max(reading.second, 0.0f), 1e-6f) << reading.first;
        EXPECT_NEAR(Eval(I::Axis(4, -2.0f)), std::max(-2.0f * reading.second, 0.0f), 1e-6f) << reading.first;
        EXPECT_EQ(Eval(I::Axis(4, 0.0f)), 0.0f);
        EXPECT_EQ(Eval(I::Axis(4, std::nanf(""))), 0.0f);
    }
    EXPECT_EQ(Eval(I::Axis(5, 1.0f)), 0.0f) << "an axis the joystick lacks";

    // Hats: only the first is read; diagonals are of unit length; impossible values read nothing.
    const float d = 0.707107f;
    const std::tuple<uint8_t, float, float> hats[] = {
        {SDL_HAT_CENTERED, 0, 0}, {SDL_HAT_UP, 0, 1},        {SDL_HAT_RIGHT, 1, 0},     {SDL_HAT_DOWN, 0, -1},
        {SDL_HAT_LEFT, -1, 0},    {SDL_HAT_RIGHTUP, d, d},   {SDL_HAT_RIGHTDOWN, d, -d}, {SDL_HAT_LEFTUP, -d, d},
        {SDL_HAT_LEFTDOWN, -d, -d}, {SDL_HAT_UP | SDL_HAT_DOWN, 0, 0}, {0xF0, 0, 0}};
    Now().joyHats.setSize(2);
    Now().joyHats[1] = SDL_HAT_UP;
    auto both = [&](uint32_t source) { return Eval(I::Axis(source, 1.0f)) - Eval(I::Axis(source, -1.0f)); };
    for (const auto& [hat, x, y] : hats) {
        Now().joyHats[0] = hat;
        EXPECT_FLOAT_EQ(both(I::kHatX), x) << int(hat);
        EXPECT_FLOAT_EQ(both(I::kHatY), y) << int(hat);
    }
}

TEST_F(Controls, AValueOfExactlyTheThresholdIsDownAndPresses)
{
    // An axis at 18,944 reads exactly 0.5 (past the dead zone of 6,144, over 25,600); one step less reads below.
    config->AddDefinedInput(kMenus, kAccept, I::Axis(4, 1.0f));
    const std::pair<int16_t, bool> frames[] = {{0, false},     {18943, false}, {18944, true},
                                               {18944, true},  {0, false},     {18944, true}};
    bool wasDown = false;
    float time = 0.0f;
    for (const auto& [axis, down] : frames) {
        handler->Update(0.016f);
        Now().joyAxes.setSize(1);
        Now().joyAxes[0] = axis;
        config->UpdateControls(RControlConfig::kPerFrame, 0.016f, time += 0.016f);
        EXPECT_EQ(down, Value(kMenus, kAccept) >= 0.5f) << axis;
        EXPECT_EQ(down, config->IsDown(kMenus, kAccept, 0.5f)) << axis;
        EXPECT_EQ(down && !wasDown, config->JustPressed(kMenus, kAccept, 0.5f)) << axis;
        wasDown = down;
    }
}

TEST_F(Controls, AddingABindingMovesItWithinItsGroupOnly)
{
    config->AddDefinedInput(kGameplay, kJump, Key(SDL_SCANCODE_SPACE));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_SPACE));
    config->AddDefinedInput(kMenus, kCancel, Key(SDL_SCANCODE_SPACE));
    EXPECT_EQ(Count(kMenus, kAccept), 0u);
    EXPECT_EQ(Count(kMenus, kCancel), 1u);
    EXPECT_EQ(Count(kGameplay, kJump), 1u) << "another group keeps it";
    // Axes match by the sign of their direction, whatever its size.
    config->AddDefinedInput(kGameplay, kMoveLeft, I::Axis(I::kControllerLeftX, -1.0f));
    config->AddDefinedInput(kGameplay, kMoveRight, I::Axis(I::kControllerLeftX, 1.0f));
    config->AddDefinedInput(kGameplay, kJump, I::Axis(I::kControllerLeftX, -0.25f));
    EXPECT_EQ(Count(kGameplay, kMoveLeft), 0u);
    EXPECT_EQ(Count(kGameplay, kMoveRight), 1u);
    EXPECT_EQ(Count(kGameplay, kJump), 2u);
    // A binding may be passed from the list it leaves.
    RUtilVector<RDefinedInput>& jump = *config->FindInputList(kGameplay, kJump);
    config->AddDefinedInput(kGameplay, kMoveLeft, jump[0]);
    EXPECT_EQ(Count(kGameplay, kMoveLeft), 1u);
    EXPECT_EQ(jump.getCount(), 1u);
}

// Registration refuses duplicates; lookups of missing names answer nothing; the prompt binding is the one of the
// last-used device class pressed most recently.
TEST_F(Controls, LookupsCountsAndThePrimaryBinding)
{
    const RHashedString kHidden("Hidden");
    EXPECT_EQ(config->AddGroup(kMenus, false, false, true, false), nullptr);
    EXPECT_EQ(config->AddControl(kMenus, kAccept, false), nullptr);
    EXPECT_EQ(config->AddControl(kHidden, kAccept, false), nullptr);
    EXPECT_EQ(config->AddControl2D(kHidden, kMoveLeft, kMoveRight, kJump, kJump), nullptr);
    config->AddGroup(kHidden, false, false, true, true);
    config->AddControl(kMenus, kHidden, true);
    EXPECT_EQ(config->GetNumGroups(), 3u);
    EXPECT_EQ(config->GetNumShownGroups(), 2u);
    EXPECT_EQ(config->GetNumControls(kMenus), 3u);
    EXPECT_EQ(config->GetNumShownControls(kMenus), 2u);
    EXPECT_EQ(config->GetGroupIndex(kGameplay), 1);
    EXPECT_EQ(config->GetControlIndex(kGameplay, kMoveRight), 2);
    EXPECT_EQ(config->GetControlIndex(kGameplay, kAccept), -1);
    EXPECT_TRUE(config->GetGroupName(3).IsEmpty());
    EXPECT_TRUE(config->GetControlName(kMenus, -1).IsEmpty());
    EXPECT_EQ(config->FindInputList(kHidden, kJump), nullptr);
    EXPECT_TRUE(config->AllControlsBound(kHidden));
    EXPECT_FALSE(config->AllControlsBound(kMenus));

    // Two keys never used: the first; after the second was pressed: the second. No key of the class: the first.
    config->AddDefinedInput(kMenus, kAccept, I::Button(I::kControllerButton, 0));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_RETURN));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_SPACE));
    EXPECT_EQ(config->GetPrimaryInput(kMenus, kAccept).code, uint32_t(SDL_SCANCODE_RETURN));
    Frame(0.1f, 1.0f, {SDL_SCANCODE_SPACE});
    EXPECT_EQ(config->GetPrimaryInput(kMenus, kAccept).code, uint32_t(SDL_SCANCODE_SPACE));
    EXPECT_EQ(RInput::GetMostRecentInput(*config->FindInputList(kMenus, kAccept), RInput::kJoystick).source,
              uint32_t(I::kControllerButton));
    EXPECT_EQ(config->GetPrimaryInput(kMenus, kJump).kind, uint32_t(I::kEmpty));

    RString dump;
    config->DumpControl(&dump);
    const std::string expected = "Menus.Accept: 1.0000 ()\nMenus.Cancel: 0.0000 ()\n";
    EXPECT_EQ(std::string(dump.GetString()).substr(0, expected.size()), expected);
}

TEST_F(Controls, GameActionsHaveOnePressEdgePerFixedStepAndYieldToACapture)
{
    config->AddDefinedInput(kGameplay, kJump, Key(SDL_SCANCODE_SPACE));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_SPACE));
    float gameTime = 0.0f;
    auto fixedStep = [&] {
        gameTime += 1.0f / 60.0f;
        config->UpdateControls(RControlConfig::kPerFixedStep, 1.0f / 60.0f, gameTime);
        return config->JustPressed(kGameplay, kJump, 0.5f);
    };
    Frame(0.05f, 0.05f, {SDL_SCANCODE_SPACE});
    EXPECT_TRUE(config->JustPressed(kMenus, kAccept, 0.5f));
    EXPECT_FALSE(config->IsDown(kGameplay, kJump, 0.5f)) << "not refreshed by the frame";
    EXPECT_TRUE(fixedStep());
    EXPECT_FALSE(fixedStep());
    EXPECT_TRUE(config->IsDown(kGameplay, kJump, 0.5f));
    Frame(0.05f, 0.10f, {SDL_SCANCODE_SPACE}); // a frame without a fixed step
    EXPECT_FALSE(config->JustPressed(kMenus, kAccept, 0.5f));
    EXPECT_FALSE(config->JustPressed(kGameplay, kJump, 0.5f));
    Frame(0.05f, 0.15f, {});
    EXPECT_TRUE(config->JustReleased(kMenus, kAccept, 0.5f));
    EXPECT_TRUE(config->IsDown(kGameplay, kJump, 0.5f)) << "until the next fixed step";
    fixedStep();
    EXPECT_TRUE(config->JustReleased(kGameplay, kJump, 0.5f));

    // While a subroutine captures input the yielding group answers nothing, yet is refreshed all along.
    config->SetInputCapturedHook([] { return g_capturing; });
    g_capturing = true;
    Frame(0.1f, 0.2f, {SDL_SCANCODE_SPACE});
    fixedStep();
    EXPECT_EQ(Value(kGameplay, kJump), 0.0f);
    EXPECT_FALSE(config->JustPressed(kGameplay, kJump, 0.5f) || config->IsDown(kGameplay, kJump, 0.5f) ||
                 config->WasUp(kGameplay, kJump, 0.5f) || config->PressedWithRepeat(kGameplay, kJump) > 0);
    EXPECT_EQ(Value(kMenus, kAccept), 1.0f) << "the menus do not yield";
    g_capturing = false;
    EXPECT_EQ(Value(kGameplay, kJump), 1.0f);
    EXPECT_TRUE(config->JustPressed(kGameplay, kJump, 0.5f));
}

TEST_F(Controls, MouseSpeedPassesUncappedAndIsZeroInAZeroStep)
{
    config->AddDefinedInput(kMenus, kAccept, I::Axis(I::kMouseX, 1.0f));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_A));
    handler->SetMouseScale(1.5f);
    for (int dx : {10, -10}) {
        handler->Update(0.02f);
        Now().mouseDX = dx;
        Now().keys[SDL_SCANCODE_A] = 1;
        config->UpdateControls(RControlConfig::kPerFrame, 0.02f, 1.0f);
        // No cap, no ramp; leftward motion is kept out by the sign test, yet it marks the mouse active.
        EXPECT_NEAR(Value(kMenus, kAccept), dx > 0 ? 10 * 50 * 1.5f + 1.0f : 1.0f, 0.01f);
        EXPECT_TRUE(config->FindGroup(kMenus)->controls[0]->mouseActive);
    }
    handler->Update(0.0f);
    Now().mouseDX = 10;
    Now().mouseDY = 10;
    config->UpdateControls(RControlConfig::kPerFrame, 0.0f, 1.02f);
    EXPECT_EQ(Value(kMenus, kAccept), 0.0f);
    EXPECT_EQ(Eval(I::Axis(I::kMouseY, 1.0f)), 0.0f);
}

class ControlDevices : public Controls {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        Controls::SetUp();
    }
    void TearDown() override
    {
        Controls::TearDown();
        for (int i = SDL_NumJoysticks(); i-- > 0;) {
            if (SDL_JoystickIsVirtual(i))
                SDL_JoystickDetachVirtual(i);
        }
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    SDL_Joystick* AttachAndOpen(SDL_JoystickType type, int axes, int buttons, int hats)
    {
        int index = SDL_JoystickAttachVirtual(type, axes, buttons, hats);
        if (index < 0)
            return nullptr;
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
        handler->InitDevices(nullptr, 0, false, 0, true);
        return SDL_JoystickFromInstanceID(id);
    }
    // A frame with one fixed step.
    void Step(float time)
    {
        SDL_PumpEvents();
        handler->Update(1.0f / 60.0f);
        config->UpdateControls(RControlConfig::kPerFrame, 1.0f / 60.0f, time);
        config->UpdateControls(RControlConfig::kPerFixedStep, 1.0f / 60.0f, time);
    }
};

TEST_F(ControlDevices, AVirtualControllerReachesTheActionsWithTheStickUpPositive)
{
    SDL_Joystick* pad = AttachAndOpen(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    ASSERT_TRUE(handler->IsControllerMode());
    config->AddDefinedInput(kGameplay, kMoveLeft, I::Axis(I::kControllerLeftX, -1.0f));
    config->AddDefinedInput(kGameplay, kMoveRight, I::Axis(I::kControllerLeftY, 1.0f));
    config->AddDefinedInput(kGameplay, kJump, I::Button(I::kControllerButton, 0));
    config->AddDefinedInput(kMenus, kAccept, I::Axis(I::kControllerRightTrigger, 1.0f));
    Step(0.0f);
    EXPECT_EQ(Value(kGameplay, kMoveLeft) + Value(kGameplay, kMoveRight) + Value(kGameplay, kJump), 0.0f);
    EXPECT_EQ(Value(kMenus, kAccept), 0.0f) << "a trigger at rest";
    EXPECT_TRUE(g_deviceChanges.empty());

    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, -32768); // pushed up
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
    Step(0.1f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kMoveLeft), 1.0f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kMoveRight), 1.0f);
    EXPECT_TRUE(config->JustPressed(kGameplay, kJump, 0.5f));
    EXPECT_EQ(g_deviceChanges, (std::vector<std::pair<uint32_t, uint32_t>>{{1u, 2u}}));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767); // pushed down
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    Step(0.3f);
    EXPECT_EQ(Value(kGameplay, kMoveRight), 0.0f);
    EXPECT_FLOAT_EQ(Value(kMenus, kAccept), 1.0f);
    EXPECT_EQ(g_deviceChanges.size(), 1u) << "told once while the controller stays in use";

    // Triggers use their whole travel: dead below 8,224, full from 30,840.
    const std::pair<int16_t, float> readings[] = {{0, 0.0f},     {240, 0.0f},   {8224, 0.0f}, {19532, 0.5f},
                                                  {30840, 1.0f}, {32767, 1.0f}, {-32768, 0.0f}};
    for (const auto& reading : readings) {
        Now().padAxes[SDL_CONTROLLER_AXIS_TRIGGERLEFT] = reading.first;
        EXPECT_NEAR(Eval(I::Axis(I::kControllerLeftTrigger, 1.0f)), reading.second, 1e-3f) << reading.first;
    }
    // The previous state of the first frame after opening has no controller axes or buttons.
    handler->CloseJoystick();
    Step(0.4f);
    handler->InitDevices(nullptr, 0, false, 0, true);
    Step(0.5f);
    ASSERT_EQ(handler->GetPreviousState().padAxes.getCount(), 0u);
    for (uint32_t source = I::kControllerLeftX; source <= I::kControllerRightTrigger; ++source)
        EXPECT_EQ(Eval(I::Axis(source, 1.0f), true), 0.0f);
    EXPECT_EQ(Eval(I::Button(I::kControllerButton, 0), true), 0.0f);
}

TEST_F(ControlDevices, APlainJoystickReachesTheActions)
{
    SDL_Joystick* stick = AttachAndOpen(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 4, 1);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    ASSERT_FALSE(handler->IsControllerMode());
    config->AddDefinedInput(kGameplay, kJump, I::Button(I::kJoystickButton, 3));
    config->AddDefinedInput(kGameplay, kMoveLeft, I::Axis(I::kHatX, -1.0f));
    config->AddDefinedInput(kGameplay, kMoveRight, I::Axis(I::kJoystickFirstAxis, 1.0f));
    SDL_JoystickSetVirtualButton(stick, 3, 1);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_LEFTUP);
    SDL_JoystickSetVirtualAxis(stick, 0, 18944);
    Step(0.0f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kJump), 1.0f);
    EXPECT_NEAR(Value(kGameplay, kMoveLeft), 0.707107f, 1e-5f);
    EXPECT_NEAR(Value(kGameplay, kMoveRight), 0.5f, 1e-4f);
    EXPECT_EQ(config->GetLastDeviceClass(), RInput::kJoystick);
}

// A plain joystick's button tapped twice between two frames is two presses of its action, as a key's taps are: two
// taps of Menu next (button 5) are two steps.
TEST_F(ControlDevices, TwoTapsOfAPlainJoysticksButtonWithinOneFrameCountTwo)
{
    SDL_Joystick* stick = AttachAndOpen(SDL_JOYSTICK_TYPE_ARCADE_STICK, 0, 6, 0);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    ASSERT_FALSE(handler->IsControllerMode());
    const RHashedString next("NavNext");
    config->AddControl(kMenus, next, false);
    config->AddDefinedInput(kMenus, next, I::Button(I::kJoystickButton, 5));
    // The frame as the base game runs it: SDL's events through the handler, then the read and the refresh.
    auto frame = [&](float time) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            handler->HandleEvent(event);
        handler->Update(1.0f / 60.0f);
        config->UpdateControls(RControlConfig::kPerFrame, 1.0f / 60.0f, time);
    };
    frame(0.0f);
    for (int tap = 0; tap < 2; ++tap) {
        SDL_JoystickSetVirtualButton(stick, 5, 1);
        SDL_JoystickUpdate();
        SDL_JoystickSetVirtualButton(stick, 5, 0);
        SDL_JoystickUpdate();
    }
    frame(0.1f);
    EXPECT_EQ(config->PressedWithRepeat(kMenus, next), 2u);
    frame(0.2f);
    EXPECT_EQ(config->PressedWithRepeat(kMenus, next), 0u);
}

} // namespace
