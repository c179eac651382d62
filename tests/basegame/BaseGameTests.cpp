// The base game's start-up, main-loop pass and shut-down as the program runs them, under the test run's X server,
// with the user folder in a temporary place. Each run is a whole program life, so each test runs it in a child
// process: the game object can be made only once per process.
#include "GameRunSupport.h"
#include "tests/TestFiles.h"
#include "basegame/RBaseGame.h"
#include "basegame/RConsole.h"
#include "basegame/RConsoleCommands.h"
#include "basegame/RRenderSetup.h"
#include "basegame/RSubroutineMgr.h"
#include "core/config/RConfigFile.h"
#include "core/config/RLocMgr.h"
#include "core/text/RINIFile.h"
#include "core/files/RStreamMgr.h"
#include "core/system/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/input/RInputHandler.h"
#include "render/effects/RRenderStateRegistry.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderer.h"
#include "render/passes/RPreHUDPassMaterial.h"
#include "render/view/RCamera.h"
#include "render/text/RFont.h"
#include "render/images/RImage.h"
#include "scene/RDepthBackdrop.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/XWindowGeometry.h"

namespace fs = std::filesystem;

namespace {

class TestGame : public RBaseGame {
public:
    const char* GetLocalAppDataPathName() const override { return "Base Game Test"; }
    // The splash would draw over what the tests look at.
    bool InitRuntime() override
    {
        const bool started = RBaseGame::InitRuntime();
        RSubroutineMgr::GetInstance()->StopAll();
        return started;
    }
};

// A game whose window cannot be made, so its start-up stops half-way.
class WindowlessGame : public TestGame {
protected:
    bool CreateGameWindow() override { return false; }
};

// A game that flies the main camera from the keyboard and mouse.
class FlyingGame : public TestGame {
public:
    bool WantsDebugCamera() const override { return true; }
};

// Whether the window covers the whole screen, as the X server has them.
bool CoversTheScreen(const XWindowGeometry& real)
{
    return real.x == 0 && real.y == 0 && real.width == real.screenWidth && real.height == real.screenHeight;
}

// Whether the game lays its picture out for the window as the X server has it: its drawable size and screen
// resolution are the window's real size.
bool LaidOutFor(const TestGame& game, const XWindowGeometry& real)
{
    return static_cast<int>(game.GetWindowWidth()) == real.width &&
           static_cast<int>(game.GetWindowHeight()) == real.height && game.GetScreenWidth() == real.width &&
           game.GetScreenHeight() == real.height;
}

// The mark that MarkTheCornerAndShoot draws: its upper-left corner this far left of and above the picture's
// lower-right corner.
const int kMarkX = 100;
const int kMarkY = 40;

// Queues a mark at the picture's lower-right corner and asks for a screenshot of the frame.
void MarkTheCornerAndShoot(TestGame& game)
{
    static const char kText[] = "HI";
    game.GetFont(RBaseGame::kHUDText)
        ->QueueString(kText, 2, 0xFFFFFFFFu, 0, false, static_cast<float>(game.GetScreenWidth() - kMarkX),
                      static_cast<float>(game.GetScreenHeight() - kMarkY), 2.0f, 2.0f, 1000.0f, 1000.0f);
    game.RequestScreenshot();
}

class BaseGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        userFolder = PrepareGameRun(data, "Base Game Test");
    }

    // Starts a game, runs `frames` passes of the main loop with `each(game, frame)` just before each frame is
    // drawn, runs `beforeShutdown` (where a test frees what it made in the game), shuts it down.
    template <typename Each, typename Before = void (*)()>
    static void RunGameFrames(int frames, Each each, Before beforeShutdown = [] {})
    {
        TestGame* game = new TestGame();
        if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
            exit(2);
        for (int frame = 0; frame < frames; ++frame) {
            game->PumpEvents();
            game->Update();
            game->FixedUpdate(1.0f / 60.0f);
            game->UpdateFrame();
            each(*game, frame);
            game->RenderFrame();
        }
        beforeShutdown();
        game->Shutdown();
        delete game;
    }
    // The same with `during` just before the last frame is drawn, where a game queues its frame's HUD text.
    template <typename During> static void RunGame(int frames, During during)
    {
        RunGameFrames(frames, [frames, &during](TestGame& game, int frame) {
            if (frame == frames - 1)
                during(game);
        });
    }
    static void RunGame(int frames) { RunGame(frames, [](TestGame&) {}); }

    std::string ConfigValue(const char* section, const char* key) const
    {
        RINIFile ini;
        ini.Load((userFolder / "Config" / "Config.ini").c_str(), true);
        RString value;
        ini.GetValue(RHashedString(section), RHashedString(key), value);
        return value.GetString();
    }

    // Each screenshot is as large as the window was (one for each "WIDTHxHEIGHT" given, in any order) and shows
    // the mark of MarkTheCornerAndShoot whole, at its lower-right corner, and nothing else.
    void ExpectCornerMarkedShots(std::vector<std::string> sizes)
    {
        CheckScreenshots(userFolder, [&sizes](const fs::path&, const RImage& image) {
            const std::string size = std::to_string(image.GetWidth()) + "x" + std::to_string(image.GetHeight());
            const auto found = std::find(sizes.begin(), sizes.end(), size);
            EXPECT_NE(found, sizes.end()) << "a screenshot of " << size;
            if (found != sizes.end())
                sizes.erase(found);
            int lit = 0;
            int litElsewhere = 0;
            for (int y = 0; y < image.GetHeight(); ++y)
                for (int x = 0; x < image.GetWidth(); ++x) {
                    const bool isLit = (image.GetPixel(x, y) & 0x00FFFFFFu) != 0;
                    const bool inPlace = x >= image.GetWidth() - kMarkX && y >= image.GetHeight() - kMarkY;
                    (inPlace ? lit : litElsewhere) += isLit;
                }
            EXPECT_GT(lit, 50) << "the mark at the lower-right corner of " << size;
            EXPECT_EQ(litElsewhere, 0) << size;
        });
        EXPECT_TRUE(sizes.empty()) << "screenshots missing";
    }

    TempUserData data;
    fs::path userFolder;
};

