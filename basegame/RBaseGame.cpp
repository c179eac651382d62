#include "basegame/RBaseGame.h"

#include "basegame/RConsole.h"
#include "basegame/RConsoleCommands.h"
#include "basegame/RFrameCap.h"
#include "basegame/RSplashSubroutine.h"
#include "basegame/RStartup.h"
#include "basegame/RSubroutineMgr.h"
#include "basegame/net/RHTTPRequest.h"
#include "basegame/net/ROnlineServices.h"
#include "core/config/RConfigFile.h"
#include "core/config/REngineConfig.h"
#include "core/text/RLexer.h"
#include "core/system/RLogger.h"
#include "core/system/RPlatformLayer.h"
#include "core/system/RQuitSignals.h"
#include "core/files/RSafeFileWriter.h"
#include "core/types/RStringMgr.h"
#include "core/files/RStreamMgr.h"
#include "core/system/RThreadTagger.h"
#include "core/system/RTickable.h"
#include "core/system/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextInputList.h"
#include "render/effects/RRenderStateRegistry.h"
#include "render/effects/RShaderMgr.h"
#include "render/frame/RRenderer.h"
#include "scene/RDeleteComponent.h"
#include "scene/RGameEntity.h"

#include <SDL.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The tick-list masks of the three passes of a frame.
const unsigned kEngineTick = 1;
const unsigned kFixedTick = 2;
const unsigned kGameTick = 4;

// A frame longer than this is noted in the fast log.
const float kLongFrame = 0.25f;

// The renderer's reset and device-lost lists take plain functions; each reaches the game object.
void CallPreDeviceReset() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnPreDeviceReset(); }
void CallPostDeviceReset() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnPostDeviceReset(); }
void CallDeviceLost() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnDeviceLost(); }
void CallDisplayLost() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnDisplayLost(); }

// The engine's own pack, and content of it that every run draws with: without it nothing can be shown.
const char* const kEnginePack = "Engine.rpk";
const char* const kEngineContent[] = {"__ROLT_Final_Pass_GLSL.xml", "Font_Tahoma_8_256.dds", "Font_Tahoma_8_256.uv"};

// Whether the engine's content can be found (in its pack, or loose in a folder source); says plainly what is
// missing when not.
bool FindEngineContent(bool packMounted)
{
    for (const char* name : kEngineContent) {
        if (RStreamMgr::GetInstance()->Exists(name, RStreamMgr::kPacksAndFolders))
            continue;
        if (packMounted)
            fprintf(stderr, "The engine's content is incomplete: %s is missing from %s\n", name, kEnginePack);
        else
            fprintf(stderr, "The engine's content was not found: %s is missing or damaged\n", kEnginePack);
        return false;
    }
    return true;
}

// Removes the safe writer's temporary files that saves cut short by a kill left in folder and in each folder in it.
void RemoveStaleTemporariesUnder(const char* folder)
{
    RSafeFileWriter::RemoveStaleTemporaries(folder);
    DIR* listing = opendir(folder);
    if (!listing)
        return;
    while (const struct dirent* entry = readdir(listing)) {
        char path[PATH_MAX];
        struct stat info;
        if (entry->d_name[0] == '.' || snprintf(path, sizeof(path), "%s%s", folder, entry->d_name) >= (int)sizeof(path))
            continue;
        if (lstat(path, &info) == 0 && S_ISDIR(info.st_mode))
            RSafeFileWriter::RemoveStaleTemporaries(path);
    }
    closedir(listing);
}

// The three names whose flag is set, joined as "a", "a and b" or "a, b and c"; "" for none.
void JoinNames(char* out, size_t size, const char* const names[3], const bool flags[3])
{
    const char* chosen[3];
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (flags[i])
            chosen[count++] = names[i];
    }
    if (count == 0)
        out[0] = '\0';
    else if (count == 1)
        snprintf(out, size, "%s", chosen[0]);
    else if (count == 2)
        snprintf(out, size, "%s and %s", chosen[0], chosen[1]);
    else
        snprintf(out, size, "%s, %s and %s", chosen[0], chosen[1], chosen[2]);
}

void RunTickPass(unsigned mask, float step)
{
    RTickableManager* ticks = RTickableManager::GetInstance();
    ticks->Sort(mask);
    ticks->Tick(mask, step);
    ticks->PostTick(mask, step);
}

} // namespace

