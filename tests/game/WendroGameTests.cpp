// The game's own start-up: its file sources, its control group and its sounds, under the test run's X server with
// the user folder in a temporary place. A game object can be made once per process, so each run is a child.
#include "WendroRunSupport.h"
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
