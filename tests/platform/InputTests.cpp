// Input logic: binding names, the "Input" string table behind them, the key-to-character table, the one-key
// auto-repeat and the frame copy, driven by writing the handler's state records directly.
#include "core/RLocMgr.h"
#include "core/RStreamMgr.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RInputNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

struct Named {
    std::string device;
    std::string input;
    bool isController;
};

Named NameOf(const RDefinedInput& input, const char* deviceBefore = "Unset", bool flagBefore = false)
{
    RHashedString device(deviceBefore);
    RHashedString name;
    bool flag = flagBefore;
    GetInputName(input, &device, &name, &flag);
    return {device.GetString(), name.GetString(), flag};
}

// Every binding the capture and the default bindings can make, with the names they get.
std::vector<RDefinedInput> EveryNamedBinding()
{
    std::vector<RDefinedInput> inputs;
    for (int scancode = 0; scancode < 256; ++scancode) {
        const char* sdlName = SDL_GetScancodeName(static_cast<SDL_Scancode>(scancode));
        if (sdlName && sdlName[0])
            inputs.push_back(RDefinedInput::Button(RDefinedInput::kKeyboard, scancode));
    }
    for (uint32_t code = 1; code <= 7; ++code)
        inputs.push_back(RDefinedInput::Button(RDefinedInput::kMouseButton, code));
    for (uint32_t code = 0; code < 32; ++code)
        inputs.push_back(RDefinedInput::Button(RDefinedInput::kJoystickButton, code));
    for (uint32_t code = 0; code < CompleteInputState::kPadButtonCount; ++code)
        inputs.push_back(RDefinedInput::Button(RDefinedInput::kControllerButton, code));
    for (uint32_t source = 1; source <= RDefinedInput::kControllerRightTrigger; ++source) {
        inputs.push_back(RDefinedInput::Axis(source, 1.0f));
        inputs.push_back(RDefinedInput::Axis(source, -1.0f));
    }
    return inputs;
}

} // namespace

TEST(InputNames, ButtonsAreNamedByDeviceAndCode)
{
    Named space = NameOf(RDefinedInput::Button(RDefinedInput::kKeyboard, 44));
    EXPECT_EQ(space.device, "Keyboard");
    EXPECT_EQ(space.input, "RFML_Key44");
    EXPECT_FALSE(space.isController);

    Named mouse = NameOf(RDefinedInput::Button(RDefinedInput::kMouseButton, 3));
    EXPECT_EQ(mouse.device, "Mouse");
    EXPECT_EQ(mouse.input, "RFML_MB3");

    Named joy = NameOf(RDefinedInput::Button(RDefinedInput::kJoystickButton, 11));
    EXPECT_EQ(joy.device, "Joystick");
    EXPECT_EQ(joy.input, "JB11");
    EXPECT_FALSE(joy.isController);

    Named pad = NameOf(RDefinedInput::Button(RDefinedInput::kControllerButton, 0));
    EXPECT_EQ(pad.device, "Xbox");
    EXPECT_EQ(pad.input, "RFML_XB0");
    EXPECT_TRUE(pad.isController);
}

TEST(InputNames, AxesCarryTheSignOfTheirDirection)
{
    EXPECT_EQ(NameOf(RDefinedInput::Axis(RDefinedInput::kControllerLeftX, -1.0f)).input, "XboxLSX(-)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(RDefinedInput::kControllerLeftX, 0.0f)).input, "XboxLSX(+)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(RDefinedInput::kControllerLeftY, -0.001f)).input, "XboxLSY(-)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(RDefinedInput::kMouseX, 1.0f)).input, "MouseX(+)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(RDefinedInput::kMouseWheel, 1.0f)).device, "Mouse");

    // Plain-joystick axis i is source 4 + i + i / 6; the slider sources lie between the groups.
    EXPECT_EQ(NameOf(RDefinedInput::Axis(4, 1.0f)).input, "JoyPosX(+)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(10, 1.0f)).input, "JoyPosSlider(+)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(11, 1.0f)).input, "JoyVelX(+)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(31, -1.0f)).input, "JoyForceSlider(-)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(RDefinedInput::kHatY, 1.0f)).input, "JoyPOVHatY(+)");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(RDefinedInput::kHatY, 1.0f)).device, "Joystick");

    Named trigger = NameOf(RDefinedInput::Axis(RDefinedInput::kControllerRightTrigger, 1.0f));
    EXPECT_EQ(trigger.device, "Xbox");
    EXPECT_EQ(trigger.input, "XboxRT(+)");
    EXPECT_TRUE(trigger.isController);
    EXPECT_FALSE(NameOf(RDefinedInput::Axis(RDefinedInput::kHatX, 1.0f)).isController);

    // Any kind but a button is named as an axis.
    RDefinedInput odd = RDefinedInput::Axis(RDefinedInput::kMouseY, -1.0f);
    odd.kind = 7;
    EXPECT_EQ(NameOf(odd).input, "MouseY(-)");
}

