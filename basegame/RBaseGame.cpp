#include "basegame/RBaseGame.h"

#include "basegame/RStartup.h"
#include "core/RLogger.h"
#include "core/RStreamMgr.h"
#include "core/RThreadTagger.h"
#include "core/RTickable.h"
#include "core/RTimer.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <cstdio>
#include <ctime>

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
    return CreateGameWindow();
}

bool RBaseGame::InitRuntime()
{
    g_pGlobalTimer->Reset();
    m_lastElapsed = 0.0f;
    return true;
}

bool RBaseGame::CreateGameWindow()
{
    m_window = SDL_CreateWindow(GetLocalAppDataPathName(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1280, 720,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (!m_window)
        return false;
    m_glContext = SDL_GL_CreateContext(m_window);
    return m_glContext != nullptr;
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
        if (event.type == SDL_QUIT)
            Quit();
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
    if (m_quit || !m_window)
        return;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(m_window);
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

    s_quitting = true;
    if (m_glContext) {
        SDL_GL_DeleteContext(m_glContext);
        m_glContext = nullptr;
    }
    if (m_window) {
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
    }
    if (m_startup) {
        RShutdown();
        delete m_startup;
        m_startup = nullptr;
    }
}
