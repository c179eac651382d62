// The cost of the game's frame on the screen, beside a minimal SDL2 + OpenGL program drawing the same 320 x 200
// picture at the same window size: the program uploads the picture each frame and draws it as one quad scaled to
// the window's height, plainly or through the monitor shader the game's CRT look had when it drew every effect at
// the window's size (29 texture reads a pixel). The game runs in the first room of its campaign or, with
// ROLT_BENCH_TITLE=1, idles at its title menu. The CPU column counts every thread of the process, the GL
// rasteriser's included. Run the three interleaved (--benchmark_repetitions=10
// --benchmark_enable_random_interleaving=true) and compare medians.
//
// The environment chooses the rest: ROLT_BENCH_SIZE ("1920x1080"; 1280x720 when unset) and ROLT_BENCH_CONFIG, lines
// written into the game's configuration file before it starts ("[Video]\nAntialiasQuality=0\n[Game]\nCRTLook=0").
// With ROLT_BENCH_SHOT=FILE the program instead draws a fixed number of frames at a fixed step and writes the last
// one's back buffer to FILE as a binary PPM, then ends. Needs an X server at least as large as the window.
//
// The edge smoothing's cost: the same room frame at 1280 x 720, 1280 x 1024 and 1920 x 1080 (each that the X screen
// holds), with "AntialiasQuality" 2, the default, and 0, none ("BM_RoomSmoothing/WIDTHxHEIGHT/on" and "/off"), each
// size beside the minimal program's plain frame at that size ("BM_MinimalPlain/WIDTHxHEIGHT"). The smoothing's
// share of a frame is (on - off) / on of the medians. These set the window's size and the setting themselves; the
// three above run at ROLT_BENCH_SIZE with ROLT_BENCH_CONFIG's setting whatever ran before them.
#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <SDL.h>

#include "BenchUserFolder.h"
#include "core/config/RConfigFile.h"
#include "core/types/RHashedString.h"
#include "game/WendroGame.h"
#include "render/frame/RRenderer.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 200;

int g_width = 1280;
int g_height = 720;
// The "AntialiasQuality" the game started with (ROLT_BENCH_CONFIG's, else the default).
int g_quality = 2;
std::string g_root;

void RemoveRoot()
{
    std::error_code ignored;
    if (!g_root.empty())
        std::filesystem::remove_all(g_root, ignored);
}

void Fail(const char* what)
{
    fprintf(stderr, "%s\n", what);
    exit(1);
}

// One frame as the main loop draws it, with one fixed step, without a wait.
void GameFrame(WendroGame& game)
{
    game.PumpEvents();
    game.Update();
    game.FixedUpdate(1.0f / 60.0f);
    game.UpdateFrame();
    game.RenderFrame();
}

bool TitleMode()
{
    const char* title = getenv("ROLT_BENCH_TITLE");
    return title && title[0] == '1';
}

// The game, started once in its own user folder, its window at the benchmark's size, in its first room (or at the
// title menu), after enough frames that the room is loaded and the menus have settled.
WendroGame* Game()
{
    static WendroGame* game = nullptr;
    if (game)
        return game;
    g_root = PointGameAtTemporaryUserFolder("rolt-room-bench");
    if (g_root.empty())
        Fail("no temporary folder");
    atexit(RemoveRoot);
    const std::string configFolder = g_root + "/data/Brasswick/Quandrel Tarnvow/Config";
    std::filesystem::create_directories(configFolder);
    const char* extra = getenv("ROLT_BENCH_CONFIG");
    // The splash is skipped: the title menu starts a game at once; the title mode goes back to the title.
    std::ofstream(configFolder + "/Config.ini", std::ios::binary)
        << "[Video]\nFrameRateCap=0\n[Engine]\nFixedEngineFPS=60\n[General]\nQuickStart=1\n" << (extra ? extra : "")
        << "\n";

    game = new WendroGame();
    if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
        Fail("the game could not start (is there an X server?)");
    SDL_SetWindowSize(game->GetWindow(), g_width, g_height);
    game->ApplyVideoMode();
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(game->GetWindow(), &width, &height);
    if (width != g_width || height != g_height)
        Fail("the window could not take the benchmark's size (is the X screen large enough?)");
    GameFrame(*game);
    if (TitleMode())
        game->ReturnToTitle();
    else if (!game->BeginNewGame(1))
        Fail("the campaign did not load");
    for (int frame = 0; frame < 120; ++frame)
        GameFrame(*game);
    g_quality = RConfigFile::GetInstance().GetInt(RHashedString("Video"), RHashedString("AntialiasQuality"));
    return game;
}

