// The control configuration: binding evaluation, actions, groups and their refresh phases, queries, the default
// bindings and prompt labels. Logic tests write the input handler's state records directly; the device tests
// drive SDL virtual game controllers and joysticks through the handler into the actions.
#include "core/RLocMgr.h"
#include "core/RStreamMgr.h"
#include "platform/input/RBindingLabel.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefaultBindings.h"
#include "platform/input/RInput.h"
#include "platform/input/RInputHandler.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

const RHashedString kMenus("Menus");
const RHashedString kGameplay("Gameplay");
const RHashedString kAccept("Accept");
const RHashedString kCancel("Cancel");
const RHashedString kJump("Jump");
const RHashedString kMoveLeft("MoveLeft");
const RHashedString kMoveRight("MoveRight");

bool g_capturing = false;
bool Capturing()
{
    return g_capturing;
}

std::vector<std::pair<uint32_t, uint32_t>> g_deviceChanges;
void RecordDeviceChange(uint32_t oldClass, uint32_t newClass)
{
    g_deviceChanges.push_back({oldClass, newClass});
}

RDefinedInput Key(uint32_t scancode)
{
    return RDefinedInput::Button(RDefinedInput::kKeyboard, scancode);
}

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
    }
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        RInputHandler::DestroyInstance();
    }

    CompleteInputState& Now() { return handler->GetCurrentState(); }
    CompleteInputState& Before() { return handler->GetPreviousState(); }

    // One binding's contribution in the current (or previous) state.
    float Eval(const RDefinedInput& input, bool usePrevious = false)
    {
        bool mouseMoved = false;
        return RInput::EvaluateInput(input, usePrevious ? Before() : Now(), &mouseMoved);
    }
    // A frame: the handler's read (which sees no keys without a window), the keys written in, the per-frame
    // refresh.
    void Frame(float dt, float time, std::initializer_list<uint32_t> held)
    {
        handler->Update(dt);
        for (uint32_t scancode : held)
            Now().keys[scancode] = 1;
        config->UpdateControls(RControlConfig::kPerFrame, dt, time);
    }
    float Value(RHashedString group, RHashedString control) { return config->GetValue(group, control); }

    RInputHandler* handler = RInputHandler::GetInstance();
    RControlConfig* config = RControlConfig::GetInstance();
};

} // namespace

TEST_F(Controls, KeysAndMouseButtonsReadTheirBitsAndNothingBeyond)
{
    Now().keys[SDL_SCANCODE_SPACE] = 1;
    Now().keys[255] = 1;
    EXPECT_EQ(Eval(Key(SDL_SCANCODE_SPACE)), 1.0f);
    EXPECT_EQ(Eval(Key(SDL_SCANCODE_Z)), 0.0f);
    EXPECT_EQ(Eval(Key(255)), 1.0f);
    EXPECT_EQ(Eval(Key(256)), 0.0f);
    EXPECT_EQ(Eval(Key(0xFFFFFFFFu)), 0.0f);

    auto mouse = [](uint32_t code) { return RDefinedInput::Button(RDefinedInput::kMouseButton, code); };
    Now().mouseButtons = 1u; // left only
    EXPECT_EQ(Eval(mouse(2)), 1.0f);
    EXPECT_EQ(Eval(mouse(1)), 0.0f);
    Now().mouseButtons = 2u; // middle only
    EXPECT_EQ(Eval(mouse(1)), 1.0f);
    EXPECT_EQ(Eval(mouse(2)), 0.0f);
    Now().mouseButtons = 4u; // right
    EXPECT_EQ(Eval(mouse(3)), 1.0f);
    Now().mouseButtons = 0xFFFFFFFFu;
    EXPECT_EQ(Eval(mouse(32)), 1.0f) << "code 32 tests bit 31";
    EXPECT_EQ(Eval(mouse(0)), 0.0f);
    EXPECT_EQ(Eval(mouse(33)), 0.0f) << "no bit 32";
    EXPECT_EQ(Eval(mouse(0xFFFFFFFFu)), 0.0f);
    EXPECT_EQ(Eval(RDefinedInput::Button(9, 1)), 0.0f) << "unknown button source";
}

TEST_F(Controls, JoystickAxesSkipTheSlidersAndShapeLikeAStick)
{
    Now().joyAxes.setSize(24);
    for (uint32_t i = 0; i < 24; ++i)
        Now().joyAxes[i] = static_cast<int16_t>(7000 + 1000 * i);
    // Axis i is source 4 + i + i / 6; the sources between are sliders and read 0.
    for (uint32_t i = 0; i < 24; ++i) {
        float expected = (7000.0f + 1000.0f * i - 6144.0f) / 25600.0f;
        if (expected > 1.0f)
            expected = 1.0f;
        EXPECT_NEAR(Eval(RDefinedInput::Axis(4 + i + i / 6, 1.0f)), expected, 1e-6f) << "axis " << i;
    }
    for (uint32_t slider : {10u, 17u, 24u, 31u})
        EXPECT_EQ(Eval(RDefinedInput::Axis(slider, 1.0f)), 0.0f);
    EXPECT_EQ(Eval(RDefinedInput::Axis(RDefinedInput::kMouseWheel, 1.0f)), 0.0f);

    const std::pair<int16_t, float> readings[] = {{0, 0.0f},        {6144, 0.0f},     {-6144, 0.0f},
                                                  {18944, 0.5f},    {-18944, -0.5f},  {31744, 1.0f},
                                                  {32767, 1.0f},    {-32768, -1.0f}};
    Now().joyAxes.setSize(1);
    for (const auto& reading : readings) {
        Now().joyAxes[0] = reading.first;
        float wanted = reading.second;
        EXPECT_NEAR(Eval(RDefinedInput::Axis(4, 1.0f)), wanted > 0 ? wanted : 0.0f, 1e-6f) << reading.first;
        EXPECT_NEAR(Eval(RDefinedInput::Axis(4, -1.0f)), wanted < 0 ? -wanted : 0.0f, 1e-6f) << reading.first;
    }
    EXPECT_EQ(Eval(RDefinedInput::Axis(5, 1.0f)), 0.0f) << "an axis the joystick lacks";
    EXPECT_EQ(Eval(RDefinedInput::Axis(4, 1.0f), true), 0.0f) << "the previous state has no axes";
}

