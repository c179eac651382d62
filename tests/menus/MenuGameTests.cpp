// The menus in the running engine: navigation with an SDL virtual game controller, every key press between two
// frames a step, Escape cancelling an edit of the text field, "QuickStart", the pause menu holding the game, a window
// resized while a menu slides, settings applied at once, an aspect choice kept across restarts and the test
// language. Each test runs its game in a child process.
#include "MenuTestGame.h"

#include "basegame/RConsole.h"
#include "basegame/RConsoleCommands.h"
#include "basegame/RRenderSetup.h"
#include "basegame/RSubroutineMgr.h"
#include "render/passes/RMenuBackdrop.h"

#include <cmath>
#include <cstring>

using namespace menutest;

namespace {

#define STEP(code, condition) \
    do {                      \
        if (!(condition))     \
            exit(code);       \
    } while (0)

// Starts the test game in the child, its title menu at rest on top.
MenuTestGame* StartToTitle(const TempUserData& data)
{
    PrepareChild(data, "dummy");
    MenuTestGame* game = new MenuTestGame();
    if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
        exit(2);
    if (!WaitForTop<RTitleMenu>(*game))
        exit(3);
    return game;
}

void End(MenuTestGame* game, int code)
{
    game->Shutdown();
    delete game;
    exit(code);
}

// The child processes of the tests below, each exiting with 0 or the number of the step that failed.
void DriveWithTheController(TempUserData& data)
{
    // The virtual pad is attached before start-up, so the input handler opens it as the first device.
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
    PrepareChild(data, "dummy");
    STEP(2, SDL_Init(SDL_INIT_GAMECONTROLLER) == 0);
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0);
    STEP(3, index >= 0);
    SDL_Joystick* pad = SDL_JoystickOpen(index);
    STEP(4, pad);
    MenuTestGame* game = new MenuTestGame();
    STEP(5, game->InitEngine() && game->InitSystems() && game->InitRuntime());
    STEP(6, RInputHandler::GetInstance()->IsControllerMode());

    auto press = [game, pad](SDL_GameControllerButton button) {
        SDL_JoystickSetVirtualButton(pad, button, 1);
        const auto& state = RInputHandler::GetInstance()->GetCurrentState();
        FramesUntil(*game, [&] { return state.padButtons.getCount() > 14 && state.padButtons[button]; });
        for (int i = 0; i < 3; ++i)
            Frame(*game);
        SDL_JoystickSetVirtualButton(pad, button, 0);
        FramesUntil(*game, [&] { return state.padButtons.getCount() > 14 && !state.padButtons[button]; });
    };
    auto downTo = [&press](const char* part) {
        for (int i = 0; i < 12 && !SelectedHas(part); ++i)
            press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        return SelectedHas(part);
    };

    press(SDL_CONTROLLER_BUTTON_A);  // skips the splash
    STEP(7, WaitForTop<RTitleMenu>(*game));
    STEP(8, downTo("Options"));
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(9, WaitForTop<ROptionsMenu>(*game) && downTo("Controls"));
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(10, WaitForTop<RControlsMenu>(*game));
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(11, WaitForTop<RControlGroupsMenu>(*game) && downTo("Gameplay"));
    // The engine's "Utility" group is listed and rebound from its own menu: its shown actions are buttons, its
    // hidden "DeviceRecognition" left out. The hidden "VisOnly" group is not listed.
    auto listed = [](const char* group) {
        const std::string name = RControlGroupsMenu::GetDisplayName(RHashedString(group), RHashedString()).GetString();
        bool found = false;
        for (uint32_t i = 0; i < Top()->GetEntryCount(); ++i)
            found = found || name == Top()->GetEntry(i)->GetText().GetString();
        return !name.empty() && found;
    };
    STEP(26, listed("Utility") && !listed("VisOnly"));
    {
        RControlGroupsMenu utility{RHashedString("Utility")};
        utility.Build();
        int buttons = 0;
        for (uint32_t i = 0; i < utility.GetEntryCount(); ++i)
            buttons += utility.GetEntry(i)->IsSelectable();
        STEP(27, utility.GetEntryCount() == 3 && buttons == 3);  // "OpenConsole", "Screenshot", back
    }
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(12, WaitForTop<RControlGroupsMenu>(*game) && downTo("Jump:"));
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(13, WaitForTop<RBindingMenu>(*game));
    press(SDL_CONTROLLER_BUTTON_X);
    STEP(14, WaitForTop<RControlGroupsMenu>(*game));
    // The pad's X joins Jump's bindings, and the list shows it as the pad's picture.
    const RUtilVector<RDefinedInput>* jump =
        RControlConfig::GetInstance()->FindInputList(RHashedString("Gameplay"), RHashedString("Jump"));
    bool bound = false;
    for (uint32_t i = 0; jump && i < jump->getCount(); ++i)
        bound = bound || ((*jump)[i].kind == 1 && (*jump)[i].source == 4 &&
                          (*jump)[i].code == SDL_CONTROLLER_BUTTON_X);
    STEP(15, bound);
    STEP(16, std::strchr(Top()->GetSelectedEntry()->GetText().GetString(), 127) != nullptr);