// The game's window at this size and its "AntialiasQuality" at this value, after enough frames that the targets
// and the effect made for them are in place; nothing when they already are.
void ShowRoom(WendroGame& game, int width, int height, int quality)
{
    SDL_GL_MakeCurrent(game.GetWindow(), RRenderer::GetInstance()->GetContext());
    bool changed = false;
    int drawnWidth = 0;
    int drawnHeight = 0;
    SDL_GL_GetDrawableSize(game.GetWindow(), &drawnWidth, &drawnHeight);
    if (drawnWidth != width || drawnHeight != height) {
        SDL_SetWindowSize(game.GetWindow(), width, height);
        game.ApplyVideoMode();
        SDL_GL_GetDrawableSize(game.GetWindow(), &drawnWidth, &drawnHeight);
        if (drawnWidth != width || drawnHeight != height)
            Fail("the window could not take the benchmark's size (is the X screen large enough?)");
        changed = true;
    }
    const RHashedString video("Video");
    const RHashedString antialias("AntialiasQuality");
    RConfigFile& config = RConfigFile::GetInstance();
    if (config.GetInt(video, antialias) != quality) {
        if (!config.SetInt(video, antialias, quality) || config.GetInt(video, antialias) != quality)
            Fail("AntialiasQuality could not be set");
        changed = true;
    }
    for (int frame = 0; changed && frame < 10; ++frame)
        GameFrame(game);
}

// The minimal program: its own window and GL context at the game's window size, the picture in one texture.
struct Minimal {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    int width = 0;
    int height = 0;
    GLuint texture = 0;
    GLuint history = 0;
    GLuint plain = 0;
    GLuint crt = 0;
    std::vector<uint32_t> picture;
};

const char* const kVertexShader = R"(#version 120
attribute vec2 inPos;
uniform vec2 scale;
varying vec2 uv;
varying vec2 screenUV;
void main()
{
    uv = vec2(inPos.x, 1.0 - inPos.y);
    gl_Position = vec4((inPos * 2.0 - 1.0) * scale, 0.0, 1.0);
    screenUV = (gl_Position.xy + 1.0) * 0.5;
}
)";

const char* const kPlainShader = R"(#version 120
uniform sampler2D picture;
varying vec2 uv;
void main() { gl_FragColor = vec4(texture2D(picture, uv).rgb, 1.0); }
)";

// The monitor look computed entirely at the window's size: softening, a 25-read bloom, scan lines, and the trace of
// the last screen.
const char* const kCRTShader = R"(#version 120
uniform sampler2D picture;
uniform sampler2D history;
varying vec2 uv;
varying vec2 screenUV;
const vec2 texel = vec2(1.0 / 320.0, 1.0 / 200.0);
void main()
{
    vec3 colour = texture2D(picture, uv).rgb * 0.6;
    colour += texture2D(picture, uv + vec2(texel.x, 0.0)).rgb * 0.2;
    colour += texture2D(picture, uv - vec2(texel.x, 0.0)).rgb * 0.2;
    vec3 bloom = vec3(0.0);
    for (int i = -2; i <= 2; ++i) {
        for (int j = -2; j <= 2; ++j) {
            vec3 near = texture2D(picture, uv + vec2(float(i), float(j)) * texel * 1.5).rgb;
            bloom += max(near - 0.5, 0.0);
        }
    }
    colour += bloom * (0.6 / 25.0);
    float line = fract(uv.y * 200.0);
    colour *= 0.65 + 0.35 * sin(line * 3.14159265);
    vec3 previous = texture2D(history, screenUV).rgb;
    colour = max(colour, previous * 0.45);
    gl_FragColor = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
)";

GLuint Program(const char* pixelShader)
{
    const char* sources[2] = {kVertexShader, pixelShader};
    const GLenum kinds[2] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
    const GLuint program = glCreateProgram();
    for (int i = 0; i < 2; ++i) {
        const GLuint shader = glCreateShader(kinds[i]);
        glShaderSource(shader, 1, &sources[i], nullptr);
        glCompileShader(shader);
        GLint compiled = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
        if (!compiled)
            Fail("a yardstick shader did not compile");
        glAttachShader(program, shader);
    }
    glBindAttribLocation(program, 0, "inPos");
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked)
        Fail("a yardstick shader did not link");
    return program;
}