TEST_F(Controls, AnAxisKeepsOnlyItsSignWeightedByItsDirection)
{
    Now().joyAxes.setSize(1);
    Now().joyAxes[0] = 31744;
    EXPECT_FLOAT_EQ(Eval(RDefinedInput::Axis(4, 0.5f)), 0.5f);
    EXPECT_EQ(Eval(RDefinedInput::Axis(4, 0.0f)), 0.0f);
    EXPECT_EQ(Eval(RDefinedInput::Axis(4, std::nanf(""))), 0.0f);
    Now().joyAxes[0] = -31744;
    EXPECT_EQ(Eval(RDefinedInput::Axis(4, 0.0f)), 0.0f) << "a zero direction keeps a negative reading times 0";
    EXPECT_FLOAT_EQ(Eval(RDefinedInput::Axis(4, -2.0f)), 2.0f);
    EXPECT_EQ(Eval(RDefinedInput{}), 0.0f) << "an empty binding";
    EXPECT_EQ(RInput::GetDeviceClass(RDefinedInput{}), 0u);
}

TEST_F(Controls, HatDirectionsAndJoystickButtonsStayInsideTheState)
{
    Now().joyButtons.setSize(3);
    Now().joyButtons[2] = 1;
    EXPECT_EQ(Eval(RDefinedInput::Button(RDefinedInput::kJoystickButton, 2)), 1.0f);
    EXPECT_EQ(Eval(RDefinedInput::Button(RDefinedInput::kJoystickButton, 3)), 0.0f);
    EXPECT_EQ(Eval(RDefinedInput::Button(RDefinedInput::kJoystickButton, 2), true), 0.0f);
    EXPECT_EQ(Eval(RDefinedInput::Axis(RDefinedInput::kHatX, 1.0f)), 0.0f) << "no hats";

    struct HatCase {
        uint8_t hat;
        float x;
        float y;
    };
    const float d = 0.707107f;
    const HatCase cases[] = {{SDL_HAT_CENTERED, 0, 0},    {SDL_HAT_UP, 0, 1},        {SDL_HAT_RIGHT, 1, 0},
                             {SDL_HAT_DOWN, 0, -1},        {SDL_HAT_LEFT, -1, 0},     {SDL_HAT_RIGHTUP, d, d},
                             {SDL_HAT_RIGHTDOWN, d, -d},   {SDL_HAT_LEFTUP, -d, d},   {SDL_HAT_LEFTDOWN, -d, -d},
                             {SDL_HAT_UP | SDL_HAT_DOWN, 0, 0}, {0xF0, 0, 0}};
    Now().joyHats.setSize(2);
    Now().joyHats[1] = SDL_HAT_UP; // only the first hat is read
    for (const HatCase& c : cases) {
        Now().joyHats[0] = c.hat;
        auto both = [&](uint32_t source) {
            return Eval(RDefinedInput::Axis(source, 1.0f)) - Eval(RDefinedInput::Axis(source, -1.0f));
        };
        EXPECT_FLOAT_EQ(both(RDefinedInput::kHatX), c.x) << int(c.hat);
        EXPECT_FLOAT_EQ(both(RDefinedInput::kHatY), c.y) << int(c.hat);
    }
}

TEST_F(Controls, ControllerSourcesReadNothingWithoutAnOpenController)
{
    Now().padAxes.setSize(6);
    Now().padButtons.setSize(15);
    for (uint32_t i = 0; i < 6; ++i)
        Now().padAxes[i] = 32767;
    Now().padButtons[0] = 1;
    EXPECT_EQ(Eval(RDefinedInput::Button(RDefinedInput::kControllerButton, 0)), 0.0f);
    for (uint32_t source = RDefinedInput::kControllerLeftX; source <= RDefinedInput::kControllerRightTrigger; ++source)
        EXPECT_EQ(Eval(RDefinedInput::Axis(source, 1.0f)) + Eval(RDefinedInput::Axis(source, -1.0f)), 0.0f);
}

TEST_F(Controls, DeviceClassFollowsTheLastActiveBindingAndStampsItsTime)
{
    RUtilVector<RDefinedInput> inputs;
    inputs.push(Key(SDL_SCANCODE_A));
    inputs.push(RDefinedInput::Button(RDefinedInput::kJoystickButton, 0));
    inputs.push(Key(SDL_SCANCODE_B));
    Now().keys[SDL_SCANCODE_A] = 1;
    Now().joyButtons.setSize(1);
    Now().joyButtons[0] = 1;
    bool any = false;
    bool mouse = true;
    uint32_t deviceClass = 0;
    EXPECT_EQ(RInput::EvaluateBindings(inputs, false, &any, &mouse, &deviceClass, 4.5f), 2.0f);
    EXPECT_TRUE(any);
    EXPECT_FALSE(mouse);
    EXPECT_EQ(deviceClass, RInput::kJoystick);
    EXPECT_EQ(inputs[0].lastUsed, 4.5f);
    EXPECT_EQ(inputs[1].lastUsed, 4.5f);
    EXPECT_EQ(inputs[2].lastUsed, 0.0f);

    // The previous state: nothing held, so nothing changes but the flags.
    deviceClass = 7;
    EXPECT_EQ(RInput::EvaluateBindings(inputs, true, &any, &mouse, &deviceClass, 9.0f), 0.0f);
    EXPECT_FALSE(any);
    EXPECT_EQ(deviceClass, 7u);
    EXPECT_EQ(RInput::EvaluateBindingsDelta(inputs), 2.0f);
    EXPECT_EQ(inputs[0].lastUsed, 4.5f) << "the delta records no use";
}