    press(SDL_CONTROLLER_BUTTON_B);
    STEP(17, WaitForTop<RControlGroupsMenu>(*game));
    press(SDL_CONTROLLER_BUTTON_B);
    STEP(18, WaitForTop<RControlsMenu>(*game));
    press(SDL_CONTROLLER_BUTTON_B);
    STEP(19, WaitForTop<ROptionsMenu>(*game) && downTo("Audio"));
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(20, WaitForTop<RAudioMenu>(*game) && downTo("Music"));
    press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    STEP(21, std::fabs(game->GetSettings().musicVolume - 0.4f) < 1e-4f);
    press(SDL_CONTROLLER_BUTTON_B);
    STEP(22, WaitForTop<ROptionsMenu>(*game));
    press(SDL_CONTROLLER_BUTTON_B);
    STEP(23, WaitForTop<RTitleMenu>(*game) && downTo("Quit"));
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(24, WaitForTop<RConfirmationMenu>(*game) && downTo("Yes"));
    press(SDL_CONTROLLER_BUTTON_A);
    STEP(25, game->IsQuitting());
    End(game, 0);
}

// With "QuickStart" and the test language: the splash plays first, with nothing started meanwhile; the title menu
// accepts its first entry in the frame the splash ends, and every title text is masked.
void StartQuicklyInTheTestLanguage(TempUserData& data)
{
    PrepareChild(data, "dummy");
    MenuTestGame* game = new MenuTestGame();
    STEP(2, game->InitEngine() && game->InitSystems() && game->InitRuntime());
    Frame(*game);
    STEP(3, game->starts == 0 && RSubroutineMgr::GetInstance()->AnyCapturesInput());
    STEP(4, FramesUntil(*game, [game] { return game->starts > 0 || !RSubroutineMgr::GetInstance()->AnyCapturesInput(); }));
    STEP(5, game->starts == 1 && !RSubroutineMgr::GetInstance()->AnyCapturesInput());
    STEP(6, ReadBytes(UserFolder(data) + "Logs/DebugLog_Safe.txt").find("Splash played") != std::string::npos);
    RGameMenu* title = WaitForTop<RTitleMenu>(*game);
    STEP(7, title && title->GetEntryCount() == 3);
    for (uint32_t i = 0; i < title->GetEntryCount(); ++i)
        STEP(8, std::string(title->GetEntry(i)->GetText().GetString()).find_first_not_of("X ") ==
                    std::string::npos);
    End(game, 0);
}

void PauseAndResume(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    STEP(4, game->IsPaused());  // a title screen holds the game too
    RMenuMgr::GetInstance()->RequestPopAll();
    Frame(*game);
    Frame(*game);
    STEP(5, !game->IsPaused() && game->GetGameStep() > 0.0f);

    game->OnPauseAction();
    game->OnPauseAction();  // pressed again before the menu is up: still one menu
    RPauseMenu* pause = WaitForTop<RPauseMenu>(*game);
    STEP(6, pause && RMenuMgr::GetInstance()->GetMenuCount() == 1);
    STEP(7, game->IsPaused() && game->GetGameStep() == 0.0f);
    game->OnPauseAction();  // with a menu up the menus' cancel has the key
    Frame(*game);
    STEP(8, RMenuMgr::GetInstance()->GetMenuCount() == 1);

    pause->SetSelection(0);  // resume
    pause->OnAccept();
    FramesUntil(*game, [] { return RMenuMgr::GetInstance()->GetMenuCount() == 0; });
    Frame(*game);
    STEP(9, !game->IsPaused() && game->GetGameStep() > 0.0f);

    // Quit to the title, through its confirmation.
    game->OnPauseAction();
    pause = WaitForTop<RPauseMenu>(*game);
    STEP(10, pause);
    pause->SetSelection(2);
    pause->OnAccept();
    RConfirmationMenu* confirm = WaitForTop<RConfirmationMenu>(*game);
    STEP(11, confirm);
    confirm->SetSelection(1);
    confirm->OnAccept();
    STEP(12, WaitForTop<RTitleMenu>(*game) && RMenuMgr::GetInstance()->GetMenuCount() == 1);
    End(game, 0);
}

