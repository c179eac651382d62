// Input logic: binding names and the "Input" string table behind them, the key-to-character table, the one-key
// auto-repeat, the frame copy and the presses latched from SDL's events, driven by writing the handler's state
// records and handing it events directly.
#include "core/config/RLocMgr.h"
#include "core/files/RStreamMgr.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RInputNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(InputNames, BadSourcesKeepTheDeviceAndTheControllerFlagOnlyRises)
{
    using I = RDefinedInput;
    struct Case {
        RDefinedInput input;
        const char* deviceBefore;
        bool flagBefore;
        const char* device;
        const char* name;
        bool isController;
    };
    const Case cases[] = {
        {I::Axis(I::kControllerRightTrigger, 1.0f), "Unset", false, "Xbox", "XboxRT(+)", true},
        // Sources outside the tables are bad and keep the device; the controller flag only rises.
        {I::Button(5, 1), "Mouse", false, "Mouse", "Bad button 5", false},
        {I::Button(0, 1), "Unset", false, "Unset", "Bad button 0", false},
        {I::Axis(40, 1.0f), "Keyboard", false, "Keyboard", "Bad axis 40", false},
        {I::Axis(0, 1.0f), "Unset", false, "Unset", "Bad axis 0", false},
        {I::Axis(0xFFFFFFFFu, 1.0f), "Unset", false, "Unset", "Bad axis -1", false},
        {I::Button(I::kKeyboard, 4), "Unset", true, "Keyboard", nullptr, true},
        {I::Button(I::kKeyboard, 38), "Unset", false, "Keyboard", nullptr, false}, // numbered like a trigger
    };
    for (const Case& c : cases) {
        RHashedString device(c.deviceBefore);
        RHashedString name;
        bool flag = c.flagBefore;
        GetInputName(c.input, &device, &name, &flag);
        EXPECT_STREQ(device.GetString(), c.device) << name.GetString();
        if (c.name) {
            EXPECT_STREQ(name.GetString(), c.name);
        }
        EXPECT_EQ(flag, c.isController) << name.GetString();
    }
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
    // The controller glyphs that the pad's names may show.
    const std::set<std::string> glyphs = {"a", "b", "x", "y", "dp_up", "dp_down", "dp_left", "dp_right",
                                          "lsy+", "lsy-", "lsx-", "lsx+", "rsy+", "rsy-", "rsx-", "rsx+",
                                          "lsb", "rsb", "back", "start", "lb", "rb", "lt", "rt"};
    for (const RDefinedInput& input : inputs) {
        RHashedString device;
        RHashedString name;
        bool isController = false;
        GetInputName(input, &device, &name, &isController);
        std::string shown = loc->GetString(RHashedString("Input"), device, name).GetString();
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
    RLocMgr::DestroyInstance();
}

TEST(InputHandler, KeyToCharFollowsTheUSLayoutOnceFilledAndStaysInTheTable)
{
    RInputHandler* handler = RInputHandler::GetInstance();
    handler->EmptyInitHook(1);
    const std::pair<SDL_Scancode, const char*> cases[] = {
        // none, shift, caps lock, both
        {SDL_SCANCODE_A, "aAAa"},     {SDL_SCANCODE_1, "1!1!"},          {SDL_SCANCODE_0, "0)0)"},
        {SDL_SCANCODE_SPACE, "    "}, {SDL_SCANCODE_SLASH, "/?/?"},      {SDL_SCANCODE_APOSTROPHE, "'\"'\""},
        {SDL_SCANCODE_BACKSLASH, "\\|\\|"},
    };
    for (const auto& c : cases) {
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(handler->KeyToChar(c.first, column & 1, column & 2), c.second[column]) << c.first << " " << column;
    }
    for (uint32_t silent : {uint32_t(SDL_SCANCODE_RETURN), uint32_t(SDL_SCANCODE_LSHIFT), uint32_t(SDL_SCANCODE_F1),
                            uint32_t(SDL_SCANCODE_UNKNOWN), 256u, 0xFFFFFFFFu})
        EXPECT_EQ(handler->KeyToChar(silent, true, true), 0) << silent;
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
    // An event as the event loop hands it over between two frames, at SDL's event time ticks (ms).
    void Key(Uint32 type, SDL_Scancode scancode, bool repeat = false, Uint32 ticks = 0)
    {
        SDL_Event event{};
        event.type = type;
        event.key.timestamp = ticks;
        event.key.keysym.scancode = scancode;
        event.key.repeat = repeat ? 1 : 0;
        handler->HandleEvent(event);
    }
    // When the system's first repeat of a held key comes: X's default delay.
    static constexpr Uint32 kSystemRepeatTicks = 660;
    void MouseButton(Uint32 type, Uint8 button)
    {
        SDL_Event event{};
        event.type = type;
        event.button.button = button;
        handler->HandleEvent(event);
    }
    const CompleteInputState& Now() const { return handler->GetCurrentState(); }
    RInputHandler* handler = RInputHandler::GetInstance();
};

// The press and the held key's own repeat events come in with the frames: the auto-repeat keeps its timing, and the
// key reads up at the first frame after its release even with a repeat event just before it.
TEST_F(InputFrames, OneHeldKeyRepeatsAfterTheDelayThenAtTheInterval)
{
    const float dt = 1.0f / 64.0f; // exact in binary, so the delay ends on frame 16
    std::vector<int> repeats;
    for (int frame = 0; frame < 40; ++frame) {
        Key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, frame > 0, frame > 0 ? kSystemRepeatTicks + frame : 0);
        Frame(dt, {SDL_SCANCODE_BACKSPACE});
        if (handler->isKeyRepeating(SDL_SCANCODE_BACKSPACE))
            repeats.push_back(frame);
    }
    // The press, 0.25 s later, then every 0.05 s (a little over three frames).
    EXPECT_EQ(repeats, (std::vector<int>{0, 16, 20, 24, 28, 32, 36}));
    Key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, true, kSystemRepeatTicks + 40);
    Key(SDL_KEYUP, SDL_SCANCODE_BACKSPACE);
    Frame(dt, {});
    EXPECT_FALSE(Now().keys[SDL_SCANCODE_BACKSPACE]);
    EXPECT_FALSE(handler->isKeyRepeating(SDL_SCANCODE_BACKSPACE));
    EXPECT_FALSE(handler->isKeyRepeating(300));
}

