// The menus end to end, driven by real key and mouse events from the X server (xdotool): from the title screen
// after the splash through options, controls and the binding of "Jump", the audio volumes and the confirmation
// to quit; afterwards the files hold what was changed. These tests need the server's focus and pointer to
// themselves, so they never run beside other tests.
#include "../../platform/XInputTestSupport.h"
#include "../MenuTestGame.h"

#include <atomic>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using namespace menutest;

namespace {

const char* const kFindWindow = "search --sync --name '^ROLT Menu Test$'";

bool KeyDown(SDL_Scancode code)
{
    return RInputHandler::GetInstance()->GetCurrentState().keys[code] != 0;
}

// Frames until done() holds, at most about two seconds.
template <typename Done> bool ShortWait(RMenuGame& game, Done done)
{
    for (int frame = 0; frame < 300 && !done(); ++frame)
        Frame(game);
    return done();
}

// Holds the key for a few frames, as a player does; tried again when its events went to another window.
bool Press(RMenuGame& game, const char* key, SDL_Scancode code)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        xinputtest::Xdotool(std::string(kFindWindow) + " windowraise windowfocus");
        xinputtest::Xdotool(std::string("keydown ") + key);
        const bool seen = ShortWait(game, [code] { return KeyDown(code); });
        for (int i = 0; i < 3; ++i)
            Frame(game);
        xinputtest::Xdotool(std::string("keyup ") + key);
        ShortWait(game, [code] { return !KeyDown(code); });
        if (seen)
            return true;
    }
    return false;
}

// Presses the key until the selected entry's text holds part, at most count times.
bool PressUntilSelected(RMenuGame& game, const char* key, SDL_Scancode code, const char* part, int count = 12)
{
    for (int i = 0; i < count && !SelectedHas(part); ++i)
        Press(game, key, code);
    return SelectedHas(part);
}

// The screenshot files, oldest first.
std::vector<std::string> Screenshots(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return fs::last_write_time(a) < fs::last_write_time(b);
    });
    return files;
}

// The pixel bytes of a BMP file (after its header), or "" when it is no BMP.
std::string BmpPixels(const std::string& path)
{
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return "";
    const uint32_t offset = static_cast<uint8_t>(bytes[10]) | static_cast<uint8_t>(bytes[11]) << 8 |
                            static_cast<uint8_t>(bytes[12]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[13])) << 24;
    return offset < bytes.size() ? bytes.substr(offset) : "";
}

// Whether any colour byte (blue, green or red of a 32-bit pixel) is not 0.
bool HasColour(const std::string& pixels)
{
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
        if (pixels[i] || pixels[i + 1] || pixels[i + 2])
            return true;
    }
    return false;
}

// The value of "MusicVolume" in a Config.ini text, or -1.
float MusicVolume(const std::string& config)
{
    const size_t at = config.find("MusicVolume");
    const size_t colon = at == std::string::npos ? at : config.find(':', at);
    return colon == std::string::npos ? -1.0f : std::strtof(config.c_str() + colon + 1, nullptr);
}

class MenuNavigation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "the tests run under an X server";
        ASSERT_TRUE(turn.IsHeld());
    }
    xinputtest::XInputTurn turn;
    TempUserData data;
};

// The child's steps; each failed step exits with its own code.
#define STEP(code, condition) \
    do {                      \
        if (!(condition))     \
            exit(code);       \
    } while (0)