void ResizeWhileSliding(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    game->PushMenu(game->GetNewOptionsMenu());
    Frame(*game);
    STEP(4, RMenuMgr::GetInstance()->IsFading());
    SDL_SetWindowSize(game->GetWindow(), 800, 600);
    STEP(5, FramesUntil(*game, [game] { return game->GetScreenHeight() == 600; }));
    STEP(6, RMenuMgr::GetInstance()->IsFading() || dynamic_cast<ROptionsMenu*>(Top()));
    WaitForTop<ROptionsMenu>(*game);
    RMatrix4 expected;
    RMatrix4::MakeScale(expected, RVector3{1.0f, -600.0f, 0.0f});
    STEP(7, std::memcmp(RMenuMgr::GetInstance()->GetBackdrop()->GetTransform().m, expected.m,
                        sizeof(expected.m)) == 0);
    // At 4:3 the menu space is the whole screen.
    const RMenuSpace space = RHUDScreen::GetMenuSpace();
    STEP(8, std::fabs(space.xOffset) < 1e-5f && std::fabs(space.invHalfWidth - 2.0f / 1024.0f) < 1e-7f);
    End(game, 0);
}

void ChangeVideoSettings(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    game->PushMenu(game->GetNewVideoMenu());
    RVideoMenu* video = WaitForTop<RVideoMenu>(*game);
    STEP(4, video);
    // Aspect ratio: from the screen's own to 4:3.
    video->SetSelection(1);
    video->OnNavigate(1, 0);
    Frame(*game);
    STEP(5, std::fabs(game->GetSettings().aspectRatio - 4.0f / 3.0f) < 1e-5f);
    STEP(6, std::abs(game->GetScreenWidth() * 3 - game->GetScreenHeight() * 4) <= 4);
    // Smoothing: a new pre-HUD material of the new quality, drawn the next frame.
    video->SetSelection(3);
    const int32_t before = game->GetSettings().antialiasQuality;
    video->OnNavigate(1, 0);
    Frame(*game);
    STEP(7, game->GetSettings().antialiasQuality == before + 1);
    // Settings changed from the console while the menu is up show as they are in the next frame; an aspect that
    // is none of the menu's choices shows as its number.
    RString out;
    STEP(8, RConsoleCommands::Execute("set Video Fullscreen 1", out) &&
                RConsoleCommands::Execute("set Video AntialiasQuality 4", out) &&
                RConsoleCommands::Execute("set Video AspectRatio 1", out));
    Frame(*game);
    const auto shown = [video](uint32_t entry) {
        return std::string(static_cast<RMenuSpinner*>(video->GetEntry(entry))->GetValueText().GetString());
    };
    STEP(9, shown(0) == "On" && shown(1) == "1" && shown(3) == "Ultra");
    End(game, 0);
}

// One session of a chain of restarts: the video menu's aspect ratio, as the last session left it in "Config.ini",
// shows as the choice named shown (unless null; else the session ends with 5); then a step to the next choice,
// which the shut-down saves.
void StepTheAspectOfTheLastSession(TempUserData& data, const char* shown)
{
    MenuTestGame* game = StartToTitle(data);
    game->PushMenu(game->GetNewVideoMenu());
    RVideoMenu* video = WaitForTop<RVideoMenu>(*game);
    STEP(4, video);
    const RMenuSpinner* aspect = static_cast<RMenuSpinner*>(video->GetEntry(1));
    const bool shownByName = !shown || std::string(aspect->GetValueText().GetString()) == shown;
    video->SetSelection(1);
    video->OnNavigate(1, 0);
    Frame(*game);
    End(game, shownByName ? 0 : 5);
}