TEST_F(Controls, TheMostRecentInputOfAClass)
{
    RUtilVector<RDefinedInput> inputs;
    EXPECT_EQ(RInput::GetMostRecentInput(inputs, RInput::kKeyboardMouse).kind, 0u);
    inputs.push(RDefinedInput::Button(RDefinedInput::kControllerButton, 3));
    inputs.push(Key(SDL_SCANCODE_A));
    inputs.push(Key(SDL_SCANCODE_B));
    EXPECT_EQ(RInput::GetMostRecentInput(inputs, RInput::kKeyboardMouse).code, uint32_t(SDL_SCANCODE_A));
    EXPECT_EQ(RInput::GetMostRecentInput(inputs, RInput::kJoystick).code, 3u) << "none of the class: the first";

    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_A));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_B));
    EXPECT_EQ(config->GetPrimaryInput(kMenus, kAccept).code, uint32_t(SDL_SCANCODE_A));
    Frame(0.1f, 2.0f, {SDL_SCANCODE_B});
    EXPECT_EQ(config->GetPrimaryInput(kMenus, kAccept).code, uint32_t(SDL_SCANCODE_B));
    EXPECT_EQ(config->GetPrimaryInput(kMenus, RHashedString("Nothing")).kind, 0u);
}

TEST_F(Controls, RegistrationRefusesDuplicatesAndLookupsAnswerByPosition)
{
    EXPECT_EQ(config->AddGroup(kMenus, true, true, true, true), nullptr);
    EXPECT_EQ(config->AddControl(kMenus, kAccept, true), nullptr);
    EXPECT_EQ(config->AddControl(RHashedString("Missing"), kAccept, false), nullptr);
    ASSERT_NE(config->AddGroup(RHashedString("Hidden"), false, false, true, true), nullptr);
    ASSERT_NE(config->AddControl(kMenus, RHashedString("Secret"), true), nullptr);

    EXPECT_EQ(config->GetNumGroups(), 3u);
    EXPECT_EQ(config->GetNumShownGroups(), 2u);
    EXPECT_EQ(config->GetNumControls(kMenus), 3u);
    EXPECT_EQ(config->GetNumShownControls(kMenus), 2u);
    EXPECT_EQ(config->GetNumControls(RHashedString("Missing")), 0u);
    EXPECT_EQ(config->GetGroupIndex(kGameplay), 1);
    EXPECT_EQ(config->GetGroupIndex(RHashedString("Missing")), -1);
    EXPECT_EQ(config->GetControlIndex(kGameplay, kMoveRight), 2);
    EXPECT_EQ(config->GetControlIndex(kGameplay, kAccept), -1);
    EXPECT_EQ(config->GetGroupName(0), kMenus);
    EXPECT_TRUE(config->GetGroupName(3).IsEmpty());
    EXPECT_TRUE(config->GetGroupName(-1).IsEmpty());
    EXPECT_EQ(config->GetControlName(kMenus, 1), kCancel);
    EXPECT_TRUE(config->GetControlName(kMenus, 3).IsEmpty());
    RControlGroup* group = nullptr;
    RNamedControl* control = nullptr;
    EXPECT_TRUE(config->GetGroupAt(&group, 1));
    EXPECT_EQ(group->name, kGameplay);
    EXPECT_FALSE(config->GetGroupAt(&group, 3));
    EXPECT_TRUE(config->GetControlAt(kGameplay, &control, 0));
    EXPECT_EQ(control->name, kJump);
    EXPECT_FALSE(config->GetControlAt(kGameplay, &control, -1));
    EXPECT_EQ(config->FindInputList(kMenus, kJump), nullptr);

    EXPECT_TRUE(config->AllControlsBound(RHashedString("Hidden"))) << "an empty group";
    EXPECT_TRUE(config->AllControlsBound(RHashedString("Missing")));
    EXPECT_FALSE(config->AllControlsBound(kGameplay));
    config->AddDefinedInput(kGameplay, kJump, Key(1));
    config->AddDefinedInput(kGameplay, kMoveLeft, Key(2));
    config->AddDefinedInput(kGameplay, kMoveRight, Key(3));
    EXPECT_TRUE(config->AllControlsBound(kGameplay));
    config->ClearControlInputs(kGameplay, kJump);
    EXPECT_FALSE(config->AllControlsBound(kGameplay));
}