TEST_F(BaseGame, AFirstRunWritesTheDefaultsEveryRunCountsItsSessionAndPlayersValuesAreKept)
{
    EXPECT_EXIT({ RunGame(3); exit(0); }, ::testing::ExitedWithCode(0), "");
    ASSERT_TRUE(fs::exists(userFolder / "Config" / "Config.ini"));
    EXPECT_TRUE(fs::exists(userFolder / "Config" / "ControlBindings.bnd"));
    EXPECT_TRUE(fs::is_directory(userFolder / "Mods"));
    EXPECT_EQ(ConfigValue("Audio", "MasterVolume"), "0.700000");
    EXPECT_EQ(ConfigValue("Audio", "MusicVolume"), "0.300000");
    EXPECT_EQ(ConfigValue("Engine", "FixedGameFPS"), "60");
    EXPECT_EQ(ConfigValue("General", "SessionID"), "1");
    EXPECT_FALSE(ConfigValue("General", "LastPlayedVersion").empty());

    EXPECT_EXIT({ RunGame(1); exit(0); }, ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ConfigValue("General", "SessionID"), "2");

    // Values the player set are kept; keys the file did not hold are written with their defaults.
    WriteGameConfig(userFolder,
                    "[Audio]\r\nMasterVolume: 0.25\r\n[Video]\r\nTate: 7\r\n[Engine]\r\nFixedGameFPS: 30\r\n");
    EXPECT_EXIT({ RunGame(2); exit(0); }, ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ConfigValue("Audio", "MasterVolume"), "0.250000");
    EXPECT_EQ(ConfigValue("Engine", "FixedGameFPS"), "30");
    EXPECT_EQ(ConfigValue("Video", "Tate"), "0") << "a rotation outside the four quarter turns falls back to none";
    EXPECT_EQ(ConfigValue("Audio", "SoundVolume"), "0.700000");
}