TEST_F(MenuNavigation, KeysTakeTheMenusFromTheTitleToABindingAVolumeAndQuit)
{
    const std::string audioFile = data.root + "/audio.raw";
    EXPECT_EXIT(
        {
            PrepareChild(data, "disk", audioFile);
            MenuTestGame* game = new MenuTestGame();
            STEP(2, game->InitEngine() && game->InitSystems() && game->InitRuntime());
            // The splash plays out, then the title screen comes.
            STEP(3, WaitForTop<RTitleMenu>(*game));
            game->RequestScreenshot();
            Frame(*game);

            STEP(4, Press(*game, "Down", SDL_SCANCODE_DOWN) && SelectedHas("Options"));
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(5, WaitForTop<ROptionsMenu>(*game));
            game->RequestScreenshot();
            Frame(*game);

            STEP(6, PressUntilSelected(*game, "Down", SDL_SCANCODE_DOWN, "Controls"));
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(7, WaitForTop<RControlsMenu>(*game));
            Press(*game, "Return", SDL_SCANCODE_RETURN);  // the control bindings
            STEP(8, WaitForTop<RControlGroupsMenu>(*game));
            STEP(9, PressUntilSelected(*game, "Down", SDL_SCANCODE_DOWN, "Gameplay"));
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            RControlGroupsMenu* actions = WaitForTop<RControlGroupsMenu>(*game);
            STEP(10, actions && actions->GetGroup() == RHashedString("Gameplay"));
            STEP(11, PressUntilSelected(*game, "Down", SDL_SCANCODE_DOWN, "Jump:"));
            game->RequestScreenshot();
            Frame(*game);
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(12, WaitForTop<RBindingMenu>(*game));

            // A new key is captured, bound to "Jump" at once, and the list shows it.
            Press(*game, "k", SDL_SCANCODE_K);
            STEP(13, WaitForTop<RControlGroupsMenu>(*game) && SelectedHas("Jump: K"));
            const RUtilVector<RDefinedInput>* jump =
                RControlConfig::GetInstance()->FindInputList(RHashedString("Gameplay"), RHashedString("Jump"));
            bool bound = false;
            for (uint32_t i = 0; jump && i < jump->getCount(); ++i)
                bound = bound || ((*jump)[i].kind == 1 && (*jump)[i].source == 1 && (*jump)[i].code == SDL_SCANCODE_K);
            STEP(14, bound);
            xinputtest::Xdotool("keydown k");
            const bool jumps = ShortWait(*game, [] {
                return RControlConfig::GetInstance()->IsDown(RHashedString("Gameplay"), RHashedString("Jump"), 0.5f);
            });
            xinputtest::Xdotool("keyup k");
            STEP(15, jumps);

            // Back out to the options, then the music a step louder.
            Press(*game, "Escape", SDL_SCANCODE_ESCAPE);
            STEP(16, WaitForTop<RControlGroupsMenu>(*game));
            Press(*game, "Escape", SDL_SCANCODE_ESCAPE);
            STEP(17, WaitForTop<RControlsMenu>(*game));
            Press(*game, "Escape", SDL_SCANCODE_ESCAPE);
            STEP(18, WaitForTop<ROptionsMenu>(*game));
            STEP(19, PressUntilSelected(*game, "Up", SDL_SCANCODE_UP, "Audio"));
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(20, WaitForTop<RAudioMenu>(*game));
            STEP(21, PressUntilSelected(*game, "Down", SDL_SCANCODE_DOWN, "Music"));
            Press(*game, "Right", SDL_SCANCODE_RIGHT);
            STEP(22, game->GetSettings().musicVolume > 0.35f && game->GetSettings().musicVolume < 0.45f);

            // Quit through the confirmation.
            Press(*game, "Escape", SDL_SCANCODE_ESCAPE);
            STEP(23, WaitForTop<ROptionsMenu>(*game));
            Press(*game, "Escape", SDL_SCANCODE_ESCAPE);
            STEP(24, WaitForTop<RTitleMenu>(*game));
            STEP(25, PressUntilSelected(*game, "Down", SDL_SCANCODE_DOWN, "Quit"));
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(26, WaitForTop<RConfirmationMenu>(*game));
            STEP(27, !game->IsQuitting());
            STEP(28, PressUntilSelected(*game, "Down", SDL_SCANCODE_DOWN, "Yes"));
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(29, game->IsQuitting());
            game->Shutdown();
            delete game;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");

    const std::string user = UserFolder(data);
    EXPECT_NE(ReadBytes(user + "Config/ControlBindings.bnd").find(BindingBytes(1, 1, SDL_SCANCODE_K)), std::string::npos);
    EXPECT_NEAR(MusicVolume(ReadBytes(user + "Config/Config.ini")), 0.4f, 1e-4f);

    // The title, options and bindings menus, each drawn, each different.
    const std::vector<std::string> shots = Screenshots(user + "Screenshots");
    ASSERT_EQ(shots.size(), 3u);
    std::vector<std::string> pixels;
    for (const std::string& shot : shots) {
        pixels.push_back(BmpPixels(shot));
        EXPECT_TRUE(HasColour(pixels.back())) << shot;
    }
    EXPECT_NE(pixels[0], pixels[1]);
    EXPECT_NE(pixels[1], pixels[2]);
    EXPECT_NE(pixels[0], pixels[2]);

    // The menu sound was heard: the disk driver wrote samples that are not silence.
    const std::string audio = ReadBytes(audioFile);
    EXPECT_NE(audio.find_first_not_of('\0'), std::string::npos);
}

// Moving the pointer over an entry selects it and a click accepts it, all the way to a captured mouse button,
// the music volume and the confirmation to quit.
TEST_F(MenuNavigation, ThePointerSelectsAndClicksAccept)
{
    EXPECT_EXIT(
        {
            PrepareChild(data, "dummy");
            MenuTestGame* game = new MenuTestGame();
            STEP(2, game->InitEngine() && game->InitSystems() && game->InitRuntime());
            STEP(3, WaitForTop<RTitleMenu>(*game));
            xinputtest::Xdotool(std::string(kFindWindow) + " windowraise windowfocus");

            // Points at the first shown entry whose text holds part, then clicks it.
            auto clickOn = [game](const char* part) {
                for (int attempt = 0; attempt < 3; ++attempt) {
                    RGameMenu* menu = Top();
                    const RMenuEntry* target = nullptr;
                    for (uint32_t i = 0; menu && i < menu->GetEntryCount() && !target; ++i) {
                        const RMenuEntry* entry = menu->GetEntry(i);
                        if (entry->IsShown() && std::string(entry->GetText().GetString()).find(part) != std::string::npos)
                            target = entry;
                    }
                    if (!target)
                        return false;
                    int x = 0;
                    int y = 0;
                    EntryInWindow(*game, *target, &x, &y);
                    xinputtest::Xdotool(std::string(kFindWindow) + " mousemove --window %1 --sync " +
                                        std::to_string(x) + " " + std::to_string(y));
                    ShortWait(*game, [part] { return SelectedHas(part); });
                    if (!SelectedHas(part))
                        continue;
                    xinputtest::Xdotool("mousedown 1");
                    ShortWait(*game, [] { return (RInputHandler::GetInstance()->GetCurrentState().mouseButtons & 1) != 0; });
                    for (int i = 0; i < 3; ++i)
                        Frame(*game);
                    xinputtest::Xdotool("mouseup 1");
                    ShortWait(*game, [] { return (RInputHandler::GetInstance()->GetCurrentState().mouseButtons & 1) == 0; });
                    return true;
                }
                return false;
            };

            STEP(4, clickOn("Options") && WaitForTop<ROptionsMenu>(*game));
            STEP(5, clickOn("Controls") && WaitForTop<RControlsMenu>(*game));
            STEP(6, clickOn("Bindings") && WaitForTop<RControlGroupsMenu>(*game));
            STEP(7, clickOn("Gameplay"));
            RControlGroupsMenu* actions = WaitForTop<RControlGroupsMenu>(*game);
            STEP(8, actions && actions->GetGroup() == RHashedString("Gameplay"));
            STEP(9, clickOn("Jump:") && WaitForTop<RBindingMenu>(*game));
            // The right button, pressed with the pointer at rest, is captured.
            xinputtest::Xdotool("mousedown 3");
            STEP(10, WaitForTop<RControlGroupsMenu>(*game));
            xinputtest::Xdotool("mouseup 3");
            STEP(11, RControlGroupsMenu::GetBindingText(RHashedString("Gameplay"), RHashedString("Jump")) ==
                         RGameMenu::GetLocalized("Input", "Mouse", "RFML_MB3"));

            STEP(12, clickOn("Back") && WaitForTop<RControlGroupsMenu>(*game));
            STEP(13, clickOn("Back") && WaitForTop<RControlsMenu>(*game));
            STEP(14, clickOn("Back") && WaitForTop<ROptionsMenu>(*game));
            STEP(15, clickOn("Audio") && WaitForTop<RAudioMenu>(*game));
            STEP(16, clickOn("Music"));
            STEP(17, game->GetSettings().musicVolume > 0.35f && game->GetSettings().musicVolume < 0.45f);
            STEP(18, clickOn("Back") && WaitForTop<ROptionsMenu>(*game));
            STEP(19, clickOn("Back") && WaitForTop<RTitleMenu>(*game));
            STEP(20, clickOn("Quit") && WaitForTop<RConfirmationMenu>(*game));
            STEP(21, clickOn("Yes") && game->IsQuitting());
            game->Shutdown();
            delete game;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_NE(ReadBytes(UserFolder(data) + "Config/ControlBindings.bnd").find(BindingBytes(1, 2, 3)), std::string::npos);
}

// The text entry menu: accepting its field starts editing, typed keys go into the field (not to the menus'
// navigation, though W, A, S and D are menu keys too), Return ends editing and hands the text on.
TEST_F(MenuNavigation, ATextFieldTakesTypedKeysUntilReturn)
{
    EXPECT_EXIT(
        {
            PrepareChild(data, "dummy");
            MenuTestGame* game = new MenuTestGame();
            STEP(2, game->InitEngine() && game->InitSystems() && game->InitRuntime());
            STEP(3, WaitForTop<RTitleMenu>(*game));
            static std::string entered;
            game->PushMenu(game->GetNewTextEntryMenu(RString("Name"), RString("Ad"), 8,
                                                     [](const RString& text) { entered = text.GetString(); }));
            RTextEntryMenu* menu = WaitForTop<RTextEntryMenu>(*game);
            STEP(4, menu && menu->GetSelection() == 0);
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(5, menu->TakesRawInput());
            Press(*game, "s", SDL_SCANCODE_S);
            Press(*game, "w", SDL_SCANCODE_W);
            Press(*game, "BackSpace", SDL_SCANCODE_BACKSPACE);
            Press(*game, "a", SDL_SCANCODE_A);
            STEP(6, menu->GetSelection() == 0 && std::string(menu->GetEnteredText().GetString()) == "Adsa");
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(7, entered == "Adsa");
            STEP(8, FramesUntil(*game, [] { return dynamic_cast<RTitleMenu*>(Top()) != nullptr; }));
            game->Shutdown();
            delete game;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// At 20 frames a second a focused field takes a word typed at 10 ms a key on a French keyboard (its accented
// letters in Windows-1252) and two keys pressed together, whole and in order; a key held over several frames types
// once.
TEST_F(MenuNavigation, ATextFieldTakesTypingFasterThanTheFrames)
{
    ASSERT_EQ(std::system("setxkbmap fr"), 0);
    EXPECT_EXIT(
        {
            PrepareChild(data, "dummy");
            MenuTestGame* game = new MenuTestGame();
            STEP(2, game->InitEngine() && game->InitSystems() && game->InitRuntime());
            STEP(3, WaitForTop<RTitleMenu>(*game));
            game->PushMenu(game->GetNewTextEntryMenu(RString("Name"), RString(""), 24, [](const RString&) {}));
            RTextEntryMenu* menu = WaitForTop<RTextEntryMenu>(*game);
            STEP(4, menu);
            Press(*game, "Return", SDL_SCANCODE_RETURN);
            STEP(5, menu->TakesRawInput());
            // The keys go in while frames run, no more than 20 a second.
            const auto slowFramesWhile = [game](const std::string& keys) {
                xinputtest::Xdotool(std::string(kFindWindow) + " windowraise windowfocus");
                std::atomic<bool> done(false);
                bool typed = false;
                std::thread typist([&] {
                    typed = xinputtest::Xdotool(keys);
                    done = true;
                });
                while (!done) {
                    Frame(*game);
                    SDL_Delay(48);
                }
                typist.join();
                for (int i = 0; i < 5; ++i) {
                    Frame(*game);
                    SDL_Delay(48);
                }
                return typed;
            };
            STEP(6, slowFramesWhile("type --delay 10 'Zo\xC3\xA9 Wasd'"));
            STEP(7, slowFramesWhile("keydown l sleep 0.01 keydown i sleep 0.01 keyup l keyup i"));
            STEP(8, slowFramesWhile("keydown x sleep 0.3 keyup x"));
            STEP(9, std::string(menu->GetEnteredText().GetString()) == "Zo\xE9 Wasdlix");
            game->Shutdown();
            delete game;
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(std::system("setxkbmap us"), 0);
}

} // namespace