TEST_F(Controls, AddingABindingMovesItWithinItsGroupOnly)
{
    config->AddDefinedInput(kGameplay, kJump, Key(SDL_SCANCODE_SPACE));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_SPACE));
    config->AddDefinedInput(kMenus, kCancel, Key(SDL_SCANCODE_SPACE));
    EXPECT_EQ(config->FindInputList(kMenus, kAccept)->getCount(), 0u);
    EXPECT_EQ(config->FindInputList(kMenus, kCancel)->getCount(), 1u);
    EXPECT_EQ(config->FindInputList(kGameplay, kJump)->getCount(), 1u) << "another group keeps it";

    // Axes match by the sign of their direction, whatever its size.
    config->AddDefinedInput(kGameplay, kMoveLeft, RDefinedInput::Axis(RDefinedInput::kControllerLeftX, -1.0f));
    config->AddDefinedInput(kGameplay, kMoveRight, RDefinedInput::Axis(RDefinedInput::kControllerLeftX, 1.0f));
    EXPECT_EQ(config->FindInputList(kGameplay, kMoveLeft)->getCount(), 1u);
    config->AddDefinedInput(kGameplay, kJump, RDefinedInput::Axis(RDefinedInput::kControllerLeftX, -0.25f));
    EXPECT_EQ(config->FindInputList(kGameplay, kMoveLeft)->getCount(), 0u);
    EXPECT_EQ(config->FindInputList(kGameplay, kMoveRight)->getCount(), 1u);
    EXPECT_EQ(config->FindInputList(kGameplay, kJump)->getCount(), 2u);

    // Adding a binding again keeps one copy, moved to the end.
    config->AddDefinedInput(kGameplay, kJump, Key(SDL_SCANCODE_SPACE));
    RUtilVector<RDefinedInput>& jump = *config->FindInputList(kGameplay, kJump);
    ASSERT_EQ(jump.getCount(), 2u);
    EXPECT_EQ(jump[1].code, uint32_t(SDL_SCANCODE_SPACE));
    // The binding may be passed from the very list it is removed from.
    config->AddDefinedInput(kGameplay, kMoveLeft, jump[0]);
    EXPECT_EQ(config->FindInputList(kGameplay, kMoveLeft)->getCount(), 1u);
    EXPECT_EQ(jump.getCount(), 1u);

    config->ClearAllInputs();
    EXPECT_EQ(config->FindInputList(kGameplay, kMoveRight)->getCount(), 0u);
}

TEST_F(Controls, TwoHeldKeysRampFromOneTowardTheirSum)
{
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_A));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_B));
    Frame(0.1f, 1.0f, {SDL_SCANCODE_A});
    EXPECT_FLOAT_EQ(Value(kMenus, kAccept), 1.0f);
    Frame(0.1f, 1.1f, {SDL_SCANCODE_A, SDL_SCANCODE_B});
    EXPECT_FLOAT_EQ(Value(kMenus, kAccept), 1.0f) << "the ramp starts at its start level";
    Frame(0.1f, 1.2f, {SDL_SCANCODE_A, SDL_SCANCODE_B});
    EXPECT_NEAR(Value(kMenus, kAccept), 1.1f, 1e-5f);
    Frame(0.1f, 1.3f, {SDL_SCANCODE_A, SDL_SCANCODE_B});
    EXPECT_NEAR(Value(kMenus, kAccept), 1.19f, 1e-5f);
    Frame(0.1f, 1.4f, {SDL_SCANCODE_A});
    EXPECT_FLOAT_EQ(Value(kMenus, kAccept), 1.0f) << "one key again";
    Frame(0.1f, 1.5f, {});
    EXPECT_EQ(Value(kMenus, kAccept), 0.0f);
    Frame(0.1f, 1.6f, {SDL_SCANCODE_A, SDL_SCANCODE_B});
    Frame(0.1f, 1.7f, {SDL_SCANCODE_A, SDL_SCANCODE_B});
    EXPECT_NEAR(Value(kMenus, kAccept), 1.1f, 1e-5f) << "the cap went back to 1 while nothing was held";
}

TEST_F(Controls, GameActionsHaveOnePressEdgePerFixedStep)
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
    EXPECT_FALSE(config->WasUp(kGameplay, kJump, 0.5f));
    fixedStep();
    EXPECT_TRUE(config->WasUp(kGameplay, kJump, 0.5f));
    EXPECT_FALSE(config->JustReleased(kGameplay, kJump, 0.5f));
}

TEST_F(Controls, MouseSpeedPassesUncappedAndIsZeroInAZeroStep)
{
    config->AddDefinedInput(kMenus, kAccept, RDefinedInput::Axis(RDefinedInput::kMouseX, 1.0f));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_A));
    handler->SetMouseScale(1.5f);
    handler->Update(0.02f);
    Now().mouseDX = 10;
    Now().keys[SDL_SCANCODE_A] = 1;
    config->UpdateControls(RControlConfig::kPerFrame, 0.02f, 1.0f);
    EXPECT_NEAR(Value(kMenus, kAccept), 10 * 50 * 1.5f + 1.0f, 0.01f) << "no cap, no ramp";

    // Leftward motion is kept out by the sign test, yet it still marks the mouse active.
    handler->Update(0.02f);
    Now().mouseDX = -10;
    Now().keys[SDL_SCANCODE_A] = 1;
    config->UpdateControls(RControlConfig::kPerFrame, 0.02f, 1.02f);
    EXPECT_FLOAT_EQ(Value(kMenus, kAccept), 1.0f);
    RControlGroup* group = config->FindGroup(kMenus);
    EXPECT_TRUE(group->controls[0]->mouseActive);

    handler->Update(0.0f);
    Now().mouseDX = 10;
    Now().mouseDY = 10;
    config->UpdateControls(RControlConfig::kPerFrame, 0.0f, 1.02f);
    EXPECT_EQ(Value(kMenus, kAccept), 0.0f);
    EXPECT_EQ(Eval(RDefinedInput::Axis(RDefinedInput::kMouseY, 1.0f)), 0.0f);
}