RBaseGame::RBaseGame() = default;

RBaseGame::~RBaseGame() = default;

RBaseGame* RBaseGame::GetInstance()
{
    if (!s_instance && !s_quitting)
        new RBaseGame();
    return static_cast<RBaseGame*>(s_instance);
}

bool RBaseGame::Run(const char* /*commandLine*/)
{
    const bool started = InitEngine() && InitSystems() && InitRuntime();
    if (started) {
        RunMainLoop();
        // Effects drop the parameter bindings they hold into objects that the shut-down frees.
        RShaderMgr::GetInstance()->ResetAllShaderParams();
    }
    Shutdown();
    return started;
}

bool RBaseGame::InitEngine()
{
    m_startup = new RStartup();
    if (!m_startup->IsReady())
        return false;
    RConnectGameHooks(*this);
    // From here to the end of the shut-down, losing the display saves the session before the program ends.
    RPlatformLayer::SetDisplayLostHandler(CallDisplayLost);
    // Without a user folder nothing of the session can be kept, and there is no log file to say so in.
    char userFolder[PATH_MAX];
    m_hasUserFolder = MakeUserFolder(userFolder, sizeof(userFolder), GetLocalAppDataPathName(), "", false);
    if (!m_hasUserFolder)
        fprintf(stderr, "There is no user folder (neither XDG_DATA_HOME nor HOME names one the system takes): "
                        "nothing of this session will be saved, no settings, bindings, console history, game, "
                        "screenshot or log\n");
    RemoveStaleTemporaries();

    BuildLexerOperatorTable();
    RStreamMgr* streams = RStreamMgr::GetInstance();
    AddUserSearchPath(GetModsFolderName());
    if (!FindEngineContent(streams->MountPack(kEnginePack)))
        return false;

    m_config.Register();
    ROnlineServices::RegisterConfig();
    RegisterGameConfig();
    const bool versionRead = REngineConfig::ReadVersionFile(m_version, m_engineVersion);
    QueueLogHeader();
    LogStep("Engine started: resource folder, Mods folder and Engine.rpk mounted, configuration registered");
    // Said on standard error by the lock itself.
    if (!m_startup->GetLockNote().IsEmpty())
        RLogger::GetInstance()->LogSafeAfterStandardError(m_startup->GetLockNote().GetString());
    if (!versionRead)
        ReportFailure("Version.ini is missing or incomplete");
    if (!m_config.Load())
        ReportFailure("The configuration could not be read or written at %s", m_config.GetPath());
    else if (!RConfigFile::GetInstance().GetUnreadablePath().IsEmpty())
        LogStep("The configuration %s could not be read: the settings are the defaults", m_config.GetPath());
    else
        LogStep("Configuration read from %s", m_config.GetPath());
    if (!RConfigFile::GetInstance().GetDroppedNote().IsEmpty())
        LogStep("%s", RConfigFile::GetInstance().GetDroppedNote().GetString());

    InitLocalization(true);
    RConsoleCommands::RegisterEngineCommands();
    EnumerateDisplayModes(m_resolutions);
    InitLocalization(false);
    LogStep("Localization, console commands and %u display modes ready", m_resolutions.getCount());
    return true;
}

void RBaseGame::RemoveStaleTemporaries()
{
    // Every file the game writes lies in its user folder or a folder in it.
    char folder[PATH_MAX];
    if (MakeUserFolder(folder, sizeof(folder), GetLocalAppDataPathName(), "", false))
        RemoveStaleTemporariesUnder(folder);
}

void RBaseGame::AddUserSearchPath(const char* subfolder)
{
    char path[PATH_MAX];
    if (MakeUserFolder(path, sizeof(path), GetLocalAppDataPathName(), subfolder, true))
        RStreamMgr::GetInstance()->AddSearchPath(path);
}

