// The game's own start-up: its file sources, its control group and its sounds, under the test run's X server with
// the user folder in a temporary place. A game object can be made once per process, so each run is a child.
#include "WendroRunSupport.h"
#include "core/config/RLocMgr.h"
#include "core/system/RLogger.h"
#include "core/files/RStreamMgr.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RStreamingAudio_PCS.h"
#include "platform/input/RControlConfig.h"
#include "render/frame/RRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Wendro = WendroRunTest;

TEST_F(Wendro, StartsWithItsFoldersPacksControlsAndSounds)
{
    EXPECT_EXIT(RunWendro([](WendroGame& game) {
                    // "menu.wav" comes from the game's own pack.
                    if (!RStreamMgr::GetInstance()->Exists("menu.wav", 0))
                        return 3;
                    RAudioMgr* audio = RAudioMgr::GetInstance();
                    if (!audio->FindSound(RHashedString("Dozu")) || !audio->FindSound(RHashedString("PCSpeaker")))
                        return 4;
                    if (!game.GetToneGenerator())
                        return 5;
                    RControlConfig* controls = RControlConfig::GetInstance();
                    if (!controls->FindGroup(RHashedString("Gameplay")))
                        return 6;
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");

    EXPECT_TRUE(fs::is_directory(user + "Maps"));
    EXPECT_TRUE(fs::is_directory(user + "Saves"));
    EXPECT_TRUE(fs::exists(user + "Config/ControlBindings.bnd"));
}

TEST_F(Wendro, PlaysTunesOnItsToneGenerator)
{
    EXPECT_EXIT(RunWendro([](WendroGame& game) {
                    RPCSTune tune;
                    ParsePCSTune(RString("T120 O4 L8 C D E"), tune.notes);
                    tune.priority = 6;
                    if (tune.notes.getCount() != 3)
                        return 3;
                    game.GetToneGenerator()->PlayTune(tune);
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");
}

// The configured language reaches every table, the game's own (registered once its pack is mounted) included.
TEST_F(Wendro, TheConfiguredLanguageReachesTheGamesOwnTables)
{
    WriteGameConfig(user, "[General]\r\nLanguage: French\r\n");
    WriteBytes(user + "Localization/French/Wendro.txt", "[DifficultyMenu]\r\nTitle: Difficulte\r\n");
    WriteBytes(user + "Localization/French/Controls.txt", "[Gameplay]\r\nJump: Sauter\r\n");
    WriteBytes(user + "Localization/French/Menus.txt", "[TitleMenu]\r\nQuit: Quitter\r\n");
    EXPECT_EXIT(RunWendro([](WendroGame&) {
                    RLocMgr* texts = RLocMgr::GetInstance();
                    const auto text = [texts](const char* file, const char* section, const char* key) {
                        return std::string(
                            texts->GetString(RHashedString(file), RHashedString(section), RHashedString(key))
                                .GetString());
                    };
                    if (text("Menus", "TitleMenu", "Quit") != "Quitter")
                        return 3;
                    if (text("Wendro", "DifficultyMenu", "Title") != "Difficulte")
                        return 4;
                    if (text("Controls", "Gameplay", "Jump") != "Sauter")
                        return 5;
                    // A key the language leaves out still comes from the game's pack.
                    return text("Wendro", "DifficultyMenu", "Easy") == "Easy" ? 0 : 6;
                }),
                ::testing::ExitedWithCode(0), "");
}

// A broken effect file in the user's "Mods/" folder (the CRT screen of the room, or the final pass that every
// picture goes through, drawn at a brightness that needs it) is named once with why, and the packed effect of the
// same name is drawn instead.
TEST_F(Wendro, ABrokenModEffectIsReportedAndThePackedOneDrawn)
{
    const char* const brokenShader = "#version 120\nvoid main() { gl_FragColor = not glsl; }\n";
    const struct {
        const char* effect;
        const char* file;
        const char* text;
        const char* reason;
    } cases[] = {{"Wendro_Screen", "Wendro_Screen_CRT_P0_PS.glsl", brokenShader, "error"},
                 {"Wendro_Screen", "Wendro_Screen_GLSL.xml", "", "holds no technique"},
                 {"Wendro_Screen", "Wendro_Screen_CRT_P0_State.ini", "", "gives the pass no vertex attribute"},
                 {"__ROLT_Final_Pass", "__ROLT_Final_Pass_FinalPassTechnique_P0_PS.glsl", brokenShader, "error"},
                 {"__ROLT_Final_Pass", "__ROLT_Final_Pass_GLSL.xml", "", "holds no technique"}};
    for (const auto& [effect, file, text, reason] : cases) {
        SCOPED_TRACE(file);
        fs::remove_all(user);
        WriteBytes(user + "Mods/" + file, text);
        WriteGameConfig(user, "[Video]\r\nBrightness: 1.5\r\n");
        EXPECT_EXIT(RunWendro([](WendroGame& game) {
                        if (!game.BeginNewGame(1))
                            return 3;
                        for (int frame = 0; frame < 4; ++frame) {
                            game.PumpEvents();
                            game.Update();
                            game.FixedUpdate(1.0f / 60.0f);
                            game.UpdateFrame();
                            if (frame == 3)
                                game.RequestScreenshot();
                            game.RenderFrame();
                        }
                        return 0;
                    }),
                    ::testing::ExitedWithCode(0), "failed to build");
        const int shots = CheckScreenshots(user, [](const fs::path&, const RImage& image) {
            int lit = 0;
            for (int y = 0; y < image.GetHeight(); ++y)
                for (int x = 0; x < image.GetWidth(); ++x)
                    lit += (image.GetPixel(x, y) & 0x00FFFFFFu) != 0;
            EXPECT_GT(lit, image.GetWidth() * image.GetHeight() / 10) << "the picture is black";
        });
        EXPECT_EQ(shots, 1);
        const std::string log = ReadBytes(user + "Logs/DebugLog_Safe.txt");
        const std::string line = std::string("The effect ") + effect + ".fxo failed to build and is drawn from the "
                                                                       "packs instead:";
        const size_t named = log.find(line);
        ASSERT_NE(named, std::string::npos) << log;
        EXPECT_EQ(log.find(line, named + 1), std::string::npos) << "named more than once";
        EXPECT_NE(log.find(file, named), std::string::npos) << "the failing file is not named";
        EXPECT_NE(log.find(reason, named), std::string::npos) << "no reason given";
    }
}

// Draws one frame of the running game and reads its back buffer (rows from the bottom) before it is presented.
std::vector<uint32_t> DrawAndRead(WendroGame& game)
{
    game.PumpEvents();
    game.Update();
    game.FixedUpdate(1.0f / 60.0f);
    game.UpdateFrame();
    RRenderer* renderer = RRenderer::GetInstance();
    renderer->BeginFrame();
    renderer->RenderStage(RHashedString());
    renderer->EndFrame();
    std::vector<uint32_t> pixels(1280 * 720);
    renderer->ReadBackBufferPixels(1280, 720, pixels.data());
    renderer->Present();
    return pixels;
}

int Green(uint32_t colour)
{
    return static_cast<int>((colour >> 8) & 0xFF);
}

// With the monitor look, what leaves the picture fades over the next frames as a phosphor's trace (a bit under half
// as bright each frame); with the plain look it is gone at once. The status line's text is blanked and the
// brightest pixel it had is followed.
TEST_F(Wendro, TheMonitorLooksTraceFadesWhereThePictureWentDark)
{
    for (const bool crt : {true, false}) {
        SCOPED_TRACE(crt ? "monitor" : "plain");
        WriteGameConfig(user, std::string("[Game]\nCRTLook=") + (crt ? "1" : "0") + "\n");
        EXPECT_EXIT(RunWendro([crt](WendroGame& game) {
                        if (!game.BeginNewGame(1))
                            return 3;
                        std::vector<uint32_t> frame;
                        for (int i = 0; i < 30; ++i)
                            frame = DrawAndRead(game);
                        // The status line: the picture's last 8 of 200 rows, at the bottom of the window.
                        size_t brightest = 0;
                        for (size_t i = 0; i < 1280 * 27; ++i) {
                            if (Green(frame[i]) > Green(frame[brightest]))
                                brightest = i;
                        }
                        const int lit = Green(frame[brightest]);
                        if (lit < 120)
                            return 4;
                        game.GetWorld()->ShowMessage("");
                        std::vector<int> after;
                        for (int i = 0; i < 12; ++i)
                            after.push_back(Green(DrawAndRead(game)[brightest]));
                        if (!crt)
                            return after[0] == 0 ? 0 : 5;
                        // Each frame keeps 0.45 of the last (of the glow, before the scan lines dim it).
                        if (after[0] < lit / 5 || after[0] > lit * 4 / 5)
                            return 6;
                        if (after[1] < after[0] / 4 || after[1] > after[0] * 3 / 5)
                            return 7;
                        return after[11] <= 2 ? 0 : 8;
                    }),
                    ::testing::ExitedWithCode(0), "");
    }
}

// The session report written at shut-down holds the player's block, then the engine's closing block.
TEST_F(Wendro, ShutDownReportsThePlayersBlockBeforeTheSessionEnd)
{
    EXPECT_EXIT(RunWendro([](WendroGame&) { return 0; }), ::testing::ExitedWithCode(0), "");
    const std::string report = ReadBytes(user + "Logs/DebugLog_Safe.txt");
    const size_t player = report.find(": [PlayerStats]\r\n");
    const size_t end = report.find(": [SessionShutdown]\r\n");
    ASSERT_NE(player, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LT(player, end);
}

} // namespace