TEST_F(Controls, YieldingGroupsAnswerNothingWhileASubroutineCapturesInput)
{
    config->SetInputCapturedHook(&Capturing);
    config->AddDefinedInput(kGameplay, kJump, Key(SDL_SCANCODE_SPACE));
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_SPACE));
    g_capturing = true;
    Frame(0.1f, 0.1f, {SDL_SCANCODE_SPACE});
    config->UpdateControls(RControlConfig::kPerFixedStep, 0.1f, 0.1f);
    EXPECT_EQ(Value(kGameplay, kJump), 0.0f);
    EXPECT_FALSE(config->JustPressed(kGameplay, kJump, 0.5f));
    EXPECT_FALSE(config->IsDown(kGameplay, kJump, 0.5f));
    EXPECT_FALSE(config->WasUp(kGameplay, kJump, 0.5f));
    EXPECT_FALSE(config->PressedWithRepeat(kGameplay, kJump));
    EXPECT_EQ(Value(kMenus, kAccept), 1.0f) << "the menus do not yield";
    g_capturing = false;
    EXPECT_EQ(Value(kGameplay, kJump), 1.0f) << "refreshed all along";
    EXPECT_TRUE(config->JustPressed(kGameplay, kJump, 0.5f));
}

TEST_F(Controls, MenusRepeatAfterTheDelayThenAtTheInterval)
{
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_RETURN));
    std::string seen;
    for (int frame = 0; frame < 8; ++frame) {
        Frame(0.1f, 0.1f * frame, {SDL_SCANCODE_RETURN});
        seen += config->PressedWithRepeat(kMenus, kAccept) ? '1' : '0';
    }
    // Pressed at 0; the 0.35 s delay runs out in the fourth refresh after; then every refresh (0.075 < 0.1).
    EXPECT_EQ(seen, "10001111");
    Frame(0.1f, 1.0f, {});
    EXPECT_FALSE(config->PressedWithRepeat(kMenus, kAccept));
    EXPECT_FALSE(config->PressedWithRepeat(kMenus, RHashedString("Missing")));
}

TEST_F(Controls, TheDeviceChangeIsToldOncePerChange)
{
    config->SetDeviceChangedHook(&RecordDeviceChange);
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_A));
    config->AddDefinedInput(kMenus, kCancel, RDefinedInput::Button(RDefinedInput::kJoystickButton, 1));
    EXPECT_EQ(config->GetLastDeviceClass(), RInput::kKeyboardMouse);
    Frame(0.1f, 0.1f, {SDL_SCANCODE_A});
    EXPECT_TRUE(g_deviceChanges.empty());
    for (int frame = 0; frame < 3; ++frame) {
        handler->Update(0.1f);
        Now().joyButtons.setSize(2);
        Now().joyButtons[1] = 1;
        config->UpdateControls(RControlConfig::kPerFrame, 0.1f, 0.2f);
    }
    ASSERT_EQ(g_deviceChanges.size(), 1u);
    EXPECT_EQ(g_deviceChanges[0], std::make_pair(1u, 3u));
    Frame(0.1f, 0.5f, {});
    EXPECT_EQ(g_deviceChanges.size(), 1u) << "nothing used: the class stays";
    Frame(0.1f, 0.6f, {SDL_SCANCODE_A});
    ASSERT_EQ(g_deviceChanges.size(), 2u);
    EXPECT_EQ(g_deviceChanges[1], std::make_pair(3u, 1u));
}

TEST_F(Controls, AStickOfFourActionsIsNoFasterOnTheDiagonal)
{
    EXPECT_EQ(config->AddControl2D(RHashedString("Missing"), kMoveLeft, kMoveRight, kJump, kAccept), nullptr);
    // A stick naming an action the group lacks is never refreshed.
    ASSERT_NE(config->AddControl2D(kGameplay, kMoveLeft, kMoveRight, kJump, kAccept), nullptr);
    config->AddControl(kGameplay, RHashedString("Crouch"), false);
    ASSERT_NE(config->AddControl2D(kGameplay, kMoveLeft, kMoveRight, kJump, RHashedString("Crouch")), nullptr);
    config->AddDefinedInput(kGameplay, kMoveRight, Key(SDL_SCANCODE_D));
    config->AddDefinedInput(kGameplay, kJump, Key(SDL_SCANCODE_W));
    handler->Update(0.1f);
    Now().keys[SDL_SCANCODE_D] = 1;
    Now().keys[SDL_SCANCODE_W] = 1;
    config->UpdateControls(RControlConfig::kPerFixedStep, 0.1f, 0.1f);
    EXPECT_NEAR(Value(kGameplay, kMoveRight), 0.707107f, 1e-5f);
    EXPECT_NEAR(Value(kGameplay, kJump), 0.707107f, 1e-5f);
    EXPECT_EQ(Value(kGameplay, kMoveLeft), 0.0f);
    handler->Update(0.1f);
    Now().keys[SDL_SCANCODE_D] = 1;
    config->UpdateControls(RControlConfig::kPerFixedStep, 0.1f, 0.2f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kMoveRight), 1.0f);
    EXPECT_EQ(Value(kGameplay, kJump), 0.0f);
}