// Queues a key's press and release as SDL sends them, with the text the key types (if any) between the two.
bool PushTap(SDL_Scancode key, const char* text = nullptr)
{
    SDL_Event events[3];
    SDL_zero(events);
    events[0].type = SDL_KEYDOWN;
    events[0].key.keysym.scancode = key;
    events[1].type = SDL_TEXTINPUT;
    SDL_strlcpy(events[1].text.text, text ? text : "", sizeof(events[1].text.text));
    events[2].type = SDL_KEYUP;
    events[2].key.keysym.scancode = key;
    for (const SDL_Event& event : events) {
        SDL_Event copy = event;
        if ((event.type != SDL_TEXTINPUT || text) && SDL_PushEvent(&copy) != 1)
            return false;
    }
    return true;
}

// Two taps of Down, then two of Tab (the next entry), that SDL's event queue holds for one frame, each pressed and
// released before the frame.
void StepTwiceInOneFrame(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    for (SDL_Scancode key : {SDL_SCANCODE_DOWN, SDL_SCANCODE_TAB}) {
        Top()->SetSelection(0);
        STEP(4, SelectedHas("New Game"));
        STEP(5, PushTap(key) && PushTap(key));
        Frame(*game);
        STEP(key == SDL_SCANCODE_DOWN ? 6 : 7, Top()->GetSelection() == 2 && SelectedHas("Quit"));
    }
    End(game, 0);
}

// The console key, then a command and Return, all typed between two frames on the title menu: what is typed after
// the key is the console's, in order, so the command runs; the title menu beneath hears none of it (no step, no
// accept).
void TypeACommandAfterTheConsoleKeyInOneFrame(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    RGameMenu* title = Top();
    title->SetSelection(0);
    STEP(4, SelectedHas("New Game") && !game->IsConsoleOpen());
    const std::string command = "set Audio MasterVolume 0.25";
    STEP(5, PushTap(SDL_SCANCODE_GRAVE, "`"));
    for (char c : command) {
        const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        const SDL_Scancode key = c == ' '   ? SDL_SCANCODE_SPACE
                               : c == '.'   ? SDL_SCANCODE_PERIOD
                               : c == '0'   ? SDL_SCANCODE_0
                               : c >= '1' && c <= '9' ? static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (c - '1'))
                                                      : static_cast<SDL_Scancode>(SDL_SCANCODE_A + (lower - 'a'));
        STEP(5, PushTap(key, std::string(1, c).c_str()));
    }
    STEP(5, PushTap(SDL_SCANCODE_RETURN));
    Frame(*game);
    STEP(6, game->starts == 0 && title->GetSelection() == 0);
    const RConsole* console = game->GetConsole();
    STEP(7, game->IsConsoleOpen() && console->GetHistoryCount() == 1 &&
                command == console->GetHistoryLine(0).GetString());
    STEP(8, std::fabs(game->GetSettings().masterVolume - 0.25f) < 1e-6f);
    Frame(*game);
    Frame(*game);
    RMenuMgr* menus = RMenuMgr::GetInstance();
    STEP(9, menus->GetMenuCount() == 1 && Top() == title && title->GetSelection() == 0 && game->starts == 0);
    End(game, 0);
}

// A bindings menu waiting for Jump's new key: the console's key typed there is the key it binds, and the console
// stays shut, in the frame of the key and after it.
void BindTheConsolesKey(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    game->PushMenu(new RBindingMenu(RHashedString("Gameplay"), RHashedString("Jump")));
    STEP(4, WaitForTop<RBindingMenu>(*game));
    STEP(5, PushTap(SDL_SCANCODE_GRAVE, "`"));
    Frame(*game);
    STEP(6, !game->IsConsoleOpen());
    STEP(7, WaitForTop<RTitleMenu>(*game) && !game->IsConsoleOpen());
    const RUtilVector<RDefinedInput>* jump =
        RControlConfig::GetInstance()->FindInputList(RHashedString("Gameplay"), RHashedString("Jump"));
    bool bound = false;
    for (uint32_t i = 0; jump && i < jump->getCount(); ++i)
        bound = bound || ((*jump)[i].source == RDefinedInput::kKeyboard && (*jump)[i].code == SDL_SCANCODE_GRAVE);
    STEP(8, bound);
    End(game, 0);
}