TEST(InputNames, SourcesOutsideTheTablesAreBadAndKeepTheDevice)
{
    Named button = NameOf(RDefinedInput::Button(5, 1), "Mouse");
    EXPECT_EQ(button.input, "Bad button 5");
    EXPECT_EQ(button.device, "Mouse");
    EXPECT_EQ(NameOf(RDefinedInput::Button(0, 1)).input, "Bad button 0");

    Named axis = NameOf(RDefinedInput::Axis(40, 1.0f), "Keyboard");
    EXPECT_EQ(axis.input, "Bad axis 40");
    EXPECT_EQ(axis.device, "Keyboard");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(0, 1.0f)).input, "Bad axis 0");
    EXPECT_EQ(NameOf(RDefinedInput::Axis(0xFFFFFFFFu, 1.0f)).input, "Bad axis -1");
}

TEST(InputNames, TheControllerFlagOnlyRises)
{
    EXPECT_TRUE(NameOf(RDefinedInput::Button(RDefinedInput::kKeyboard, 4), "Unset", true).isController);
    EXPECT_TRUE(NameOf(RDefinedInput::Button(RDefinedInput::kControllerButton, 6), "Unset", false).isController);
    EXPECT_FALSE(NameOf(RDefinedInput::Button(RDefinedInput::kJoystickButton, 6), "Unset", false).isController);
    // A controller source number under another kind is not a controller input.
    RDefinedInput keyNumberedLikeATrigger = RDefinedInput::Button(RDefinedInput::kKeyboard, 38);
    EXPECT_FALSE(NameOf(keyNumberedLikeATrigger).isController);
}

// The shipped "Input" table names every input the engine can bind, in single-byte text.
TEST(InputNames, TheInputTableNamesEveryBinding)
{
    std::string folder = std::string(ROLT_TEST_SOURCE_DIR) + "/content/Engine";
    std::ifstream file(folder + "/Input.txt", std::ios::binary);
    ASSERT_TRUE(file.good());
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (unsigned char c : text)
        ASSERT_TRUE(c == '\n' || (c >= 32 && c < 127)) << "byte " << int(c);

    RStreamMgr::GetInstance()->AddSearchPath(folder.c_str());
    RLocMgr* loc = RLocMgr::GetInstance();
    loc->AddFile("Input.txt");
    loc->LoadDefaultTables(false);

    // The controller glyphs that the pad's names may show.
    const std::set<std::string> glyphs = {"a", "b", "x", "y", "dp_up", "dp_down", "dp_left", "dp_right",
                                          "lsy+", "lsy-", "lsx-", "lsx+", "rsy+", "rsy-", "rsx-", "rsx+",
                                          "lsb", "rsb", "back", "start", "lb", "rb", "lt", "rt"};
    RHashedString table("Input");
    for (const RDefinedInput& input : EveryNamedBinding()) {
        RHashedString device;
        RHashedString name;
        bool isController = false;
        GetInputName(input, &device, &name, &isController);
        std::string shown = loc->GetString(table, device, name).GetString();
        EXPECT_FALSE(shown.empty() || shown[0] == '[') << device.GetString() << "." << name.GetString();
        for (size_t at = shown.find("<img>"); at != std::string::npos; at = shown.find("<img>", at + 1)) {
            size_t end = shown.find("<img>", at + 5);
            ASSERT_NE(end, std::string::npos) << shown;
            std::string image = shown.substr(at + 5, end - at - 5);
            EXPECT_EQ(image.substr(0, 5), "xbox:") << shown;
            EXPECT_EQ(glyphs.count(image.substr(5)), 1u) << shown;
            at = end;
        }
    }
    EXPECT_STREQ(loc->GetString(table, RHashedString("Keyboard"), RHashedString("RFML_Key44")).GetString(), "Space");
    RLocMgr::DestroyInstance();
}