TEST_F(Controls, TheDumpListsEveryAction)
{
    config->AddDefinedInput(kMenus, kAccept, Key(SDL_SCANCODE_A));
    Frame(0.1f, 0.1f, {SDL_SCANCODE_A});
    RString text;
    config->DumpControl(&text);
    EXPECT_STREQ(text.GetString(), "Menus.Accept: 1.0000 ()\nMenus.Cancel: 0.0000 ()\nGameplay.Jump: 0.0000 ()\n"
                                   "Gameplay.MoveLeft: 0.0000 ()\nGameplay.MoveRight: 0.0000 ()\n");
}

// The engine's and the game's groups as the base game registers them, with the default bindings.
class DefaultBindings : public ::testing::Test {
protected:
    void SetUp() override
    {
        struct Group {
            const char* name;
            bool yields, menuStyle, perFrame, hidden;
            std::vector<std::pair<const char*, bool>> actions;
        };
        const Group groups[] = {
            {"General", true, false, true, false, {{"Pause", false}}},
            {"Utility", false, true, true, false,
             {{"OpenConsole", false}, {"Screenshot", false}, {"DeviceRecognition", true}}},
            {"Menus", false, false, true, false,
             {{"NavUp", false}, {"NavDown", false}, {"NavLeft", false}, {"NavRight", false},
              {"NavNext", false}, {"Accept", false}, {"Cancel", false}, {"Click", false}}},
            {"VisOnly", false, false, true, true, {{"PressStart", true}}},
            {"Gameplay", true, true, false, false,
             {{"MoveLeft", false}, {"MoveRight", false}, {"Jump", false}, {"JumpDown", false}}},
        };
        for (const Group& group : groups) {
            config->AddGroup(RHashedString(group.name), group.yields, group.menuStyle, group.perFrame,
                             group.hidden);
            for (const auto& action : group.actions)
                config->AddControl(RHashedString(group.name), RHashedString(action.first), action.second);
        }
        config->SetDefaultBindingsHook([] {
            AddEngineDefaultBindings(*RControlConfig::GetInstance());
            AddGameplayDefaultBindings(*RControlConfig::GetInstance());
        });
        config->RestoreDefaultBindings();
    }
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        RInputHandler::DestroyInstance();
    }

    // Whether the action has a binding of the device class.
    bool HasClass(const char* group, const char* action, uint32_t deviceClass)
    {
        for (const RDefinedInput& input : *config->FindInputList(RHashedString(group), RHashedString(action))) {
            if (RInput::GetDeviceClass(input) == deviceClass)
                return true;
        }
        return false;
    }
    bool Has(const char* group, const char* action, const RDefinedInput& wanted)
    {
        for (const RDefinedInput& input : *config->FindInputList(RHashedString(group), RHashedString(action))) {
            if (RInput::InputsMatch(input, wanted))
                return true;
        }
        return false;
    }

    RControlConfig* config = RControlConfig::GetInstance();
};

TEST_F(DefaultBindings, EveryActionIsBoundOnEveryDeviceItSuits)
{
    for (uint32_t g = 0; g < config->GetNumGroups(); ++g) {
        RHashedString group = config->GetGroupName(static_cast<int32_t>(g));
        EXPECT_TRUE(config->AllControlsBound(group)) << group.GetString();
        for (uint32_t a = 0; a < config->GetNumControls(group); ++a) {
            const char* groupText = group.GetString();
            const char* action = config->GetControlName(group, static_cast<int32_t>(a)).GetString();
            EXPECT_TRUE(HasClass(groupText, action, RInput::kKeyboardMouse)) << groupText << "." << action;
            // The console and screenshots are keyboard matters.
            bool keyboardOnly = std::string(groupText) == "Utility" && std::string(action) != "DeviceRecognition";
            if (keyboardOnly || std::string(action) == "Click")
                continue;
            EXPECT_TRUE(HasClass(groupText, action, RInput::kGameController)) << groupText << "." << action;
            EXPECT_TRUE(HasClass(groupText, action, RInput::kJoystick)) << groupText << "." << action;
        }
    }
    // Keys shared between groups stay in both; within a group nothing was moved away.
    EXPECT_TRUE(Has("General", "Pause", Key(SDL_SCANCODE_ESCAPE)));
    EXPECT_TRUE(Has("Menus", "Cancel", Key(SDL_SCANCODE_ESCAPE)));
    EXPECT_TRUE(Has("Menus", "Accept", Key(SDL_SCANCODE_SPACE)));
    EXPECT_TRUE(Has("Gameplay", "Jump", Key(SDL_SCANCODE_SPACE)));
    EXPECT_TRUE(Has("Gameplay", "Jump", Key(SDL_SCANCODE_UP)));
    EXPECT_TRUE(Has("Gameplay", "MoveLeft", Key(SDL_SCANCODE_A)));
    EXPECT_TRUE(Has("Gameplay", "JumpDown", RDefinedInput::Axis(RDefinedInput::kControllerLeftY, -1.0f)));
    EXPECT_FALSE(Has("Gameplay", "Jump", RDefinedInput::Axis(RDefinedInput::kControllerLeftY, 1.0f)));
    EXPECT_TRUE(Has("Menus", "NavUp", RDefinedInput::Axis(RDefinedInput::kControllerLeftY, 1.0f)));
    EXPECT_TRUE(Has("Menus", "Click", RDefinedInput::Button(RDefinedInput::kMouseButton, 2)));
}