// The frames after a burst of keys: enough for a key left to the next frame to be read there.
void Frames(MenuTestGame& game, int count)
{
    for (int i = 0; i < count; ++i)
        Frame(game);
}

// Down typed just before the console's key, within one frame, moves the title menu, and the console opens.
void DownThenTheConsolesKey(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    RGameMenu* title = Top();
    title->SetSelection(0);
    STEP(4, PushTap(SDL_SCANCODE_DOWN) && PushTap(SDL_SCANCODE_GRAVE, "`"));
    Frames(*game, 3);
    STEP(5, title->GetSelection() == 1 && game->IsConsoleOpen());
    End(game, 0);
}

// With the console open, a line and its Return typed before the console's key, and Down after it, all within one
// frame: the line runs, the console closes and Down moves the title menu.
void TheConsolesKeyThenDown(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    RGameMenu* title = Top();
    title->SetSelection(0);
    STEP(4, PushTap(SDL_SCANCODE_GRAVE, "`"));
    Frames(*game, 2);
    STEP(5, game->IsConsoleOpen() && title->GetSelection() == 0);
    const RConsole* console = game->GetConsole();
    STEP(6, PushTap(SDL_SCANCODE_H, "h") && PushTap(SDL_SCANCODE_E, "e") && PushTap(SDL_SCANCODE_L, "l") &&
                PushTap(SDL_SCANCODE_P, "p") && PushTap(SDL_SCANCODE_RETURN) && PushTap(SDL_SCANCODE_GRAVE, "`") &&
                PushTap(SDL_SCANCODE_DOWN));
    Frames(*game, 3);
    STEP(7, !game->IsConsoleOpen() && console->GetHistoryCount() == 1 &&
                std::string(console->GetHistoryLine(0).GetString()) == "help");
    STEP(8, title->GetSelection() == 1 && game->starts == 0);
    End(game, 0);
}

// In play, with the console open, Escape typed just before the console's key is the console's: the console
// closes and the game does not pause.
void EscapeBeforeTheConsolesKeyInPlay(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    RMenuMgr* menus = RMenuMgr::GetInstance();
    menus->RequestPopAll();
    Frames(*game, 2);
    STEP(4, menus->GetMenuCount() == 0 && !game->IsPaused());
    STEP(5, PushTap(SDL_SCANCODE_GRAVE, "`"));
    Frames(*game, 2);
    STEP(6, game->IsConsoleOpen());
    STEP(7, PushTap(SDL_SCANCODE_ESCAPE) && PushTap(SDL_SCANCODE_GRAVE, "`"));
    Frames(*game, 3);
    STEP(8, !game->IsConsoleOpen());
    STEP(9, menus->GetMenuCount() == 0 && !menus->HasPendingRequests() && !game->IsPaused());
    End(game, 0);
}

// Queues a key's press (a repeat of a held key when repeat) or release, as SDL sends it.
bool PushKey(Uint32 type, SDL_Scancode key, bool repeat = false)
{
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    event.key.keysym.scancode = key;
    event.key.repeat = repeat ? 1 : 0;
    return SDL_PushEvent(&event) == 1;
}

// The console's key held past the system's repeat delay opens the console once, and held again closes it once:
// the repeats change nothing.
void HoldTheConsolesKey(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    for (bool open : {true, false}) {
        STEP(4, PushKey(SDL_KEYDOWN, SDL_SCANCODE_GRAVE));
        Frames(*game, 2);
        STEP(5, game->IsConsoleOpen() == open);
        // Later than a quick tap: these are the held key's repeats.
        SDL_Delay(RInputHandler::kQuickTapMs * 2);
        for (int repeat = 0; repeat < 4; ++repeat) {
            STEP(6, PushKey(SDL_KEYDOWN, SDL_SCANCODE_GRAVE, true));
            Frame(*game);
            STEP(7, game->IsConsoleOpen() == open);
        }
        STEP(8, PushKey(SDL_KEYUP, SDL_SCANCODE_GRAVE));
        Frames(*game, 2);
        STEP(9, game->IsConsoleOpen() == open);
    }
    End(game, 0);
}