bool RBaseGame::InitSystems()
{
    if (!CreateGameWindow())
        return false;
    srand(static_cast<unsigned>(time(nullptr)));

    SetupInputHandler();
    UpdateWindowSize();
    RRenderer* renderer = RRenderer::GetInstance();
    if (!renderer->Init(m_window, &m_windowWidth, &m_windowHeight)) {
        ReportFailure("The renderer could not start on this OpenGL: %s", SDL_GetError());
        return false;
    }
    // Queued once the device can describe itself.
    QueueUserBlock();
    LogStep("Window %ux%u and renderer started", m_windowWidth, m_windowHeight);
    renderer->AddPreResetCallback(CallPreDeviceReset);
    renderer->AddPostResetCallback(CallPostDeviceReset);
    renderer->AddDeviceLostCallback(CallDeviceLost);
    ApplyFrameRateCap();
    // Known before any pass, target or camera is made, so that those following it start at its size.
    SetScreenResolution();

    // One opaque black frame, so the window never shows uninitialised memory.
    renderer->BeginFrame();
    renderer->ClearColour(0xFF000000u);
    renderer->EndFrame();
    renderer->Present();

    InitAudio();
    m_console = new RConsole();
    if (!m_console->LoadHistory())
        ReportFailure("The console history %s could not be read: it starts empty and the file is left as it is",
                      m_console->GetUnreadablePath().GetString());

    m_renderSetup.CreatePasses(*this);
    m_renderSetup.CreateMainCamera();
    InitControlGroups();
    LoadControlBindings();
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->CreateGroup(GetAudioGroupSFX())->SetVolume(m_config.Get().soundVolume);
    audio->CreateGroup(GetAudioGroupBGM())->SetVolume(m_config.Get().musicVolume);
    m_renderSetup.CreateFonts(*this);
    CreateControllerGlyphs();
    SetScreenResolution();
    return true;
}

void RBaseGame::InitAudio()
{
    // Without an audio device the manager stays silent and everything else goes on.
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->Init(m_window, nullptr);
    audio->SetMasterVolume(m_config.Get().masterVolume);
    audio->SetStreamLength(m_config.Get().streamLength);
    audio->SetStreamUpdatePercent(m_config.Get().streamUpdatePercent);
    audio->SetMuteWhenUnfocused(m_config.Get().muteWhenUnfocused);
    audio->UnlockMusicMutex();
    m_audioReady = true;
    if (audio->GetDeviceId() == 0) {
        printf("no audio device: running silently\n");
        LogStep("no audio device: running silently");
    } else {
        LogStep("Audio device open");
    }
}

void RBaseGame::StopAllAudio()
{
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->StopAllSounds();
    audio->ReleaseAllSounds();
    m_toneGenerator = nullptr;
}

bool RBaseGame::InitRuntime()
{
    ApplyVideoMode();
    UpdateCursorVisibility(true);
    // Two updates with no time passing, so the first frame sees no press that was not made.
    RInputHandler* input = RInputHandler::GetInstance();
    input->Update(0.0f);
    input->Update(0.0f);
    g_pGlobalTimer->Reset();
    m_timing.Restart(0.0);
    // The splash runs whatever "QuickStart" says: a game with menus reads it once the splash has ended.
    RSubroutineMgr::GetInstance()->Start(new RSplashSubroutine(), RSubroutineMgr::kEngineTime);
    return true;
}