TEST_F(DefaultBindings, LabelsComeFromTheInputTableOfTheDeviceInUse)
{
    std::string folder = std::string(ROLT_TEST_SOURCE_DIR) + "/content/Engine";
    RStreamMgr::GetInstance()->AddSearchPath(folder.c_str());
    RLocMgr::GetInstance()->AddFile("Input.txt");
    RLocMgr::GetInstance()->LoadDefaultTables(false);

    RBindingLabel label;
    label.group = RHashedString("Gameplay");
    label.control = RHashedString("Jump");
    bool changed = false;
    label.Update(&changed);
    EXPECT_TRUE(changed);
    EXPECT_STREQ(label.text.GetString(), "[Space]");
    EXPECT_FALSE(label.isControllerInput);
    changed = false;
    label.Update(&changed);
    EXPECT_FALSE(changed);

    // A controller press makes the controller the device in use: the label becomes the A glyph.
    RInputHandler* handler = RInputHandler::GetInstance();
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    handler->InitDevices(nullptr, 0, false, 0, true);
    ASSERT_TRUE(handler->IsControllerMode());
    handler->Update(0.1f);
    handler->GetCurrentState().padButtons[SDL_CONTROLLER_BUTTON_A] = 1;
    config->UpdateControls(RControlConfig::kPerFixedStep, 0.1f, 1.0f);
    EXPECT_EQ(config->GetLastDeviceClass(), RInput::kGameController);
    label.Update(&changed);
    EXPECT_TRUE(changed);
    EXPECT_TRUE(label.isControllerInput);
    EXPECT_EQ(label.text.GetLength(), 9);
    RString glyph = RString("<img>xbox:a<img>").ExpandImgMarkup();
    EXPECT_EQ(std::string(label.text.GetString(), 9), std::string(glyph.GetString(), 9));

    RString text;
    bool isController = false;
    config->GetInputLabel(&text, &isController, RHashedString("Gameplay"), RHashedString("Missing"));
    EXPECT_TRUE(text.IsEmpty());

    RInputHandler::DestroyInstance();
    SDL_JoystickDetachVirtual(device);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    RLocMgr::DestroyInstance();
    RStreamMgr::DestroyInstance();
}

namespace {

// Real devices: SDL virtual game controllers and joysticks read through the handler into the actions.
class ControlDevices : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        config->AddGroup(kMenus, false, false, true, false);
        config->AddGroup(kGameplay, true, true, false, false);
        config->AddControl(kMenus, kAccept, false);
        config->AddControl(kGameplay, kJump, false);
        config->AddControl(kGameplay, kMoveLeft, false);
        config->AddControl(kGameplay, kMoveRight, false);
        g_deviceChanges.clear();
    }
    void TearDown() override
    {
        RControlConfig::DestroyInstance();
        RInputHandler::DestroyInstance();
        for (int i = SDL_NumJoysticks(); i-- > 0;) {
            if (SDL_JoystickIsVirtual(i))
                SDL_JoystickDetachVirtual(i);
        }
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    // Attaches a device, opens it through the handler and returns SDL's handle of it.
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
    float Value(RHashedString group, RHashedString control) { return config->GetValue(group, control); }

    RInputHandler* handler = RInputHandler::GetInstance();
    RControlConfig* config = RControlConfig::GetInstance();
};

} // namespace

TEST_F(ControlDevices, AVirtualControllerReachesTheActions)
{
    SDL_Joystick* pad = AttachAndOpen(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    ASSERT_TRUE(handler->IsControllerMode());
    config->SetDeviceChangedHook(&RecordDeviceChange);
    config->AddDefinedInput(kGameplay, kMoveLeft, RDefinedInput::Axis(RDefinedInput::kControllerLeftX, -1.0f));
    config->AddDefinedInput(kGameplay, kMoveRight, RDefinedInput::Axis(RDefinedInput::kControllerLeftX, 1.0f));
    config->AddDefinedInput(kGameplay, kJump, RDefinedInput::Button(RDefinedInput::kControllerButton, 0));
    config->AddDefinedInput(kMenus, kAccept, RDefinedInput::Axis(RDefinedInput::kControllerRightTrigger, 1.0f));

    Step(0.0f);
    EXPECT_EQ(Value(kGameplay, kMoveLeft) + Value(kGameplay, kMoveRight) + Value(kGameplay, kJump), 0.0f);
    EXPECT_EQ(Value(kMenus, kAccept), 0.0f) << "a trigger at rest";
    EXPECT_TRUE(g_deviceChanges.empty());

    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
    Step(0.1f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kMoveLeft), 1.0f);
    EXPECT_EQ(Value(kGameplay, kMoveRight), 0.0f);
    EXPECT_TRUE(config->JustPressed(kGameplay, kJump, 0.5f));
    ASSERT_EQ(g_deviceChanges.size(), 1u);
    EXPECT_EQ(g_deviceChanges[0], std::make_pair(1u, 2u));

    // A virtual trigger maps its raw range onto 0 to 32,767: raw 0 reads 16,383.
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    Step(0.2f);
    ASSERT_EQ(handler->GetCurrentState().padAxes[SDL_CONTROLLER_AXIS_TRIGGERRIGHT], 16383);
    float half = (16383.0f - RInput::kTriggerDeadZone) / (RInput::kTriggerFull - RInput::kTriggerDeadZone);
    EXPECT_NEAR(Value(kMenus, kAccept), half, 1e-5f);
    EXPECT_FALSE(config->JustPressed(kGameplay, kJump, 0.5f));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    Step(0.3f);
    EXPECT_FLOAT_EQ(Value(kMenus, kAccept), 1.0f);
    EXPECT_EQ(g_deviceChanges.size(), 1u) << "told once while the controller stays in use";
}