// Clicks mouse button 4 (no menu's button).
bool PushClick()
{
    SDL_Event events[2];
    SDL_zero(events);
    events[0].type = SDL_MOUSEBUTTONDOWN;
    events[1].type = SDL_MOUSEBUTTONUP;
    for (SDL_Event& event : events) {
        event.button.button = 4;
        if (SDL_PushEvent(&event) != 1)
            return false;
    }
    return true;
}

// "OpenConsole" on its key and on a mouse button as well: after the key has opened and closed the console, the
// button still opens and closes it, as often as it is clicked.
void OpenTheConsoleByKeyAndButton(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    RControlConfig::GetInstance()->AddDefinedInput(RHashedString("Utility"), RHashedString("OpenConsole"),
                                                   RDefinedInput::Button(RDefinedInput::kMouseButton, 4));
    for (bool open : {true, false}) {
        STEP(4, PushTap(SDL_SCANCODE_GRAVE, "`"));
        Frames(*game, 2);
        STEP(5, game->IsConsoleOpen() == open);
    }
    for (int round = 0; round < 2; ++round) {
        for (bool open : {true, false}) {
            STEP(6, PushClick());
            Frames(*game, 2);
            STEP(7, game->IsConsoleOpen() == open);
        }
    }
    End(game, 0);
}

// "OpenConsole" rebound to Q, a key that types: Q opens the console and types nothing into its line, so "help"
// typed after it in the same frame runs as it is.
void OpenTheConsoleWithALetter(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    RUtilVector<RDefinedInput>* bindings =
        RControlConfig::GetInstance()->FindInputList(RHashedString("Utility"), RHashedString("OpenConsole"));
    STEP(4, bindings);
    bindings->clear();
    bindings->push(RDefinedInput::Button(RDefinedInput::kKeyboard, SDL_SCANCODE_Q));
    STEP(5, PushTap(SDL_SCANCODE_Q, "q") && PushTap(SDL_SCANCODE_H, "h") && PushTap(SDL_SCANCODE_E, "e") &&
                PushTap(SDL_SCANCODE_L, "l") && PushTap(SDL_SCANCODE_P, "p") && PushTap(SDL_SCANCODE_RETURN));
    Frames(*game, 2);
    const RConsole* console = game->GetConsole();
    STEP(6, game->IsConsoleOpen() && console->GetHistoryCount() == 1);
    STEP(7, std::string(console->GetHistoryLine(0).GetString()) == "help");
    End(game, 0);
}

// The console opened over the splash: Space and Return typed into it are the console's, and the splash plays to
// its end.
void TypeIntoTheConsoleOverTheSplash(TempUserData& data)
{
    PrepareChild(data, "dummy");
    MenuTestGame* game = new MenuTestGame();
    STEP(2, game->InitEngine() && game->InitSystems() && game->InitRuntime());
    Frame(*game);
    STEP(3, RSubroutineMgr::GetInstance()->AnyCapturesInput());
    STEP(4, PushTap(SDL_SCANCODE_GRAVE, "`"));
    Frames(*game, 2);
    STEP(5, game->IsConsoleOpen());
    STEP(6, PushTap(SDL_SCANCODE_SPACE, " ") && PushTap(SDL_SCANCODE_RETURN));
    Frames(*game, 3);
    STEP(7, game->IsConsoleOpen() && RSubroutineMgr::GetInstance()->AnyCapturesInput());
    STEP(8, PushTap(SDL_SCANCODE_GRAVE, "`"));
    STEP(9, WaitForTop<RTitleMenu>(*game) && !game->IsConsoleOpen());
    const std::string log = ReadBytes(UserFolder(data) + "Logs/DebugLog_Safe.txt");
    STEP(10, log.find("Splash played") != std::string::npos && log.find("Splash skipped") == std::string::npos);
    End(game, 0);
}