bool RBaseGame::CreateGameWindow()
{
    m_window = SDL_CreateWindow(GetLocalAppDataPathName(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1280, 720,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!m_window) {
        ReportFailure("The game window could not be created: %s", SDL_GetError());
        return false;
    }
    m_windowSub.SetSDLWindow(m_window);
    return true;
}

void RBaseGame::UpdateWindowSize()
{
    // The size the window really has: SDL's own answer can be a full-screen size no window manager made.
    if (!m_windowSub.GetSize(&m_windowWidth, &m_windowHeight)) {
        m_windowWidth = 1;
        m_windowHeight = 1;
    }
}

void RBaseGame::ApplyFrameRateCap()
{
    m_frameCap.Start(m_window, m_config.Get().frameRateCap);
}

void RBaseGame::ApplyVideoMode()
{
    ApplyWindowMode();
    SetScreenResolution();
    ApplyScreenResViewport();
    ApplyRendererVideoMode();
    LogEvent("Video mode: window %ux%u, screen %dx%d", m_windowWidth, m_windowHeight, GetScreenWidth(),
             GetScreenHeight());
}

void RBaseGame::ApplyRendererVideoMode()
{
    RRenderer* renderer = RRenderer::GetInstance();
    if (!renderer->IsInitialised())
        return;
    UpdateWindowSize();
    const bool fullscreen = m_config.Get().fullscreen;
    bool fullscreenFailed = fullscreen;
    renderer->ResetDevice(m_window, &m_windowWidth, &m_windowHeight, fullscreen, &fullscreenFailed);
    if (fullscreenFailed != fullscreen)
        m_config.Get().fullscreen = false;
}

void RBaseGame::ApplyWindowMode()
{
    // "Fullscreen" is the window covering the screen at the desktop's own mode. A window that cannot be made to
    // cover it turns the setting off.
    const bool fullscreen = m_config.Get().fullscreen;
    if (!m_window || fullscreen == IsWindowFullscreen() || m_windowSub.SetFullscreen(fullscreen))
        return;
    if (fullscreen) {
        ReportFailure("The window could not be made to cover the screen: Fullscreen is turned off");
        m_config.Get().fullscreen = false;
    } else {
        ReportFailure("The window could not leave full screen: %s", SDL_GetError());
    }
}

bool RBaseGame::IsWindowFullscreen() const
{
    return m_windowSub.IsFullscreen();
}

void RBaseGame::SetScreenResolution()
{
    UpdateWindowSize();
    int32_t width = 0;
    int32_t height = 0;
    RResolutionSensitiveList::FitScreenResolution(m_windowWidth, m_windowHeight, m_config.Get().tate,
                                                  m_config.Get().aspectRatio, &width, &height);
    m_aspectRatio = static_cast<float>(width > 0 ? width : 1) / static_cast<float>(height > 0 ? height : 1);
    m_menuSpace = RHUDScreen::MenuSpaceFor(width, height);
    m_resolutionSensitives.SetResolution(width, height, m_windowWidth, m_windowHeight);
}

void RBaseGame::RunMainLoop()
{
    while (!m_quit) {
        PumpEvents();
        if (m_quit)
            break;
        Update();
        for (int32_t step = 0; step < m_timing.GetFixedStepCount(); ++step)
            FixedUpdate(m_timing.GetFixedStep());
        UpdateFrame();
        RGameEntity::SetInterpolationFraction(m_timing.GetInterpolationFraction());
        RunTickPass(kGameTick, m_timing.GetGameStep());
        RenderFrame();
        m_frameCap.Wait();
    }
}

void RBaseGame::PumpEvents()
{
    if (RQuitSignals::IsRequested())
        Quit();
    RTextInputList* textInputs = RTextInputList::GetInstance();
    textInputs->ClearFrameText();
    RInputHandler* input = RInputHandler::GetInstance();
    // The console's key hands the keyboard to the console or back: what came before it in the queue is the old
    // reader's, what comes after it the new one's. The menus and the game read a frame's input as a whole, so the
    // key ends the frame's events when input came before it, and it and the rest wait in the queue for the next
    // frame, which begins with it. While a menu takes the keys as they are, the console's key is the menu's.
    bool inputTaken = false;
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
        const bool consoleKey = m_console && !MenuTakesRawInput() && m_console->IsConsoleKeyPress(event);
        if (consoleKey && inputTaken)
            break;
        if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1)
            break;
        // The handler first: it tells a quick tap from a held key's repeat in the event itself.
        inputTaken = input->HandleEvent(event) || event.type == SDL_TEXTINPUT || inputTaken;
        textInputs->HandleEvent(event);
        if (consoleKey)
            m_console->Toggle();
        switch (event.type) {
        case SDL_QUIT:
            Quit();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || event.window.event == SDL_WINDOWEVENT_MAXIMIZED ||
                event.window.event == SDL_WINDOWEVENT_RESTORED)
                ApplyVideoMode();
            break;
        default:
            break;
        }
    }
}