// With frames that cost next to nothing (a small window) the loop draws no faster than the display refreshes.
TEST_F(BaseGame, CheapFramesComeNoFasterThanTheRefreshRate)
{
    class CountingGame : public TestGame {
    public:
        bool InitRuntime() override
        {
            SDL_SetWindowSize(GetWindow(), 64, 48);
            return TestGame::InitRuntime();
        }
        void UpdateFrame() override
        {
            TestGame::UpdateFrame();
            clock.Update();
            const float now = clock.GetElapsedSeconds();
            if (frames < 0 && now >= 0.5f) { // counted from half a second in, once start-up costs are over
                frames = 0;
                from = now;
            } else if (frames >= 0) {
                ++frames;
            }
            if (frames >= 0 && now - from >= 1.5f) {
                rate = frames / (now - from);
                Quit();
            }
        }
        RTimer clock;
        int frames = -1;
        float from = 0.0f;
        float rate = 0.0f;
    };
    EXPECT_EXIT(
        {
            CountingGame* game = new CountingGame();
            game->clock.Reset();
            if (!game->Run(""))
                exit(2);
            SDL_DisplayMode mode;
            const int refresh = SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0 ? mode.refresh_rate
                                                                                               : 60;
            const float rate = game->rate;
            delete game;
            fprintf(stderr, "%.1f frames a second at %d Hz\n", rate, refresh);
            exit(rate > 0.0f && rate <= refresh * 1.05f ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

// A start-up that fails reports it, and leaves the player's bindings (never read in that run) as they were.
TEST_F(BaseGame, AFailedStartUpIsReportedAndKeepsTheBindingsFile)
{
    const fs::path bindings = userFolder / "Config" / "ControlBindings.bnd";
    fs::create_directories(bindings.parent_path());
    const std::string kept = "the player's own bindings";
    std::ofstream(bindings, std::ios::binary) << kept;
    EXPECT_EXIT(
        {
            WindowlessGame* game = new WindowlessGame();
            const bool started = game->Run("");
            delete game;
            exit(started ? 3 : 0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadBytes(bindings), kept);
}

// Saves that fail at shut-down, and files left unwritten because start-up could not read them, are named in the
// log, never reported as saved.
TEST_F(BaseGame, SavesThatFailAtShutDownAreNamedInTheLog)
{
    const fs::path config = userFolder / "Config";
    EXPECT_EXIT(
        {
            RunGame(2, [&config](TestGame&) {
                // Folders that are not empty where the configuration and the history go, once both were read.
                for (const char* name : {"Config.ini", "ConsoleMemory.txt"}) {
                    fs::remove(config / name);
                    fs::create_directories(config / name / "inside");
                }
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "could not be saved");
    const std::string log = ReadBytes(userFolder / "Logs" / "DebugLog_Safe.txt");
    EXPECT_EQ(log.find("configuration, bindings and console history saved"), std::string::npos) << log;
    EXPECT_NE(log.find("the configuration and the console history could not be saved (the bindings saved)"),
              std::string::npos)
        << log;

    // A history over its bound is left as it is, without the commands of the session, and the log says so.
    for (const char* name : {"Config.ini", "ConsoleMemory.txt"})
        fs::remove_all(config / name);
    const std::string history(RConsole::kMaxHistoryFileSize + 1, 'a');
    WriteBytes(config / "ConsoleMemory.txt", history);
    EXPECT_EXIT(
        {
            RunGame(2, [](TestGame& game) { game.GetConsole()->Submit("listsections"); });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadBytes(config / "ConsoleMemory.txt"), history);
    const std::string unwritten = ReadBytes(userFolder / "Logs" / "DebugLog_Safe.txt");
    EXPECT_NE(unwritten.find("ConsoleMemory.txt was not written: it could not be read at start-up"), std::string::npos)
        << unwritten;
    EXPECT_NE(unwritten.find("frames: the console history not written (the configuration and the bindings saved)"),
              std::string::npos)
        << unwritten;
}

TEST_F(BaseGame, TheMainCameraFollowsTheScreenAndFliesFromKeysAndMouse)
{
    EXPECT_EXIT(
        {
            FlyingGame* game = new FlyingGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            RCamera* camera = game->GetMainCamera();
            if (!camera || camera->GetAspect() != (float)game->GetScreenWidth() / (float)game->GetScreenHeight())
                exit(3);
            // Half a second of W, then of D: 100 units forward (+x), then 100 to the right (-y, the side is left).
            CompleteInputState& input = RInputHandler::GetInstance()->GetCurrentState();
            input.keys[SDL_SCANCODE_W] = 1;
            game->UpdateDebugCamera(0.5f);
            input.keys[SDL_SCANCODE_W] = 0;
            input.keys[SDL_SCANCODE_D] = 1;
            game->UpdateDebugCamera(0.5f);
            input.keys[SDL_SCANCODE_D] = 0;
            const RVector3 position = camera->GetPosition();
            if (std::fabs(position.x - 100.0f) > 1e-3f || std::fabs(position.y + 100.0f) > 1e-3f)
                exit(4);
            // Mouse motion to the right turns the camera to its right.
            input.mouseDX = 100;
            game->UpdateDebugCamera(0.0f);
            input.mouseDX = 0;
            camera->GetViewMatrix();
            if (!(camera->GetDirection().y < -0.4f))
                exit(5);
            game->Shutdown();
            const bool released = game->GetMainCamera() == nullptr;
            delete game;
            exit(released ? 0 : 6);
        },
        ::testing::ExitedWithCode(0), "");
}

// HUD text queued in a frame goes through every engine pass (scene, pre-HUD with the HUD over it, final) into the
// back buffer, where the screenshot (one bitmap) finds it: white strokes at the text's place, black elsewhere. The same holds
// after the window was resized or the picture's aspect was changed while the game runs, each of which re-creates
// the passes' targets at the new size and fits the final picture into the window.
TEST_F(BaseGame, HUDTextReachesTheFinishedFrameBeforeAndAfterAResize)
{
    struct Row {
        const char* name;
        const char* command; // run from the console before the window is resized
        bool resize;         // to 480 x 360
        int width, height;   // of the screenshot
        int left, right;     // the columns the text's strokes lie in
    };
    static const Row kRows[] = {
        {"as started", "", false, 1280, 720, 0, 200},
        {"after a resize", "", true, 480, 360, 0, 200},
        // A square picture in a 1280 x 720 window is pillar-boxed from column 280 on.
        {"a square aspect set while running", "set Video AspectRatio 1", false, 1280, 720, 280, 480},
        // A vanishing aspect is nearer 0 than the tallest, a quarter: the picture keeps the window's.
        {"a vanishing aspect", "set Video AspectRatio 1e-30", true, 480, 360, 0, 200},
    };
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(userFolder / "Screenshots");
        fs::remove_all(userFolder / "Config");
        EXPECT_EXIT(
            {
                RunGameFrames(6, [&row](TestGame& game, int frame) {
                    if (frame == 1) {
                        RString out;
                        if (row.command[0] && !RConsoleCommands::Execute(row.command, out))
                            exit(3);
                        if (row.resize) {
                            SDL_SetWindowSize(game.GetWindow(), 480, 360);
                            game.ApplyVideoMode();
                        }
                    }
                    if (frame == 5) {
                        static const char kText[] = "HELLO";
                        game.GetFont(RBaseGame::kHUDText)
                            ->QueueString(kText, 5, 0xFFFFFFFFu, 0, false, 10.0f, 10.0f, 4.0f, 4.0f, 1000.0f, 1000.0f);
                        game.RequestScreenshot();
                    }
                });
                exit(0);
            },
            ::testing::ExitedWithCode(0), "");
        const int shots = CheckScreenshots(userFolder, [&row](const fs::path& path, const RImage& image) {
            EXPECT_EQ(path.extension(), ".bmp");
            EXPECT_EQ(image.GetWidth(), row.width);
            EXPECT_EQ(image.GetHeight(), row.height);
            int lit = 0;
            int litElsewhere = 0;
            for (int y = 0; y < image.GetHeight(); ++y)
                for (int x = 0; x < image.GetWidth(); ++x) {
                    const bool isLit = (image.GetPixel(x, y) & 0x00FFFFFFu) != 0;
                    const bool inPlace = y < 80 && x >= row.left && x < row.right;
                    (inPlace ? lit : litElsewhere) += isLit;
                }
            EXPECT_GT(lit, 100) << "the text's strokes";
            EXPECT_EQ(litElsewhere, 0);
        });
        EXPECT_EQ(shots, 1);
    }
}

// The finished picture keeps its aspect inside the window: pillar-boxed when it is narrower than the window,
// letter-boxed when it is wider, and turned by a quarter turn it is as wide as it was high.
TEST_F(BaseGame, TheFinishedPictureIsFittedToTheWindowAtItsAspectAndTurn)
{
    EXPECT_EXIT(
        {
            RunGame(1, [](TestGame& game) {
                if (game.GetWindowWidth() != 1280 || game.GetWindowHeight() != 720)
                    exit(3);
                struct Row {
                    const char* aspect;
                    int tate;
                    float x, y;  // the margins, as fractions of the window
                };
                static const Row kRows[] = {
                    {"1.3333333", 0, 160.0f / 1280.0f, 0.0f},  // 960 x 720
                    {"3.2", 0, 0.0f, 160.0f / 720.0f},         // 1280 x 400
                    {"1.3333333", 1, 370.0f / 1280.0f, 0.0f},  // turned: 540 x 720
                    {"0.5", 3, 0.0f, 40.0f / 720.0f},          // turned: 1280 x 640
                    {"0.5", 2, 460.0f / 1280.0f, 0.0f},        // upside down: 360 x 720
                    // Held to its range: 0 (the screen's own) or 0.25 to 4, whichever is nearest.
                    {"0.001", 0, 0.0f, 0.0f},                  // the screen's own: 1280 x 720
                    {"1e-30", 0, 0.0f, 0.0f},
                    {"0.2", 0, 550.0f / 1280.0f, 0.0f},        // 0.25: 180 x 720
                    {"100", 0, 0.0f, 200.0f / 720.0f},         // 4: 1280 x 320
                };
                int code = 10;
                for (const Row& row : kRows) {
                    RString out;
                    char command[64];
                    snprintf(command, sizeof(command), "set Video Tate %d", row.tate);
                    if (!RConsoleCommands::Execute(command, out))
                        exit(4);
                    snprintf(command, sizeof(command), "set Video AspectRatio %s", row.aspect);
                    if (!RConsoleCommands::Execute(command, out))
                        exit(5);
                    const RRenderPass* pass = RRenderer::GetInstance()->FindRenderPass(game.GetFinalPassName());
                    if (!pass)
                        exit(6);
                    const RViewport& v = pass->viewport;
                    if (std::fabs(v.x - row.x) > 1e-4f || std::fabs(v.y - row.y) > 1e-4f ||
                        std::fabs(v.width - (1.0f - 2.0f * row.x)) > 1e-4f ||
                        std::fabs(v.height - (1.0f - 2.0f * row.y)) > 1e-4f) {
                        fprintf(stderr, "aspect %s, turn %d: viewport %g %g %g %g\n", row.aspect, row.tate, v.x, v.y,
                                v.width, v.height);
                        exit(code);
                    }
                    ++code;
                }
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// Alt with a new press of R lists every render state the loaded effects use, once for each press.
TEST_F(BaseGame, AltAndANewPressOfRListTheRenderStates)
{
    const std::string captured = (userFolder.parent_path() / "stdout.txt").string();
    EXPECT_EXIT(
        {
            TestGame* game = new TestGame();
            if (!game->InitEngine() || !game->InitSystems() || !game->InitRuntime())
                exit(2);
            auto frame = [game](std::initializer_list<SDL_Scancode> held) {
                game->PumpEvents();
                game->Update();
                for (SDL_Scancode key : held)
                    RInputHandler::GetInstance()->GetCurrentState().keys[key] = 1;
                game->UpdateFrame();
                game->RenderFrame();
            };
            // The first frames load what they draw.
            frame({});
            frame({});
            fflush(stdout);
            const int saved = dup(1);
            FILE* out = fopen(captured.c_str(), "wb");
            if (!out || saved < 0 || dup2(fileno(out), 1) < 0)
                exit(3);
            frame({SDL_SCANCODE_LALT, SDL_SCANCODE_R});  // listed
            frame({SDL_SCANCODE_LALT, SDL_SCANCODE_R});  // held: not again
            frame({});
            frame({SDL_SCANCODE_R});                     // no Alt
            frame({});
            frame({SDL_SCANCODE_RALT, SDL_SCANCODE_R});  // listed
            frame({});
            fflush(stdout);
            dup2(saved, 1);
            fclose(out);

            FILE* expected = tmpfile();
            if (!expected || !RRenderStateRegistry::Write(expected))
                exit(4);
            rewind(expected);
            std::string listing;
            for (int c = fgetc(expected); c != EOF; c = fgetc(expected))
                listing.push_back(static_cast<char>(c));
            fclose(expected);
            const std::string written = ReadBytes(captured);
            int count = 0;
            for (size_t at = written.find(listing); !listing.empty() && at != std::string::npos;
                 at = written.find(listing, at + listing.size()))
                ++count;
            game->Shutdown();
            delete game;
            if (listing.find("CullMode\r\n") == std::string::npos)
                exit(5);
            exit(count == 2 ? 0 : 10 + count);
        },
        ::testing::ExitedWithCode(0), "");
}

// "Brightness" scales the finished picture in the final pass, held to its range.
TEST_F(BaseGame, BrightnessScalesTheFinishedPicture)
{
    struct Row {
        const char* command;
        int brightest; // the brightest channel of grey (0x60) text
    };
    static const Row kRows[] = {{"", 0x60}, {"set Video Brightness 2", 0xC0}, {"set Video Brightness 100", 0xC0}};
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.command);
        fs::remove_all(userFolder / "Screenshots");
        fs::remove_all(userFolder / "Config");
        EXPECT_EXIT(
            {
                RString out;
                RunGame(3, [&](TestGame& game) {
                    if (row.command[0] && !RConsoleCommands::Execute(row.command, out))
                        exit(3);
                    static const char kText[] = "HELLO";
                    game.GetFont(RBaseGame::kHUDText)
                        ->QueueString(kText, 5, 0xFF606060u, 0, false, 10.0f, 10.0f, 4.0f, 4.0f, 1000.0f, 1000.0f);
                    game.RequestScreenshot();
                });
                exit(0);
            },
            ::testing::ExitedWithCode(0), "");
        CheckScreenshots(userFolder, [&row](const fs::path&, const RImage& image) {
            int brightest = 0;
            for (int y = 0; y < image.GetHeight(); ++y)
                for (int x = 0; x < image.GetWidth(); ++x)
                    brightest = std::max(brightest, static_cast<int>(image.GetPixel(x, y) & 0xFF));
            EXPECT_NEAR(brightest, row.brightest, 3);
        });
    }
}

// The engine's passes whose quad would only copy the picture are left out, the pass before drawing straight into
// the target the copy would fill; the finished picture is the one every pass draws. The scene is the depth
// backdrop's flat grey (0x80) or, without it, the clear colour; the settings change after two frames were drawn.
TEST_F(BaseGame, PassesThatOnlyCopyAreLeftOutAndThePictureStays)
{
    struct Row {
        const char* quality;  // "AntialiasQuality"
        const char* command;  // run from the console after the second frame
        bool backdrop;
        bool preHUDSkipped, finalSkipped;
        int centre;  // the grey at the picture's middle
        int side;    // and at x 100, inside the pillar box of a square picture
    };
    static const Row kRows[] = {
        {"0", "", true, true, true, 0x80, 0x80},
        {"2", "", true, false, true, 0x80, 0x80},
        // Nothing drawn over the scene's clear colour: there is nothing to smooth.
        {"2", "", false, true, true, 0x00, 0x00},
        {"0", "set Video Brightness 2", true, true, false, 0xFF, 0xFF},
        {"2", "set Video Tate 1", true, false, false, 0x80, 0x80},
        // The final pass clears the bars beside its viewport, where earlier frames drew the whole window.
        {"2", "set Video AspectRatio 1", true, false, false, 0x80, 0x00},
    };
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.quality) + " " + row.command + (row.backdrop ? " backdrop" : ""));
        fs::remove_all(userFolder / "Screenshots");
        WriteGameConfig(userFolder, std::string("[Video]\nAntialiasQuality=") + row.quality + "\n");
        EXPECT_EXIT(
            {
                RDepthBackdrop* backdrop = nullptr;
                RunGameFrames(6, [&row, &backdrop](TestGame& game, int frame) {
                    if (frame == 0 && row.backdrop)
                        backdrop = game.GetNewDepthBackdropEntity();
                    RString out;
                    if (frame == 2 && row.command[0] && !RConsoleCommands::Execute(row.command, out))
                        exit(3);
                    if (frame == 5) {
                        if (game.GetRenderSetup().IsPreHUDCopySkipped() != row.preHUDSkipped ||
                            game.GetRenderSetup().IsFinalPassSkipped() != row.finalSkipped)
                            exit(4);
                        game.RequestScreenshot();
                    }
                }, [&backdrop] { delete backdrop; });
                exit(0);
            },
            ::testing::ExitedWithCode(0), "");
        const int shots = CheckScreenshots(userFolder, [&row](const fs::path&, const RImage& image) {
            ASSERT_EQ(image.GetWidth(), 1280);
            ASSERT_EQ(image.GetHeight(), 720);
            EXPECT_NEAR(static_cast<int>(image.GetPixel(640, 360) & 0xFF), row.centre, 2);
            EXPECT_NEAR(static_cast<int>(image.GetPixel(100, 360) & 0xFF), row.side, 2);
        });
        EXPECT_EQ(shots, 1);
    }
}

TEST_F(BaseGame, ConsoleCommandsChangeAndListTheConfiguration)
{
    EXPECT_EXIT(
        {
            RunGame(1, [](TestGame& game) {
                RString out;
                if (!RConsoleCommands::Execute("set Audio MasterVolume 0.5", out))
                    exit(3);
                if (game.GetSettings().masterVolume != 0.5f)
                    exit(4);
                if (!RConsoleCommands::Execute("reset Audio MasterVolume", out) ||
                    game.GetSettings().masterVolume != 0.7f)
                    exit(5);
                if (!RConsoleCommands::Execute("set General QuickStart true", out) || !game.GetSettings().quickStart)
                    exit(6);
                if (!RConsoleCommands::Execute("unset General QuickStart", out) || game.GetSettings().quickStart)
                    exit(7);
                out = RString();
                RConsoleCommands::Execute("listvars Audio", out);
                if (out.Find(RString("MasterVolume: 0.700000")) < 0)
                    exit(8);
                out = RString();
                RConsoleCommands::Execute("thread", out);
                if (out.Find(RString("Current thread is: ")) != 0)
                    exit(9);
                out = RString();
                if (RConsoleCommands::Execute("no-such-command", out) || out.Find(RString("Unknown command")) < 0)
                    exit(10);
                if (RConsoleCommands::Execute("set Audio NoSuchKey 1", out))
                    exit(11);

                // The mouse scale follows "MouseScalar" s: 1 + s from 0 up, 1 / (1 - s) below, whether the console
                // sets it (as text) or the Mouse menu does (as a number). Each value differs from the one before.
                RInputHandler* input = RInputHandler::GetInstance();
                struct Scale {
                    float scalar, scale;
                };
                // Held to -5 to 5: a sixth to six times the motion.
                for (const Scale& s : {Scale{-1.0f, 0.5f}, Scale{1.0f, 2.0f}, Scale{0.0f, 1.0f}, Scale{-3.0f, 0.25f},
                                       Scale{100.0f, 6.0f}, Scale{-1e30f, 1.0f / 6.0f}}) {
                    char command[64];
                    snprintf(command, sizeof(command), "set Input MouseScalar %g", s.scalar);
                    if (!RConsoleCommands::Execute(command, out) || std::fabs(input->GetMouseScale() - s.scale) > 1e-6f)
                        exit(12);
                }
                for (const Scale& s : {Scale{1.0f, 2.0f}, Scale{-1.0f, 0.5f}, Scale{0.0f, 1.0f}, Scale{-3.0f, 0.25f}}) {
                    if (!RConfigFile::GetInstance().SetFloat(RHashedString("Input"), RHashedString("MouseScalar"),
                                                             s.scalar) ||
                        std::fabs(input->GetMouseScale() - s.scale) > 1e-6f)
                        exit(13);
                }

                // A value that a setting refuses, a section or a language folder that is not there: the command
                // fails and says so.
                out = RString();
                if (RConsoleCommands::Execute("set General Language Nowhere", out) ||
                    game.GetSettings().language != RHashedString("") || out.Find(RString("was refused")) < 0)
                    exit(15);
                out = RString();
                if (RConsoleCommands::Execute("listvars NoSuchSection", out) ||
                    out.Find(RString("No such section: NoSuchSection")) < 0)
                    exit(16);
                out = RString();
                if (RConsoleCommands::Execute("language Nowhere", out) ||
                    out.Find(RString("\"Localization/Nowhere/\" holds none of the string tables")) < 0)
                    exit(17);
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// A refused command changes nothing that is saved, and says why. "language" changes the language of the session
// alone; a value that a setting's check refuses leaves the setting as it was, also when the language in force
// is another. A folder holding only the start-up table is no language.
TEST_F(BaseGame, RefusedCommandsLeaveTheSavedSettingsAsTheyWere)
{
    WriteBytes((userFolder / "Localization" / "fr" / "Startup.txt").string(), "[Startup]\nLoading: Chargement\n");
    EXPECT_EXIT(
        {
            RunGame(1, [](TestGame& game) {
                RString out;
                if (RConsoleCommands::Execute("language fr", out) ||
                    out.Find(RString("\"Localization/fr/\" holds none of the string tables")) < 0)
                    exit(3);
                if (!RConsoleCommands::Execute("language xxx", out) || !RLocMgr::GetInstance()->IsTestLanguage())
                    exit(4);
                out = RString();
                if (RConsoleCommands::Execute("set General Language nosuch", out) ||
                    game.GetSettings().language != RHashedString("") || !RLocMgr::GetInstance()->IsTestLanguage() ||
                    out.Find(RString("The value \"nosuch\" was refused: \"Localization/nosuch/\" holds none of the "
                                     "string tables; the setting stays Language: ")) < 0)
                    exit(5);
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string saved = ReadBytes((userFolder / "Config" / "Config.ini").string());
    EXPECT_NE(saved.find("\r\nLanguage: \r\n"), std::string::npos) << saved;
}

// A turn outside the four quarter turns sets "Tate" back to 0 and lays the picture out upright again at once: after
// a quarter turn and after a half turn, 7 puts the corner mark back at the picture's lower-right corner, and so
// does -1 after three quarter turns; the console's reply says so, and the file keeps 0. -1 read from the file
// starts the game upright, and the file is written back with 0.
TEST_F(BaseGame, ATurnOutsideTheFourSetsThePictureBackUpright)
{
    EXPECT_EXIT(
        {
            RunGameFrames(7, [](TestGame& game, int frame) {
                RString out;
                if (frame == 1 || frame == 3 || frame == 5) {
                    const char* turn = frame == 1 ? "set Video Tate 1" : frame == 3 ? "set Video Tate 2"
                                                                                     : "set Video Tate 3";
                    if (!RConsoleCommands::Execute(turn, out) || game.GetSettings().tate == 0)
                        exit(3);
                } else if (frame == 2 || frame == 4 || frame == 6) {
                    const char* value = frame == 6 ? "-1" : "7";
                    const std::string command = std::string("set Video Tate ") + value;
                    const std::string reply = std::string("The value \"") + value +
                                              "\" was set back: the picture turns by 0 to 3 quarter turns; the "
                                              "setting is now Tate: 0";
                    if (!RConsoleCommands::Execute(command.c_str(), out) || game.GetSettings().tate != 0 ||
                        out.Find(RString(reply.c_str())) < 0) {
                        fprintf(stderr, "%s\n", out.GetString());
                        exit(4);
                    }
                    MarkTheCornerAndShoot(game);
                }
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ExpectCornerMarkedShots({"1280x720", "1280x720", "1280x720"});
    EXPECT_EQ(ConfigValue("Video", "Tate"), "0");

    fs::remove_all(userFolder / "Screenshots");
    WriteGameConfig(userFolder, "[Video]\r\nTate: -1\r\n");
    EXPECT_EXIT(
        {
            RunGame(2, MarkTheCornerAndShoot);
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ExpectCornerMarkedShots({"1280x720"});
    EXPECT_EQ(ConfigValue("Video", "Tate"), "0");
}

// A set-back is told in the reply of the command that made it alone: the next set, of another setting, says
// nothing of it.
TEST_F(BaseGame, ASetBackIsToldOnlyInTheReplyOfTheSetThatMadeIt)
{
    EXPECT_EXIT(
        {
            RunGame(1, [](TestGame& game) {
                RString out;
                if (!RConsoleCommands::Execute("set Video Tate 7", out) || out.Find(RString("was set back")) < 0)
                    exit(3);
                out = RString();
                if (!RConsoleCommands::Execute("set Audio MasterVolume 0.5", out) ||
                    game.GetSettings().masterVolume != 0.5f)
                    exit(4);
                if (out.Find(RString("set back")) >= 0) {
                    fprintf(stderr, "%s\n", out.GetString());
                    exit(5);
                }
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// The settings a running system uses apply as soon as the console or the configuration changes them, not at the
// next start or when a menu applies them again.
TEST_F(BaseGame, StreamingSettingsApplyAtOnce)
{
    EXPECT_EXIT(
        {
            RunGame(1, [](TestGame& game) {
                if (!game.IsAudioReady())
                    exit(3);
                RString out;
                RAudioMgr* audio = RAudioMgr::GetInstance();
                if (!RConsoleCommands::Execute("set Audio StreamLength 2", out) || audio->GetStreamLength() != 2.0f)
                    exit(4);
                if (!RConsoleCommands::Execute("set Audio StreamUpdatePercent 0.125", out) ||
                    audio->GetStreamUpdatePercent() != 0.125f)
                    exit(5);
                if (!RConsoleCommands::Execute("set Audio MuteWhenUnfocused true", out) ||
                    !audio->GetMuteWhenUnfocused())
                    exit(6);
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(BaseGame, VideoSettingsApplyAtOnce)
{
    EXPECT_EXIT(
        {
            const auto effectName = [](TestGame& game) {
                auto* material = dynamic_cast<RPreHUDPassMaterial*>(game.GetRenderSetup().GetPreHUDPassMaterial());
                return std::string(material ? material->GetEffectName().GetString() : "");
            };
            XWindowGeometry windowed;
            RunGameFrames(41, [&effectName, &windowed](TestGame& game, int frame) {
                RString out;
                XWindowGeometry real;
                if (!GetXWindowGeometry(game.GetWindow(), &real))
                    exit(8);
                if (frame == 0) {
                    windowed = real;
                    if (effectName(game) != RPreHUDPassMaterial::GetEffectName(2) || game.IsWindowFullscreen())
                        exit(3);
                    if (!RConsoleCommands::Execute("set Video AntialiasQuality 0", out) ||
                        effectName(game) != RPreHUDPassMaterial::GetEffectName(0))
                        exit(4);
                    if (!RConsoleCommands::Execute("set Video Fullscreen 1", out) || !game.IsWindowFullscreen())
                        exit(5);
                } else if (frame == 20) {
                    // The window covers the screen (the test run's has no window manager), and the picture is
                    // laid out for it.
                    if (!CoversTheScreen(real) || !LaidOutFor(game, real))
                        exit(6);
                    MarkTheCornerAndShoot(game);
                } else if (frame == 21) {
                    if (!RConsoleCommands::Execute("set Video Fullscreen 0", out) || game.IsWindowFullscreen())
                        exit(7);
                } else if (frame == 40) {
                    // Back where it was, at its size, with the picture laid out for it.
                    if (!(real == windowed) || !LaidOutFor(game, real))
                        exit(9);
                    MarkTheCornerAndShoot(game);
                }
                SDL_Delay(10);
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ExpectCornerMarkedShots({"1280x1024", "1280x720"});
}

// "Fullscreen" read at start-up: the window covers the screen with no window manager to carry the request out,
// and the picture is laid out for the window as the X server has it.
TEST_F(BaseGame, FullscreenAtStartUpCoversTheScreen)
{
    WriteGameConfig(userFolder, "[Video]\r\nFullscreen: true\r\n");
    EXPECT_EXIT(
        {
            RunGame(3, [](TestGame& game) {
                XWindowGeometry real;
                if (!GetXWindowGeometry(game.GetWindow(), &real))
                    exit(3);
                if (!game.IsWindowFullscreen() || !CoversTheScreen(real) || !LaidOutFor(game, real))
                    exit(4);
                MarkTheCornerAndShoot(game);
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ExpectCornerMarkedShots({"1280x1024"});
    EXPECT_EQ(ConfigValue("Video", "Fullscreen"), "true");
}

// A window that may grow no larger than it is cannot be made to cover the screen: "Fullscreen" is turned off and
// the failure is in the safe log at once, long before the shut-down.
TEST_F(BaseGame, AWindowThatCannotCoverTheScreenIsNamedInTheSafeLogAtOnce)
{
    const fs::path log = userFolder / "Logs" / "DebugLog_Safe.txt";
    EXPECT_EXIT(
        {
            RunGameFrames(3, [&log](TestGame& game, int frame) {
                if (frame != 1)
                    return;
                int width = 0;
                int height = 0;
                SDL_GetWindowSize(game.GetWindow(), &width, &height);
                SDL_SetWindowMaximumSize(game.GetWindow(), width, height);
                RString out;
                RConsoleCommands::Execute("set Video Fullscreen 1", out);
                XWindowGeometry real;
                if (game.IsWindowFullscreen() || !GetXWindowGeometry(game.GetWindow(), &real) || CoversTheScreen(real))
                    exit(3);
                if (ReadBytes(log).find("The window could not be made to cover the screen") == std::string::npos)
                    exit(4);
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "could not be made to cover the screen");
    EXPECT_EQ(ConfigValue("Video", "Fullscreen"), "false");
}

TEST_F(BaseGame, TheControllerSettingOpensItsDeviceAtOnce)
{
    EXPECT_EXIT(
        {
            // Two virtual devices before start-up: the input handler opens the first one found.
            if (SDL_Init(SDL_INIT_GAMECONTROLLER) != 0 ||
                SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0) < 0 ||
                SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 2, 4, 0) < 0)
                exit(3);
            RunGame(1, [](TestGame&) {
                RInputHandler* input = RInputHandler::GetInstance();
                RConfigFile& config = RConfigFile::GetInstance();
                if (std::string(input->GetOpenJoystickName().GetString()) != "Virtual Controller")
                    exit(4);
                if (!config.SetFromText("Input", "Controller", "virtual flight stick") ||
                    std::string(input->GetOpenJoystickName().GetString()) != "Virtual Flight Stick" ||
                    input->IsControllerMode())
                    exit(5);
                // The empty text is the first device found.
                RString out;
                if (!RConsoleCommands::Execute("unset Input Controller", out) ||
                    std::string(input->GetOpenJoystickName().GetString()) != "Virtual Controller" ||
                    !input->IsControllerMode())
                    exit(6);
            });
            exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