// The one-field text menu: Escape cancels an edit, typed over several frames or within the frame of the Escape
// with more text after it, and the field holds its text from before the edit, which OK then hands on.
void CancelEdits(TempUserData& data)
{
    MenuTestGame* game = StartToTitle(data);
    static std::string entered;
    game->PushMenu(game->GetNewTextEntryMenu(RString("Name"), RString("Ann"), 8,
                                             [](const RString& text) { entered = text.GetString(); }));
    RTextEntryMenu* menu = WaitForTop<RTextEntryMenu>(*game);
    STEP(4, menu && menu->GetSelection() == 0);
    const auto editing = [game, menu] {
        STEP(5, PushTap(SDL_SCANCODE_RETURN));
        Frame(*game);
        return menu->TakesRawInput();
    };
    const auto text = [menu] { return std::string(menu->GetEnteredText().GetString()); };

    STEP(6, editing());
    STEP(7, PushTap(SDL_SCANCODE_BACKSPACE) && PushTap(SDL_SCANCODE_B, "B"));
    Frame(*game);
    STEP(8, PushTap(SDL_SCANCODE_O, "o") && PushTap(SDL_SCANCODE_B, "b"));
    Frame(*game);
    STEP(9, text() == "AnBob");
    STEP(10, PushTap(SDL_SCANCODE_ESCAPE));
    Frame(*game);
    STEP(11, !menu->TakesRawInput() && text() == "Ann");

    STEP(12, editing());
    STEP(13, PushTap(SDL_SCANCODE_B, "B") && PushTap(SDL_SCANCODE_O, "o") && PushTap(SDL_SCANCODE_B, "b") &&
                 PushTap(SDL_SCANCODE_ESCAPE) && PushTap(SDL_SCANCODE_X, "x"));
    Frame(*game);
    STEP(14, !menu->TakesRawInput() && text() == "Ann");
    Frame(*game);
    STEP(15, WaitForTop<RTextEntryMenu>(*game) == menu && text() == "Ann");

    menu->SetSelection(1);
    menu->OnAccept();
    STEP(16, entered == "Ann");
    End(game, 0);
}

class MenuGame : public ::testing::Test {
protected:
    TempUserData data;
};

// The same road as the keyboard's, on a game controller: the pad, A, B and X.
TEST_F(MenuGame, AGameControllerNavigatesToABindingAVolumeAndQuit)
{
    EXPECT_EXIT(DriveWithTheController(data), ::testing::ExitedWithCode(0), "");
    EXPECT_NE(ReadBytes(UserFolder(data) + "Config/ControlBindings.bnd").find(BindingBytes(1, 4, SDL_CONTROLLER_BUTTON_X)),
              std::string::npos);
}

// Every press of a menu key counts, however many fall between two frames: two taps of Down, or of Tab, move two
// entries.
TEST_F(MenuGame, TwoDownOrTabTapsWithinOneFrameMoveTheTitleMenuTwoEntries)
{
    EXPECT_EXIT(StepTwiceInOneFrame(data), ::testing::ExitedWithCode(0), "");
}

// Typed between two frames, the console key and a command after it with its Return: the console opens at the key
// and runs the command, which its history file keeps; the title menu takes none of the keys.
TEST_F(MenuGame, KeysTypedAfterTheConsoleKeyWithinOneFrameGoToTheConsoleNotTheTitleMenu)
{
    EXPECT_EXIT(TypeACommandAfterTheConsoleKeyInOneFrame(data), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadBytes(UserFolder(data) + "Config/ConsoleMemory.txt"), "set Audio MasterVolume 0.25\r\n");
}

// The console's key pressed while a bindings menu waits for a key is bound, and opens no console.
TEST_F(MenuGame, TheConsolesKeyPressedForABindingIsBoundAndOpensNoConsole)
{
    EXPECT_EXIT(BindTheConsolesKey(data), ::testing::ExitedWithCode(0), "");
}

// A key typed within one frame of the console's key goes where it would have gone alone: before the key that
// opens the console, to the menu; after the key that closes it, to the menu too.
TEST_F(MenuGame, AKeyTypedJustBeforeTheConsoleOpensReachesTheMenu)
{
    EXPECT_EXIT(DownThenTheConsolesKey(data), ::testing::ExitedWithCode(0), "");
}

TEST_F(MenuGame, AKeyTypedJustAfterTheConsoleClosesReachesTheMenu)
{
    EXPECT_EXIT(TheConsolesKeyThenDown(data), ::testing::ExitedWithCode(0), "");
}

// In play, Escape typed with the console open, within one frame of the key that closes it, pauses nothing.
TEST_F(MenuGame, EscapeJustBeforeTheConsoleClosesDoesNotPauseTheGame)
{
    EXPECT_EXIT(EscapeBeforeTheConsolesKeyInPlay(data), ::testing::ExitedWithCode(0), "");
}