void RBaseGame::Update()
{
    RTimer* clock = g_pGlobalTimer;
    clock->Update();
    const float elapsed = clock->GetElapsedSeconds();
    RFrameTiming::Rates rates;
    rates.fixedEngineFPS = m_config.Get().fixedEngineFPS;
    rates.fixedGameFPS = m_config.Get().fixedGameFPS;
    rates.minGameFPS = m_config.Get().minGameFPS;
    m_timing.BeginFrame(elapsed, rates, m_paused);
    if (m_timing.GetFrameTime() > kLongFrame)
        LogEvent("Long frame: %.0f ms", m_timing.GetFrameTime() * 1000.0f);
    const float engineStep = m_timing.GetEngineStep();

    RInputHandler::GetInstance()->Update(engineStep);
    RControlConfig::GetInstance()->UpdateControls(RControlConfig::kPerFrame, engineStep, elapsed);
    RStringMgr::GetInstance()->Flush();
    RAudioMgr::GetInstance()->UpdateAllSounds();
    RunTickPass(kEngineTick, engineStep);
    // A stall (the first frames load and compile what they draw) does not jump a cinematic ahead: its step is held
    // to the lowest game rate's, as the game step is.
    const int32_t minRate = m_config.Get().minGameFPS;
    const float subroutineStep = minRate > 0 && engineStep > 1.0f / minRate ? 1.0f / minRate : engineStep;
    RSubroutineMgr::GetInstance()->Update(RSubroutineMgr::kEngineTime, subroutineStep);
    UpdateMenus(engineStep);
}

void RBaseGame::FixedUpdate(float step)
{
    m_gameTime += step;
    RControlConfig::GetInstance()->UpdateControls(RControlConfig::kPerFixedStep, step, m_gameTime);
    RunTickPass(kFixedTick, step);
    RSubroutineMgr::GetInstance()->Update(RSubroutineMgr::kGameTime, step);
    RDeleteComponent::DeleteMarkedEntities();
}

void RBaseGame::OnPauseAction()
{
    SetPaused(!m_paused);
}

void RBaseGame::UpdateFrame()
{
    if (m_console)
        m_console->Update(GetEngineStep(), !MenuTakesRawInput(), m_renderSetup.GetFont(kConsoleText),
                          m_renderSetup.GetConsoleBackdrop(), GetScreenHeight());
    RControlConfig* controls = RControlConfig::GetInstance();
    if (controls->JustPressed(RHashedString("General"), RHashedString("Pause"), 0.5f))
        OnPauseAction();
    if (controls->JustPressed(RHashedString("Utility"), RHashedString("Screenshot"), 0.5f))
        RequestScreenshot();

    // Alt with a new press of R lists every render state and value the loaded effects use.
    const RInputHandler* input = RInputHandler::GetInstance();
    const CompleteInputState& now = input->GetCurrentState();
    const CompleteInputState& before = input->GetPreviousState();
    const bool alt = now.keys[SDL_SCANCODE_LALT] || now.keys[SDL_SCANCODE_RALT];
    if (alt && now.keys[SDL_SCANCODE_R] && !before.keys[SDL_SCANCODE_R])
        RRenderStateRegistry::Write(stdout);
    UpdateDebugCamera(m_timing.GetEngineStep());
}

void RBaseGame::RenderFrame()
{
    if (m_quit)
        return;
    RRenderer* renderer = RRenderer::GetInstance();
    if (renderer->IsDeviceLost()) {
        ApplyRendererVideoMode();
        return;
    }
    if (m_config.Get().delayPresentation)
        renderer->Present();
    m_renderSetup.RouteFrame(*this);
    renderer->BeginFrame();
    renderer->RenderStage(RHashedString());
    renderer->EndFrame();
    ++m_framesDrawn;
    // The back buffer is read before it is presented: after the swap its contents are undefined.
    if (m_screenshotRequested) {
        if (TakeScreenshot())
            LogEvent("Screenshot saved");
        else
            ReportFailure("The screenshot could not be saved");
        m_screenshotRequested = false;
    }
    if (!m_config.Get().delayPresentation)
        renderer->Present();
}


void RBaseGame::WaitForThreads()
{
    RTimer wait;
    wait.Reset();
    while (RThreadTagger::HasRunningThreads() || RHTTPRequest::GetRunningCount() > 0) {
        wait.Update();
        if (wait.GetElapsedSeconds() > m_config.Get().deadlockCheckTime) {
            // Requests still running are abandoned: each holds everything it touches itself.
            char* report = RThreadTagger::GetReport();
            fprintf(stderr, "Shut-down gave up waiting for threads after %.0f s (HTTP requests running: %u):\n%s\n",
                    m_config.Get().deadlockCheckTime, RHTTPRequest::GetRunningCount(), report ? report : "");
            LogStep("Shut-down gave up waiting for threads after %.0f s", m_config.Get().deadlockCheckTime);
            delete[] report;
            return;
        }
        SDL_Delay(10);
    }
}

