// The cost of one idle frame: the base game started at its default settings (a 1280 x 720 window, the scene,
// pre-HUD and final passes, FXAA), drawing frames with nothing on screen, beside a bare loop that only clears the
// same window and swaps it. Both run on the game's window and GL context; neither waits between frames. The CPU
// column counts every thread of the process (the GL rasteriser's included). Needs an X server.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "basegame/RBaseGame.h"
#include "render/frame/RRenderer.h"

namespace {

class FrameBenchGame : public RBaseGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Frame Bench"; }
};

// The user folders live in a temporary folder removed at exit.
std::string g_userRoot;

void RemoveUserRoot()
{
    std::error_code ignored;
    if (!g_userRoot.empty())
        std::filesystem::remove_all(g_userRoot, ignored);
}

// The game, started on first use and kept for the run; a start that fails ends the run with an error status, so
// the benchmark never passes without having drawn.
FrameBenchGame* Game()
{
    static FrameBenchGame* game = nullptr;
    if (game)
        return game;
    char root[] = "/tmp/rolt_frame_bench_XXXXXX";
    if (!mkdtemp(root)) {
        fprintf(stderr, "no temporary folder\n");
        exit(1);
    }
    g_userRoot = root;
    atexit(RemoveUserRoot);
    setenv("XDG_DATA_HOME", (g_userRoot + "/data").c_str(), 1);
    setenv("HOME", (g_userRoot + "/home").c_str(), 1);
    setenv("ROLT_RESOURCE_DIR", ROLT_BENCH_RESOURCE_DIR, 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::filesystem::create_directories(g_userRoot + "/data");
    std::filesystem::create_directories(g_userRoot + "/home");
    game = new FrameBenchGame();
    if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime()) {
        fprintf(stderr, "the game could not start (is there an X server?)\n");
        exit(1);
    }
    return game;
}

// One pass of the main loop as the base game runs it (its passes as RenderFrame routes them), without any wait
// between frames.
void BM_EngineIdleFrame(benchmark::State& state)
{
    FrameBenchGame* game = Game();
    for (auto _ : state) {
        game->PumpEvents();
        game->Update();
        game->UpdateFrame();
        game->RenderFrame();
    }
}
BENCHMARK(BM_EngineIdleFrame)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The yardstick: clear colour and depth of the same window and swap, nothing else.
void BM_BareClearAndSwap(benchmark::State& state)
{
    Game();
    RRenderer* renderer = RRenderer::GetInstance();
    SDL_Window* window = renderer->GetWindow();
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
    }
}
BENCHMARK(BM_BareClearAndSwap)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

// The game is shut down after the run, as the program shuts down, so its threads end before the process does.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    RBaseGame* game = Game();
    game->Shutdown();
    delete game;
    return 0;
}