GLuint Texture(int width, int height, GLint filter, const void* texels)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels);
    return texture;
}

Minimal& Yardstick()
{
    static Minimal minimal;
    if (minimal.window)
        return minimal;
    Game();
    minimal.window = SDL_CreateWindow("Minimal program", 0, 0, g_width, g_height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    minimal.context = minimal.window ? SDL_GL_CreateContext(minimal.window) : nullptr;
    if (!minimal.context)
        Fail("the minimal program has no window or GL context");
    SDL_GL_SetSwapInterval(0);
    // A picture of coloured 8 x 8 tiles on black, changed a little every frame.
    minimal.picture.resize(kPictureWidth * kPictureHeight);
    for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) {
            const uint32_t tile = static_cast<uint32_t>((x / 8) * 7 + (y / 8) * 13);
            minimal.picture[y * kPictureWidth + x] =
                (tile % 3 == 0) ? 0xFF000000u : 0xFF000000u | ((tile * 0x2F4A6Bu) & 0x00FFFFFFu);
        }
    }
    minimal.texture = Texture(kPictureWidth, kPictureHeight, GL_NEAREST, minimal.picture.data());
    minimal.width = g_width;
    minimal.height = g_height;
    std::vector<uint32_t> black(static_cast<size_t>(g_width) * static_cast<size_t>(g_height), 0xFF000000u);
    minimal.history = Texture(g_width, g_height, GL_NEAREST, black.data());
    minimal.plain = Program(kPlainShader);
    minimal.crt = Program(kCRTShader);
    return minimal;
}

// The minimal program's window and its last screen at this size, its context current.
Minimal& MinimalAt(int width, int height)
{
    Minimal& minimal = Yardstick();
    SDL_GL_MakeCurrent(minimal.window, minimal.context);
    if (minimal.width == width && minimal.height == height)
        return minimal;
    SDL_SetWindowSize(minimal.window, width, height);
    int drawnWidth = 0;
    int drawnHeight = 0;
    SDL_GL_GetDrawableSize(minimal.window, &drawnWidth, &drawnHeight);
    if (drawnWidth != width || drawnHeight != height)
        Fail("the minimal program's window could not take the benchmark's size");
    glDeleteTextures(1, &minimal.history);
    std::vector<uint32_t> black(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
    minimal.history = Texture(width, height, GL_NEAREST, black.data());
    minimal.width = width;
    minimal.height = height;
    return minimal;
}

// One frame of the minimal program: upload, clear, one quad, swap.
void MinimalFrame(Minimal& minimal, bool crt, uint32_t frame)
{
    minimal.picture[frame % minimal.picture.size()] ^= 0x00FFFFFFu;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, minimal.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, crt ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, crt ? GL_LINEAR : GL_NEAREST);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kPictureWidth, kPictureHeight, GL_BGRA, GL_UNSIGNED_BYTE,
                    minimal.picture.data());
    const GLuint program = crt ? minimal.crt : minimal.plain;
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    if (crt) {
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, minimal.history);
        glUniform1i(glGetUniformLocation(program, "history"), 1);
    }
    const float window = static_cast<float>(minimal.width) / static_cast<float>(minimal.height);
    const float picture = static_cast<float>(kPictureWidth) / kPictureHeight;
    glUniform2f(glGetUniformLocation(program, "scale"), window > picture ? picture / window : 1.0f,
                window > picture ? 1.0f : window / picture);
    static const float corners[8] = {0, 0, 1, 0, 0, 1, 1, 1};
    glViewport(0, 0, minimal.width, minimal.height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, corners);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    SDL_GL_SwapWindow(minimal.window);
}