TEST(InputHandler, KeyToCharFollowsTheUSLayoutOnceFilled)
{
    RInputHandler* handler = RInputHandler::GetInstance();
    handler->EmptyInitHook(1);
    struct Case {
        SDL_Scancode scancode;
        const char* columns; // none, shift, caps lock, both
    };
    const Case cases[] = {
        {SDL_SCANCODE_A, "aAAa"},      {SDL_SCANCODE_Z, "zZZz"},         {SDL_SCANCODE_1, "1!1!"},
        {SDL_SCANCODE_0, "0)0)"},      {SDL_SCANCODE_SPACE, "    "},     {SDL_SCANCODE_SLASH, "/?/?"},
        {SDL_SCANCODE_APOSTROPHE, "'\"'\""}, {SDL_SCANCODE_KP_7, "7777"}, {SDL_SCANCODE_BACKSLASH, "\\|\\|"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(handler->KeyToChar(c.scancode, false, false), c.columns[0]) << c.scancode;
        EXPECT_EQ(handler->KeyToChar(c.scancode, true, false), c.columns[1]) << c.scancode;
        EXPECT_EQ(handler->KeyToChar(c.scancode, false, true), c.columns[2]) << c.scancode;
        EXPECT_EQ(handler->KeyToChar(c.scancode, true, true), c.columns[3]) << c.scancode;
    }
    for (SDL_Scancode silent : {SDL_SCANCODE_RETURN, SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_LSHIFT, SDL_SCANCODE_F1,
                                SDL_SCANCODE_UNKNOWN})
        EXPECT_EQ(handler->KeyToChar(silent, true, false), 0) << silent;
    EXPECT_EQ(handler->KeyToChar(256, false, false), 0);
    EXPECT_EQ(handler->KeyToChar(0xFFFFFFFFu, true, true), 0);
    RInputHandler::DestroyInstance();
    EXPECT_EQ(RInputHandler::GetInstance()->KeyToChar(SDL_SCANCODE_A, false, false), 0);
    RInputHandler::DestroyInstance();
}

// Each frame: Update (which reads no keys without a window), then the keys held this frame written in.
class InputFrames : public ::testing::Test {
protected:
    void TearDown() override { RInputHandler::DestroyInstance(); }

    void Frame(float dt, std::initializer_list<int> held)
    {
        handler->Update(dt);
        for (int scancode : held)
            handler->GetCurrentState().keys[scancode] = 1;
    }

    RInputHandler* handler = RInputHandler::GetInstance();
};

TEST_F(InputFrames, AHeldKeyRepeatsAfterTheDelayThenAtTheInterval)
{
    const float dt = 1.0f / 64.0f; // exact in binary, so the delay ends on frame 16
    std::vector<int> repeats;
    for (int frame = 0; frame < 64; ++frame) {
        Frame(dt, {SDL_SCANCODE_BACKSPACE});
        if (handler->isKeyRepeating(SDL_SCANCODE_BACKSPACE))
            repeats.push_back(frame);
    }
    ASSERT_GE(repeats.size(), 3u);
    EXPECT_EQ(repeats[0], 0);
    EXPECT_EQ(repeats[1], 16);
    for (size_t i = 2; i < repeats.size(); ++i)
        EXPECT_EQ(repeats[i] - repeats[i - 1], 4) << "0.05 s is a little over three frames";
    EXPECT_EQ(repeats.size(), 13u);

    Frame(dt, {});
    EXPECT_FALSE(handler->isKeyRepeating(SDL_SCANCODE_BACKSPACE));
    Frame(dt, {SDL_SCANCODE_BACKSPACE});
    EXPECT_TRUE(handler->isKeyRepeating(SDL_SCANCODE_BACKSPACE)) << "a new press repeats at once";
    EXPECT_FALSE(handler->isKeyRepeating(300));
}

TEST_F(InputFrames, ASecondKeyTakesTheRepeatOver)
{
    const float dt = 0.1f;
    Frame(dt, {SDL_SCANCODE_A});
    EXPECT_TRUE(handler->isKeyRepeating(SDL_SCANCODE_A));
    Frame(dt, {SDL_SCANCODE_A, SDL_SCANCODE_B});
    EXPECT_FALSE(handler->isKeyRepeating(SDL_SCANCODE_A));
    EXPECT_TRUE(handler->isKeyRepeating(SDL_SCANCODE_B));
    for (int frame = 0; frame < 10; ++frame) {
        Frame(dt, {SDL_SCANCODE_A, SDL_SCANCODE_B});
        EXPECT_FALSE(handler->isKeyRepeating(SDL_SCANCODE_A)) << frame;
    }
    EXPECT_EQ(handler->GetCurrentState().repeatKey, SDL_SCANCODE_B);
}

TEST_F(InputFrames, UpdateCopiesTheFrameAndTimesIt)
{
    CompleteInputState& current = handler->GetCurrentState();
    current.mouseDX = 7;
    current.mouseButtons = 5;
    current.repeatKey = 9;
    current.repeatTimer = 0.2f;
    current.joyAxes.setSize(3);
    current.joyAxes[2] = -32768;
    current.joyHats.push(SDL_HAT_RIGHTUP);
    current.joyBalls.push(RFMLJoyBallState{3, -4});
    current.padButtons.setSize(15);
    current.padButtons[14] = 1;

    handler->Update(0.5f);
    const CompleteInputState& previous = handler->GetPreviousState();
    EXPECT_EQ(previous.mouseDX, 7);
    EXPECT_EQ(previous.mouseButtons, 5u);
    EXPECT_EQ(previous.repeatKey, 9);
    EXPECT_FLOAT_EQ(previous.repeatTimer, 0.2f);
    ASSERT_EQ(previous.joyAxes.getCount(), 3u);
    EXPECT_EQ(previous.joyAxes[2], -32768);
    ASSERT_EQ(previous.joyBalls.getCount(), 1u);
    EXPECT_EQ(previous.joyBalls[0].dy, -4);
    EXPECT_EQ(previous.joyHats[0], SDL_HAT_RIGHTUP);
    EXPECT_EQ(previous.padButtons[14], 1);

    // With no device open, the device vectors of the fresh frame are empty; the timer never goes below 0.
    EXPECT_EQ(current.joyAxes.getCount(), 0u);
    EXPECT_EQ(current.padButtons.getCount(), 0u);
    EXPECT_EQ(current.repeatTimer, 0.0f);
    EXPECT_FLOAT_EQ(handler->GetInvDt(), 2.0f);

    handler->Update(0.0f);
    EXPECT_EQ(handler->GetDt(), 0.0f);
    EXPECT_EQ(handler->GetInvDt(), 0.0f);
    EXPECT_EQ(handler->GetPreviousState().joyAxes.getCount(), 0u);
}

TEST_F(InputFrames, RumbleEnvelopesKeepAbsoluteTimes)
{
    handler->AddRumbleWave(0.5f, 1.0f, 2.0f, 3.0f, 0.25f, 0.5f, 0.5f, 0.5f);
    ASSERT_EQ(handler->GetRumbleWaves().getCount(), 1u);
    const RInputHandler::RRumbleWave& wave = handler->GetRumbleWaves()[0];
    EXPECT_FLOAT_EQ(wave.riseEndA, 1.0f);
    EXPECT_FLOAT_EQ(wave.holdEndA, 3.0f);
    EXPECT_FLOAT_EQ(wave.releaseEndA, 6.0f);
    EXPECT_FLOAT_EQ(wave.releaseEndB, 1.5f);

    RHashedString engine("EngineHum");
    handler->StartNamedRumble(engine, 1.0f, 0.5f, 0.5f, 0.25f);
    const RInputHandler::RRumbleWave* named = &handler->GetNamedRumbleWaves().find(engine)->value;
    EXPECT_FLOAT_EQ(named->holdEndA, 86400.5f);
    EXPECT_FLOAT_EQ(named->releaseEndB, 86400.25f);
    handler->StopNamedRumble(engine, 1.0f, 2.0f, 3.0f, 4.0f);
    named = &handler->GetNamedRumbleWaves().find(engine)->value;
    EXPECT_EQ(named->riseEndA, 0.0f);
    EXPECT_FLOAT_EQ(named->releaseEndA, 4.0f);
    EXPECT_FLOAT_EQ(named->releaseEndB, 6.0f);
    EXPECT_FLOAT_EQ(named->strengthA, 1.0f) << "stopping keeps the strength";

    handler->StopNamedRumble(RHashedString("NeverStarted"), 1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(handler->GetNamedRumbleWaves().getCount(), 2);

    // Without a controller open nothing expires.
    handler->AddRumbleWave(1.0f, -5.0f, 0.0f, 0.0f, 1.0f, -5.0f, 0.0f, 0.0f);
    handler->UpdateRumble();
    EXPECT_EQ(handler->GetRumbleWaves().getCount(), 2u);
    handler->ClearRumbleWaves();
    EXPECT_EQ(handler->GetRumbleWaves().getCount(), 0u);
}
