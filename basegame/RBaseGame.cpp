#include "basegame/RBaseGame.h"

#include "basegame/RStartup.h"
#include "core/RLogger.h"
#include "core/RStreamMgr.h"
#include "core/RThreadTagger.h"
#include "core/RTickable.h"
#include "core/RTimer.h"
#include "render/RImage.h"
#include "render/RRenderer.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace {

// The tick-list masks of the three passes of a frame.
const unsigned kEngineTick = 1;
const unsigned kFixedTick = 2;
const unsigned kGameTick = 4;

// Length of one fixed game step and the most steps one frame may run, so that a long stall cannot spiral.
const float kFixedStep = 1.0f / 60.0f;
const int kMaxFixedStepsPerFrame = 8;

// How long the shut-down waits for running threads before it reports them and goes on.
const float kDeadlockCheckSeconds = 10.0f;

// The renderer's reset and device-lost lists take plain functions; each reaches the game object.
void CallPreDeviceReset() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnPreDeviceReset(); }
void CallPostDeviceReset() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnPostDeviceReset(); }
void CallDeviceLost() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnDeviceLost(); }

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

void RBaseGame::Run(const char* /*commandLine*/)
{
    if (InitEngine() && InitSystems() && InitRuntime())
        RunMainLoop();
    Shutdown();
}

bool RBaseGame::InitEngine()
{
    m_startup = new RStartup();
    if (!m_startup->IsReady())
        return false;

    RStreamMgr* streams = RStreamMgr::GetInstance();
    AddUserSearchPath(GetModsFolderName());
    streams->MountPack("Engine.rpk");

    QueueLogHeader();
    return true;
}

void RBaseGame::AddUserSearchPath(const char* subfolder)
{
    char path[1024];
    if (MakeUserFolder(path, sizeof(path), GetLocalAppDataPathName(), subfolder, true))
        RStreamMgr::GetInstance()->AddSearchPath(path);
}

void RBaseGame::QueueLogHeader()
{
    char stamp[64] = "";
    const time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &local);

    char line[256];
    RLogger* logger = RLogger::GetInstance();
    logger->QueueLine("[Session]");
    snprintf(line, sizeof(line), "Game=%s", GetLocalAppDataPathName());
    logger->QueueLine(line);
    snprintf(line, sizeof(line), "Started=%s", stamp);
    logger->QueueLine(line);
}

bool RBaseGame::InitSystems()
{
    if (!CreateGameWindow())
        return false;

    UpdateWindowSize();
    RRenderer* renderer = RRenderer::GetInstance();
    if (!renderer->Init(m_window, &m_windowWidth, &m_windowHeight)) {
        fprintf(stderr, "The renderer could not start on this OpenGL: %s\n", SDL_GetError());
        return false;
    }
    renderer->AddPreResetCallback(CallPreDeviceReset);
    renderer->AddPostResetCallback(CallPostDeviceReset);
    renderer->AddDeviceLostCallback(CallDeviceLost);

    // One opaque black frame, so the window never shows uninitialised memory.
    renderer->BeginFrame();
    renderer->ClearColour(0xFF000000u);
    renderer->EndFrame();
    renderer->Present();
    return true;
}

bool RBaseGame::InitRuntime()
{
    ApplyRendererVideoMode();
    g_pGlobalTimer->Reset();
    m_lastElapsed = 0.0f;
    return true;
}