TEST_F(ControlDevices, TriggersUseTheirWholeTravel)
{
    EXPECT_NEAR(RInput::kTriggerDeadZone, 8224.0f, 1.0f);
    EXPECT_NEAR(RInput::kTriggerFull, 30840.0f, 1.0f);
    SDL_Joystick* pad = AttachAndOpen(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    RDefinedInput trigger = RDefinedInput::Axis(RDefinedInput::kControllerLeftTrigger, 1.0f);
    bool mouseMoved = false;
    CompleteInputState& now = handler->GetCurrentState();
    Step(0.0f);
    const std::pair<int16_t, float> readings[] = {{0, 0.0f},        {240, 0.0f},     {8224, 0.0f},
                                                  {19532, 0.5f},    {30840, 1.0f},   {32767, 1.0f},
                                                  {-32768, 0.0f}};
    for (const auto& reading : readings) {
        now.padAxes[SDL_CONTROLLER_AXIS_TRIGGERLEFT] = reading.first;
        EXPECT_NEAR(RInput::EvaluateInput(trigger, now, &mouseMoved), reading.second, 1e-3f) << reading.first;
    }
    // The previous state of the first frame after opening has no controller axes or buttons.
    handler->CloseJoystick();
    Step(0.1f);
    handler->InitDevices(nullptr, 0, false, 0, true);
    Step(0.2f);
    ASSERT_EQ(handler->GetPreviousState().padAxes.getCount(), 0u);
    const CompleteInputState& before = handler->GetPreviousState();
    for (uint32_t source = RDefinedInput::kControllerLeftX; source <= RDefinedInput::kControllerRightTrigger; ++source)
        EXPECT_EQ(RInput::EvaluateInput(RDefinedInput::Axis(source, 1.0f), before, &mouseMoved), 0.0f);
    EXPECT_EQ(RInput::EvaluateInput(RDefinedInput::Button(RDefinedInput::kControllerButton, 0), before,
                                    &mouseMoved), 0.0f);
    now.padButtons[14] = 1;
    EXPECT_EQ(RInput::EvaluateInput(RDefinedInput::Button(RDefinedInput::kControllerButton, 14), now, &mouseMoved),
              1.0f);
    EXPECT_EQ(RInput::EvaluateInput(RDefinedInput::Button(RDefinedInput::kControllerButton, 15), now, &mouseMoved),
              0.0f);
}

TEST_F(ControlDevices, TheLeftStickUpIsPositive)
{
    SDL_Joystick* pad = AttachAndOpen(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    config->AddDefinedInput(kGameplay, kJump, RDefinedInput::Axis(RDefinedInput::kControllerLeftY, 1.0f));
    config->AddDefinedInput(kGameplay, kMoveLeft, RDefinedInput::Axis(RDefinedInput::kControllerLeftY, -1.0f));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767); // pushed down
    Step(0.0f);
    EXPECT_EQ(Value(kGameplay, kJump), 0.0f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kMoveLeft), 1.0f);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, -32768); // pushed up
    Step(0.1f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kJump), 1.0f);
    EXPECT_EQ(Value(kGameplay, kMoveLeft), 0.0f);
}

TEST_F(ControlDevices, APlainJoystickReachesTheActionsAndControllerBindingsStaySilent)
{
    SDL_Joystick* stick = AttachAndOpen(SDL_JOYSTICK_TYPE_ARCADE_STICK, 2, 4, 1);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    ASSERT_FALSE(handler->IsControllerMode());
    config->AddDefinedInput(kGameplay, kJump, RDefinedInput::Button(RDefinedInput::kJoystickButton, 3));
    config->AddDefinedInput(kGameplay, kJump, RDefinedInput::Button(RDefinedInput::kControllerButton, 3));
    config->AddDefinedInput(kGameplay, kMoveLeft, RDefinedInput::Axis(RDefinedInput::kHatX, -1.0f));
    config->AddDefinedInput(kGameplay, kMoveRight, RDefinedInput::Axis(RDefinedInput::kJoystickFirstAxis, 1.0f));
    SDL_JoystickSetVirtualButton(stick, 3, 1);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_LEFTUP);
    SDL_JoystickSetVirtualAxis(stick, 0, 18944);
    Step(0.0f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kJump), 1.0f);
    EXPECT_NEAR(Value(kGameplay, kMoveLeft), 0.707107f, 1e-5f);
    EXPECT_NEAR(Value(kGameplay, kMoveRight), 0.5f, 1e-4f);
    EXPECT_EQ(config->GetLastDeviceClass(), RInput::kJoystick);

    // Opened as a controller, the same device's joystick bindings read nothing.
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_JoystickID padId = SDL_JoystickGetDeviceInstanceID(index);
    handler->InitDevices(nullptr, 0, false, 0, false);
    handler->OpenJoystick(1);
    ASSERT_TRUE(handler->IsControllerMode());
    SDL_Joystick* pad = SDL_JoystickFromInstanceID(padId);
    ASSERT_NE(pad, nullptr);
    Step(0.1f);
    handler->GetCurrentState().joyButtons.setSize(4);
    handler->GetCurrentState().joyButtons[3] = 1;
    handler->GetCurrentState().joyHats.setSize(1);
    handler->GetCurrentState().joyHats[0] = SDL_HAT_LEFT;
    config->UpdateControls(RControlConfig::kPerFixedStep, 0.1f, 0.2f);
    EXPECT_EQ(Value(kGameplay, kJump), 0.0f);
    EXPECT_EQ(Value(kGameplay, kMoveLeft), 0.0f);
    SDL_JoystickSetVirtualButton(pad, 3, 1);
    Step(0.3f);
    EXPECT_FLOAT_EQ(Value(kGameplay, kJump), 1.0f) << "the controller's Y button";
}