// A held console key toggles the console once; its repeats do nothing.
TEST_F(MenuGame, AHeldConsoleKeyOpensOrClosesTheConsoleOnce)
{
    EXPECT_EXIT(HoldTheConsolesKey(data), ::testing::ExitedWithCode(0), "");
}

// The console on its key and on a mouse button: the button keeps working after the key was used.
TEST_F(MenuGame, TheConsolesButtonWorksAfterItsKeyWasUsed)
{
    EXPECT_EXIT(OpenTheConsoleByKeyAndButton(data), ::testing::ExitedWithCode(0), "");
}

// The console on a letter key: the letter opens it and is not typed into the line.
TEST_F(MenuGame, AConsoleKeyThatTypesALetterPutsNoLetterInTheLine)
{
    EXPECT_EXIT(OpenTheConsoleWithALetter(data), ::testing::ExitedWithCode(0), "");
}

// The splash is skipped by no key typed into the console.
TEST_F(MenuGame, KeysTypedIntoTheConsoleOverTheSplashDoNotSkipIt)
{
    EXPECT_EXIT(TypeIntoTheConsoleOverTheSplash(data), ::testing::ExitedWithCode(0), "");
}

// Escape cancels an edit of the text field, typed over frames or in one, and the field keeps its text from before.
TEST_F(MenuGame, EscapeCancelsAnEditOfTheTextFieldAndLeavesItsTextFromBefore)
{
    EXPECT_EXIT(CancelEdits(data), ::testing::ExitedWithCode(0), "");
}

// "QuickStart" accepts the title menu as soon as the splash has pushed it; the test language masks every menu
// text, so a text that is not localized shows up unmasked.
TEST_F(MenuGame, QuickStartAcceptsTheTitleMenuAfterTheSplashAndTheTestLanguageMasksItsTexts)
{
    // The user's "Config.ini", with the fixed engine step of PrepareChild.
    WriteBytes(UserFolder(data) + "Config/Config.ini",
               "[General]\r\nQuickStart: true\r\nLanguage: xxx\r\n[Engine]\r\nFixedEngineFPS: 20\r\n");
    EXPECT_EXIT(StartQuicklyInTheTestLanguage(data), ::testing::ExitedWithCode(0), "");
}

// The pause action during play opens the pause menu once; the game step stops while it is up and runs again
// when it closes.
TEST_F(MenuGame, ThePauseMenuHoldsTheGameWhileItIsUp)
{
    EXPECT_EXIT(PauseAndResume(data), ::testing::ExitedWithCode(0), "");
}

// A window resized while a menu slides in: the menu space and the backdrop follow the new size at once.
TEST_F(MenuGame, AWindowResizedWhileAMenuSlidesIsFollowed)
{
    EXPECT_EXIT(ResizeWhileSliding(data), ::testing::ExitedWithCode(0), "");
}

// "Config.ini" keeps six decimals, so an aspect chosen in the menu comes back a little off its choice (4:3 as
// 1.333333): after a restart the menu still shows the choice's name, not the number.
TEST_F(MenuGame, AnAspectChoiceIsShownByNameAfterARestart)
{
    EXPECT_EXIT(StepTheAspectOfTheLastSession(data, nullptr), ::testing::ExitedWithCode(0), "");
    const struct {
        const char* name;
        const char* saved;
    } choices[] = {{"4:3", "AspectRatio: 1.333333"},
                   {"16:10", "AspectRatio: 1.600000"},
                   {"16:9", "AspectRatio: 1.777778"}};
    for (const auto& choice : choices) {
        SCOPED_TRACE(choice.name);
        EXPECT_NE(ReadBytes(UserFolder(data) + "Config/Config.ini").find(choice.saved), std::string::npos);
        EXPECT_EXIT(StepTheAspectOfTheLastSession(data, choice.name), ::testing::ExitedWithCode(0), "");
    }
}

// Video settings take effect when changed in the menu, not at the next start, and the menu shows them as they are
// when the console changes them.
TEST_F(MenuGame, VideoSettingsApplyAtOnce)
{
    EXPECT_EXIT(ChangeVideoSettings(data), ::testing::ExitedWithCode(0), "");
}

} // namespace