bool RBaseGame::CreateGameWindow()
{
    m_window = SDL_CreateWindow(GetLocalAppDataPathName(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1280, 720,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!m_window)
        fprintf(stderr, "The game window could not be created: %s\n", SDL_GetError());
    return m_window != nullptr;
}

void RBaseGame::UpdateWindowSize()
{
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(m_window, &width, &height);
    m_windowWidth = width > 0 ? static_cast<uint32_t>(width) : 1;
    m_windowHeight = height > 0 ? static_cast<uint32_t>(height) : 1;
}

void RBaseGame::ApplyRendererVideoMode()
{
    RRenderer* renderer = RRenderer::GetInstance();
    if (!renderer->IsInitialised())
        return;
    UpdateWindowSize();
    bool fullscreenFailed = m_fullscreen;
    renderer->ResetDevice(m_window, &m_windowWidth, &m_windowHeight, m_fullscreen, &fullscreenFailed);
    if (fullscreenFailed != m_fullscreen)
        m_fullscreen = false;
}

void RBaseGame::RunMainLoop()
{
    while (!m_quit) {
        PumpEvents();
        if (m_quit)
            break;
        Update();

        // Game time runs in whole fixed steps; what is left waits for the next frame.
        m_fixedAccumulator += m_gameStep;
        int steps = 0;
        while (m_fixedAccumulator >= kFixedStep && steps < kMaxFixedStepsPerFrame) {
            FixedUpdate(kFixedStep);
            m_fixedAccumulator -= kFixedStep;
            ++steps;
        }
        if (steps == kMaxFixedStepsPerFrame)
            m_fixedAccumulator = 0.0f;

        UpdateFrame();
        RunTickPass(kGameTick, m_gameStep);
        RenderFrame();
    }
}

void RBaseGame::PumpEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            Quit();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || event.window.event == SDL_WINDOWEVENT_MAXIMIZED ||
                event.window.event == SDL_WINDOWEVENT_RESTORED)
                ApplyRendererVideoMode();
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
    m_engineStep = elapsed - m_lastElapsed;
    m_lastElapsed = elapsed;
    m_gameStep = m_engineStep;

    RunTickPass(kEngineTick, m_engineStep);
}

void RBaseGame::FixedUpdate(float step)
{
    RunTickPass(kFixedTick, step);
}

void RBaseGame::UpdateFrame() {}

void RBaseGame::RenderFrame()
{
    if (m_quit)
        return;
    RRenderer* renderer = RRenderer::GetInstance();
    if (renderer->IsDeviceLost()) {
        ApplyRendererVideoMode();
        return;
    }
    if (m_delayPresentation)
        renderer->Present();
    renderer->BeginFrame();
    renderer->ClearColourAndDepth(0xFF000000u, 1.0f);
    renderer->EndFrame();
    // The back buffer is read before it is presented: after the swap its contents are undefined.
    if (m_screenshotRequested) {
        TakeScreenshot();
        m_screenshotRequested = false;
    }
    if (!m_delayPresentation)
        renderer->Present();
}

bool RBaseGame::TakeScreenshot()
{
    const int width = static_cast<int>(m_windowWidth);
    const int height = static_cast<int>(m_windowHeight);
    RImage image;
    if (!image.Create(width, height, 4))
        return false;

    // GL rows run bottom-up, as the image's do; the pixels are read as B, G, R, A bytes, the packed colour.
    uint32_t* pixels = new uint32_t[static_cast<size_t>(width) * static_cast<size_t>(height)];
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, row[x] | 0xFF000000u);
    }
    delete[] pixels;

    char folder[1024];
    if (!MakeUserFolder(folder, sizeof(folder), GetLocalAppDataPathName(), GetScreenshotFolderName(), true))
        return false;
    char stamp[32] = "";
    const time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local))
        strftime(stamp, sizeof(stamp), "%Y%m%d_%H%M%S", &local);

    // A second screenshot within the same second gets the next free number.
    char path[1200];
    for (int number = 0; number < 100; ++number) {
        const int written = number == 0
                                ? snprintf(path, sizeof(path), "%sScreenshot_%s.bmp", folder, stamp)
                                : snprintf(path, sizeof(path), "%sScreenshot_%s_%d.bmp", folder, stamp, number);
        if (written < 0 || static_cast<size_t>(written) >= sizeof(path))
            return false;
        struct stat info;
        if (stat(path, &info) != 0)
            return image.SaveBMP(path);
    }
    return false;
}

void RBaseGame::WaitForThreads()
{
    RTimer wait;
    wait.Reset();
    while (RThreadTagger::HasRunningThreads()) {
        wait.Update();
        if (wait.GetElapsedSeconds() > kDeadlockCheckSeconds) {
            char* report = RThreadTagger::GetReport();
            fprintf(stderr, "Shut-down gave up waiting for threads after %.0f s:\n%s\n", kDeadlockCheckSeconds,
                    report ? report : "");
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

void RBaseGame::Shutdown()
{
    if (RLogger* logger = RLogger::GetInstance()) {
        logger->QueueLine("[SessionShutdown]");
        // The engine's own threads are stopped first, so the wait below counts only threads that are still
        // finishing work of their own.
        logger->Shutdown();
    }
    WaitForThreads();

    if (m_startup) {
        RShutdown();
        delete m_startup;
        m_startup = nullptr;
    }
    if (m_window) {
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
    s_quitting = true;
}