// A key or mouse button pressed and released between two frames reads down at the next frame, a new press, and up
// at the one after.
TEST_F(InputFrames, APressReleasedBetweenTwoFramesIsDownForExactlyOneFrame)
{
    const float dt = 1.0f / 60.0f;
    Frame(dt, {});
    Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN);
    Key(SDL_KEYUP, SDL_SCANCODE_RETURN);
    MouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    MouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    MouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X2);
    MouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_X2);
    Frame(dt, {});
    EXPECT_TRUE(Now().keys[SDL_SCANCODE_RETURN]);
    EXPECT_TRUE(handler->isKeyRepeating(SDL_SCANCODE_RETURN));
    EXPECT_EQ(Now().mouseButtons, SDL_BUTTON_LMASK | SDL_BUTTON_X2MASK);
    Frame(dt, {});
    EXPECT_FALSE(Now().keys[SDL_SCANCODE_RETURN]);
    EXPECT_TRUE(handler->GetPreviousState().keys[SDL_SCANCODE_RETURN]);
    EXPECT_FALSE(handler->isKeyRepeating(SDL_SCANCODE_RETURN));
    EXPECT_EQ(Now().mouseButtons, 0u);

    // A press the frame also reads held is the same press: once released, the key reads up at the next frame.
    Key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE);
    Frame(dt, {SDL_SCANCODE_BACKSPACE});
    EXPECT_TRUE(handler->isKeyRepeating(SDL_SCANCODE_BACKSPACE));
    Key(SDL_KEYUP, SDL_SCANCODE_BACKSPACE);
    Frame(dt, {});
    EXPECT_FALSE(Now().keys[SDL_SCANCODE_BACKSPACE]);
    EXPECT_FALSE(handler->isKeyRepeating(SDL_SCANCODE_BACKSPACE));
}

// Taps sent without pauses reach SDL as a press and then repeats (its X backend takes a release and a press within
// 2 ms for the system's auto-repeat): each is a press, also for the text inputs that read the event after the
// handler. The system's repeat of a held key, which comes long after the press, stays a repeat.
TEST_F(InputFrames, TapsThatSDLTakesForRepeatsAreEachAPress)
{
    const float dt = 1.0f / 60.0f;
    Frame(dt, {});
    Key(SDL_KEYDOWN, SDL_SCANCODE_DOWN, false, 1000);
    SDL_Event repeat{};
    repeat.type = SDL_KEYDOWN;
    repeat.key.timestamp = 1001;
    repeat.key.keysym.scancode = SDL_SCANCODE_DOWN;
    repeat.key.repeat = 1;
    handler->HandleEvent(repeat);
    EXPECT_EQ(repeat.key.repeat, 0);
    Key(SDL_KEYDOWN, SDL_SCANCODE_DOWN, true, 1001);
    Key(SDL_KEYUP, SDL_SCANCODE_DOWN);
    Frame(dt, {});
    EXPECT_EQ(handler->GetPresses().keys[SDL_SCANCODE_DOWN], 3);

    Key(SDL_KEYDOWN, SDL_SCANCODE_DOWN, false, 2000);
    Frame(dt, {SDL_SCANCODE_DOWN});
    repeat.key.timestamp = 2000 + kSystemRepeatTicks;
    repeat.key.repeat = 1;
    handler->HandleEvent(repeat);
    EXPECT_EQ(repeat.key.repeat, 1);
    Frame(dt, {SDL_SCANCODE_DOWN});
    EXPECT_EQ(handler->GetPresses().keys[SDL_SCANCODE_DOWN], 0);
}

} // namespace