void RBaseGame::Quit()
{
    m_quit = true;
}

void RBaseGame::OnDisplayLost()
{
    LogStep("The display was lost after %u frames: the session is saved and the program ends", m_framesDrawn);
    SaveSession();
}

void RBaseGame::SaveSession()
{
    if (m_sessionSaved || !m_startup || !m_startup->IsReady())
        return;
    m_sessionSaved = true;
    QueueGameReport();
    QueueSessionShutdownBlock();
    // Without a user folder nothing is written: start-up said so.
    const SaveOutcome outcomes[] = {m_hasUserFolder ? SaveConfiguration() : kNotWritten,
                                    m_hasUserFolder ? SaveControlBindings() : kNotWritten,
                                    m_hasUserFolder ? SaveConsoleHistory() : kNotWritten};
    const char* const names[] = {"the configuration", "the bindings", "the console history"};
    char lists[3][96]; // the names of the files saved, not written, and that could not be saved
    for (int outcome = kSaved; outcome <= kSaveFailed; ++outcome) {
        const bool chosen[] = {outcomes[0] == outcome, outcomes[1] == outcome, outcomes[2] == outcome};
        JoinNames(lists[outcome], sizeof(lists[outcome]), names, chosen);
    }
    const char* saved = lists[kSaved];
    const char* unwritten = lists[kNotWritten];
    const char* failed = lists[kSaveFailed];
    if (!unwritten[0] && !failed[0]) {
        LogStep("Shut-down: configuration, bindings and console history saved after %u frames", m_framesDrawn);
    } else {
        LogStep("Shut-down after %u frames: %s%s%s%s%s%s%s%s", m_framesDrawn, failed,
                failed[0] ? " could not be saved" : "", failed[0] && unwritten[0] ? "; " : "", unwritten,
                unwritten[0] ? " not written" : "", saved[0] ? " (" : "", saved, saved[0] ? " saved)" : "");
    }
    FlushReport();
    // The engine's own threads are stopped first, so the wait in the shut-down counts only threads that are
    // still finishing work of their own.
    RLogger::GetInstance()->Shutdown();
}

RBaseGame::SaveOutcome RBaseGame::SaveConfiguration()
{
    const RString& unreadable = RConfigFile::GetInstance().GetUnreadablePath();
    if (!unreadable.IsEmpty()) {
        ReportNotWritten("The configuration", unreadable, "settings");
        return kNotWritten;
    }
    if (m_config.Save(m_version.GetString()))
        return kSaved;
    ReportFailure("The configuration could not be saved to %s", m_config.GetPath());
    return kSaveFailed;
}

RBaseGame::SaveOutcome RBaseGame::SaveConsoleHistory()
{
    // A start-up that failed before the console was made never read the history.
    if (!m_console)
        return kNotWritten;
    if (!m_console->GetUnreadablePath().IsEmpty()) {
        ReportNotWritten("The console history", m_console->GetUnreadablePath(), "commands");
        return kNotWritten;
    }
    if (m_console->SaveHistory())
        return kSaved;
    ReportFailure("The console history could not be saved");
    return kSaveFailed;
}

void RBaseGame::ReportNotWritten(const char* what, const RString& path, const char* lost)
{
    ReportFailure("%s %s was not written: it could not be read at start-up, so it is left as it was and this "
                  "session's %s are not kept",
                  what, path.GetString(), lost);
}

void RBaseGame::Shutdown()
{
    SaveSession();
    if (m_audioReady)
        RAudioMgr::GetInstance()->StopThreads();
    WaitForThreads();
    delete m_console;
    m_console = nullptr;
    m_renderSetup.Destroy();

    if (m_startup) {
        RShutdown();
        delete m_startup;
        m_startup = nullptr;
    }
    if (m_window) {
        m_windowSub.SetSDLWindow(nullptr);
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
    RPlatformLayer::SetDisplayLostHandler(nullptr);
    s_quitting = true;
}
