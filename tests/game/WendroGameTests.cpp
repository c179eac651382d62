// The game's own start-up: its file sources, its control group and its sounds, under the test run's X server with
// the user folder in a temporary place. A game object can be made once per process, so each run is a child.
#include "WendroRunSupport.h"
#include "core/system/RLogger.h"
#include "core/files/RStreamMgr.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RStreamingAudio_PCS.h"
#include "platform/input/RControlConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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