void BM_GameFrame(benchmark::State& state)
{
    WendroGame* game = Game();
    ShowRoom(*game, g_width, g_height, g_quality);
    for (auto _ : state)
        GameFrame(*game);
    state.SetLabel(TitleMode() ? "title menu" : "room");
}
BENCHMARK(BM_GameFrame)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MinimalPlain(benchmark::State& state)
{
    Minimal& minimal = MinimalAt(g_width, g_height);
    uint32_t frame = 0;
    for (auto _ : state)
        MinimalFrame(minimal, false, frame++);
}
BENCHMARK(BM_MinimalPlain)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MinimalCRT(benchmark::State& state)
{
    Minimal& minimal = MinimalAt(g_width, g_height);
    uint32_t frame = 0;
    for (auto _ : state)
        MinimalFrame(minimal, true, frame++);
}
BENCHMARK(BM_MinimalCRT)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The room frame (or the title menu's) at a size, with the edge smoothing at a quality: the default 2, or none (0).
void RoomSmoothing(benchmark::State& state, int width, int height, int quality)
{
    WendroGame* game = Game();
    ShowRoom(*game, width, height, quality);
    for (auto _ : state)
        GameFrame(*game);
    char label[64];
    snprintf(label, sizeof(label), "AntialiasQuality %d, %s", quality, TitleMode() ? "title menu" : "room");
    state.SetLabel(label);
}

// The minimal program's plain frame at a size: the least a program can spend drawing the picture there.
void MinimalPlainAt(benchmark::State& state, int width, int height)
{
    Minimal& minimal = MinimalAt(width, height);
    uint32_t frame = 0;
    for (auto _ : state)
        MinimalFrame(minimal, false, frame++);
}

// The smoothing's pairs and their yardstick at each size the X screen holds.
void RegisterSmoothingBenchmarks()
{
    Game();
    SDL_Rect screen = {0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &screen) != 0)
        Fail("the X screen's size is not known");
    const int sizes[][2] = {{1280, 720}, {1280, 1024}, {1920, 1080}};
    for (const auto& size : sizes) {
        const int width = size[0];
        const int height = size[1];
        if (width > screen.w || height > screen.h) {
            fprintf(stderr, "%dx%d is left out: the X screen is %dx%d\n", width, height, screen.w, screen.h);
            continue;
        }
        char name[64];
        for (const int quality : {2, 0}) {
            snprintf(name, sizeof(name), "BM_RoomSmoothing/%dx%d/%s", width, height, quality > 0 ? "on" : "off");
            benchmark::RegisterBenchmark(name, [width, height, quality](benchmark::State& state) {
                RoomSmoothing(state, width, height, quality);
            })->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
        }
        snprintf(name, sizeof(name), "BM_MinimalPlain/%dx%d", width, height);
        benchmark::RegisterBenchmark(name, [width, height](benchmark::State& state) {
            MinimalPlainAt(state, width, height);
        })->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
    }
}

// Draws the frames of the shot and writes the last one's back buffer (read before the swap) as a PPM.
int WriteShot(const char* path)
{
    WendroGame* game = Game();
    for (int frame = 0; frame < 20; ++frame)
        GameFrame(*game);
    game->PumpEvents();
    game->Update();
    game->FixedUpdate(1.0f / 60.0f);
    game->UpdateFrame();
    RRenderer* renderer = RRenderer::GetInstance();
    renderer->BeginFrame();
    renderer->RenderStage(RHashedString());
    renderer->EndFrame();
    std::vector<uint32_t> pixels(static_cast<size_t>(g_width) * static_cast<size_t>(g_height));
    const bool read = renderer->ReadBackBufferPixels(static_cast<uint32_t>(g_width),
                                                     static_cast<uint32_t>(g_height), pixels.data());
    renderer->Present();
    FILE* file = read ? fopen(path, "wb") : nullptr;
    if (!file)
        return 1;
    fprintf(file, "P6\n%d %d\n255\n", g_width, g_height);
    std::vector<unsigned char> row(static_cast<size_t>(g_width) * 3);
    for (int y = g_height - 1; y >= 0; --y) {
        for (int x = 0; x < g_width; ++x) {
            const uint32_t colour = pixels[static_cast<size_t>(y) * static_cast<size_t>(g_width) + x];
            row[x * 3] = static_cast<unsigned char>(colour >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>(colour >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(colour);
        }
        fwrite(row.data(), 1, row.size(), file);
    }
    return fclose(file) == 0 ? 0 : 1;
}

}  // namespace

// The game is shut down after the run, as the program shuts down, so its threads end before the process does.
int main(int argc, char** argv)
{
    if (const char* size = getenv("ROLT_BENCH_SIZE")) {
        if (sscanf(size, "%dx%d", &g_width, &g_height) != 2 || g_width <= 0 || g_height <= 0)
            Fail("ROLT_BENCH_SIZE is WIDTHxHEIGHT");
    }
    int status = 0;
    if (const char* shot = getenv("ROLT_BENCH_SHOT")) {
        status = WriteShot(shot);
    } else {
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        RegisterSmoothingBenchmarks();
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        Game();
    }
    WendroGame* game = Game();
    SDL_GL_MakeCurrent(game->GetWindow(), RRenderer::GetInstance()->GetContext());
    game->Shutdown();
    delete game;
    return status;
}
