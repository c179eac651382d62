// The running game's world, in the real game object under the test run's X server, with a map of the test's own in
// the user "Maps/" folder in place of the campaign's: a player who falls out of the bottom of a room with nothing
// below comes back at the respawn point (never a fall forever) and the death is counted in "[PlayerStats]"; a
// teleport takes the player to its partner in another room; a blue switch opens the magenta blocks under the
// player; the orbs play their cinematics and return to the title; a saved game that is damaged, foreign, names a
// room the map no longer holds or holds more than the campaign can is refused and a new game begins, and the next
// checkpoint keeps the refused file under a name of its own before it saves; a checkpoint that cannot save says so
// on the status line; a refused map is named on the next title only; both refusals and failed saves are in the log
// as they happen, a name read from the save or the map with its control bytes escaped there and on the title; a
// room entered in an earlier session is not counted again, and every room entered, the map's last one too, is in
// the save. A game object can be made once per process, so each case runs in a child.
#include "WendroRunSupport.h"
#include "basegame/RSubroutineMgr.h"
#include "basegame/RTimedSubroutine.h"
#include "core/system/RLogger.h"
#include "menus/RGameMenu.h"
#include "menus/RMenuEntries.h"
#include "menus/RMenuMgr.h"
#include "platform/audio/RAudioMgr.h"
#include "game/Hazard.h"
#include "game/Player.h"
#include "game/SaveGame.h"
#include "game/World.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Two rooms: "Gate" (the campaign's start room) with a hole in its floor, a teleport, a blue switch and magenta
// floor, the two orbs and a lift in the air; "Far", away from it on the grid, with the teleport's partner.
std::string TestMap()
{
    std::string map = "[Map]\r\nRooms: Gate Far\r\n[Gate]\r\nX: 0\r\nY: 0\r\nStart: 2 22\r\n";
    for (int row = 0; row < 24; ++row) {
        char line[64];
        const char* text = row == 0    ? "########################################"
                           : row == 23 ? "##########...#######MMMM################"
                                       : "#......................................#";
        snprintf(line, sizeof(line), "Row%02d: %s\r\n", row, text);
        map += line;
    }
    map += "Entity01: Teleport 30 22 A\r\nEntity02: WinOrb 34 22\r\nEntity03: LoseOrb 36 22\r\nEntity04: Lift 3 15\r\n";
    map[map.find("Row22: ") + 7 + 17] = 'b';
    map += "[Far]\r\nX: 7\r\nY: 7\r\nStart: 2 22\r\n";
    for (int row = 0; row < 24; ++row) {
        char line[64];
        snprintf(line, sizeof(line), "Row%02d: %s\r\n", row,
                 row == 0 || row == 23 ? "########################################" : "#......................................#");
        map += line;
    }
    return map + "Entity01: Teleport 10 22 A\r\n";
}

// The test map with more entities in "Gate": a checkpoint on the floor at tile 5 and treasure number 1 high up.
std::string TestMapWithCheckpoint()
{
    std::string map = TestMap();
    map.insert(map.find("[Far]"), "Entity05: Checkpoint 5 22\r\nEntity06: Gem 20 2 1\r\n");
    return map;
}

// The test map with a checkpoint in each room and "Far" moved beside "Gate", on its right, through an opening in
// their walls over the floor; its checkpoint lies just inside, at tile 3.
std::string TestMapWithRoomsSideBySide()
{
    std::string map = TestMapWithCheckpoint();
    const size_t far = map.find("[Far]");
    map.replace(map.find("X: 7\r\nY: 7", far), 10, "X: 1\r\nY: 0");
    for (int row = 20; row <= 22; ++row) {
        char key[16];
        snprintf(key, sizeof(key), "Row%02d: ", row);
        map[map.find(key) + 7 + 39] = '.';
        map[map.find(key, far) + 7] = '.';
    }
    return map + "Entity02: Checkpoint 3 22\r\n";
}

// The last "[PlayerStats]" block of the session report, or "".
std::string LastSessionBlock(const std::string& logPath)
{
    const std::string report = ReadBytes(logPath);
    const size_t block = report.rfind(": [PlayerStats]\r\n");
    return block == std::string::npos ? "" : report.substr(block);
}

// Where text holds a control byte that no line end explains (anything below 32 but a line feed and the carriage
// return before one, and 127), with the byte's value; "" when it holds none.
std::string StrayControlBytes(const std::string& text)
{
    std::string found;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool lineEnd = c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
        if ((c < 32 && !lineEnd) || c == 127)
            found += "byte " + std::to_string(c) + " at " + std::to_string(i) + "; ";
    }
    return found;
}

class GameWorld : public WendroRunTest {
protected:
    void SetUp() override
    {
        WendroRunTest::SetUp();
        WriteBytes(user + "Maps/Tarnvow.map", TestMap());
    }
    // A save of the test campaign in room "Gate".
    static SaveGame GateSave()
    {
        SaveGame save;
        snprintf(save.campaign, sizeof(save.campaign), "Wendro.gam");
        snprintf(save.room, sizeof(save.room), "Gate");
        save.x = 2 * 8 + 1;
        save.y = 22 * 8;
        return save;
    }
    const std::string savePath = user + "Saves/Autosave.wsg";
};

// Runs the game (RunWendro) with a new game begun in the test map (exit code 3 when it cannot be) before check.
template <typename Check> void RunNewGame(Check check)
{
    RunWendro([&check](WendroGame& game) { return game.BeginNewGame(1) ? check(game) : 3; });
}

void Steps(WendroGame& game, int count)
{
    for (int i = 0; i < count; ++i)
        game.FixedUpdate(1.0f / 60.0f);
}

TEST_F(GameWorld, APlayerBelowTheRoomRespawnsAndTheDeathIsReported)
{
    EXPECT_EXIT(RunNewGame([](WendroGame& game) {
                    World& world = *game.GetWorld();
                    Player& player = *world.GetPlayer();
                    const float startX = player.GetX(), startY = player.GetY();
                    // Over the hole in the floor.
                    player.PlaceAt(11 * 8.0f, 21 * 8.0f);
                    Steps(game, 60);
                    if (world.GetStats().deaths != 1)
                        return 4;
                    Steps(game, 60);
                    if (!world.GetPlayer()->IsAlive() || std::fabs(world.GetPlayer()->GetX() - startX) > 0.5f ||
                        std::fabs(world.GetPlayer()->GetY() - startY) > 1.0f || world.GetStats().deaths != 1)
                        return 5;
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");
    // The session's block in the report: one room visited, one death.
    const std::string report = ReadBytes(user + "Logs/DebugLog_Safe.txt");
    const size_t block = report.find(": [PlayerStats]\r\n");
    ASSERT_NE(block, std::string::npos);
    EXPECT_NE(report.find(": RoomsVisited: 1\r\n", block), std::string::npos);
    EXPECT_NE(report.find(": Deaths: 1\r\n", block), std::string::npos);
    EXPECT_NE(report.find(": PlayTime: ", block), std::string::npos);
}

TEST_F(GameWorld, ATeleportTakesThePlayerToItsPartnerInAnotherRoom)
{
    EXPECT_EXIT(RunNewGame([](WendroGame& game) {
                    World& world = *game.GetWorld();
                    world.GetPlayer()->PlaceAt(30 * 8.0f + 1.0f, 22 * 8.0f);
                    Steps(game, 30);
                    if (!world.GetRoom() || !world.GetRoom()->id.Equals("Far"))
                        return 4;
                    // Standing on the partner does not send the player back.
                    return std::fabs(world.GetPlayer()->GetX() - (10 * 8.0f + 1.0f)) < 0.5f ? 0 : 5;
                }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(GameWorld, AMovingPlatformCarriesThePlayerStandingOnIt)
{
    EXPECT_EXIT(RunNewGame([](WendroGame& game) {
                    Player& player = *game.GetWorld()->GetPlayer();
                    const float startX = 3 * 8.0f + 1.0f;
                    player.PlaceAt(startX, 15 * 8.0f - Player::kHeight - 1.0f);
                    // A quarter of the lift's period: it has travelled half its way, three tiles.
                    Steps(game, 75);
                    if (std::fabs(player.GetY() - (15 * 8.0f - Player::kHeight)) > 1.0f)
                        return 4;  // fell off, or was never standing
                    return player.GetX() - startX > 16.0f ? 0 : 5;
                }),
                ::testing::ExitedWithCode(0), "");
}

// The campaign's templates and two more: a spawner and the slow drop it makes, which would take minutes to leave.
void WriteSpawnerTemplates(const std::string& user, const char* period)
{
    std::string templates = ReadBytes(std::string(ROLT_TEST_SOURCE_DIR) + "/content/Wendro/Entities.xml");
    templates += std::string("<Entity name=\"Flood\" class=\"HazardSpawner\" sprite=\"23\" spawns=\"Ooze\" period=\"") +
                 period + "\" />\n<Entity name=\"Ooze\" class=\"Hazard\" sprite=\"22\" speed=\"0.5\" />\n";
    WriteBytes(user + "Maps/Entities.xml", templates);
}

// Places spawners in the start room under its ceiling, away from the player: count of them, from entity number 5.
void WriteMapWithSpawners(const std::string& user, int count)
{
    std::string map = TestMap();
    std::string spawners;
    for (int i = 0; i < count; ++i) {
        char line[64];
        snprintf(line, sizeof(line), "Entity%02d: Flood %d %d\r\n", 5 + i, 4 + i % 34, 1 + i / 34);
        spawners += line;
    }
    map.insert(map.find("[Far]"), spawners);
    WriteBytes(user + "Maps/Tarnvow.map", map);
}

// Many fast spawners whose drops linger: the room fills up to its bound and no further.
TEST_F(GameWorld, SpawnersFillTheirRoomOnlyToItsBound)
{
    WriteSpawnerTemplates(user, "0.1");
    WriteMapWithSpawners(user, 90);
    EXPECT_EXIT(RunNewGame([](WendroGame& game) {
                    World& world = *game.GetWorld();
                    if (world.GetEntityCount() < 90)
                        return 4;  // the spawners were not placed
                    uint32_t most = 0;
                    for (int second = 0; second < 10; ++second) {
                        Steps(game, 60);
                        most = std::max(most, world.GetEntityCount());
                        if (most > World::kMaxEntities)
                            return 5;
                    }
                    return most == World::kMaxEntities ? 0 : 6;
                }),
                ::testing::ExitedWithCode(0), "");
}

// One spawner whose drops would stay in the room for minutes: each is gone after its life.
TEST_F(GameWorld, ASpawnedHazardThatNeverLeavesEndsAfterItsLife)
{
    WriteSpawnerTemplates(user, "1");
    WriteMapWithSpawners(user, 1);
    EXPECT_EXIT(RunNewGame([](WendroGame& game) {
                    World& world = *game.GetWorld();
                    const uint32_t placed = world.GetEntityCount();
                    Steps(game, 60 * 10);
                    if (world.GetEntityCount() < placed + 8)
                        return 4;  // the drops are not being made
                    const uint32_t lasting = static_cast<uint32_t>(Hazard::kSpawnedLife) + 1;
                    for (int second = 0; second < 40; ++second) {
                        Steps(game, 60);
                        if (world.GetEntityCount() > placed + lasting)
                            return 5;
                    }
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(GameWorld, ABlueSwitchOpensTheMagentaBlocks)
{
    EXPECT_EXIT(RunNewGame([](WendroGame& game) {
                    World& world = *game.GetWorld();
                    Player& player = *world.GetPlayer();
                    player.PlaceAt(21 * 8.0f, 22 * 8.0f);
                    Steps(game, 30);
                    if (std::fabs(player.GetY() - 22 * 8.0f) > 0.5f)
                        return 4;  // the magenta floor holds while solid
                    player.PlaceAt(17 * 8.0f + 1.0f, 22 * 8.0f);
                    Steps(game, 2);
                    if (world.IsMagentaSolid())
                        return 5;
                    player.PlaceAt(21 * 8.0f, 22 * 8.0f);
                    Steps(game, 20);
                    return player.GetY() > 23 * 8.0f || !player.IsAlive() ? 0 : 6;
                }),
                ::testing::ExitedWithCode(0), "");
}

// Touching an orb starts its cinematic: every tune stops, the key clicks are loaded while it types; skipped or run
// to its end, it releases them, the game is over and the title menu is asked for.
TEST_F(GameWorld, TheOrbsPlayTheirCinematicsAndReturnToTheTitle)
{
    for (int orb = 34; orb <= 36; orb += 2) {
        EXPECT_EXIT(RunNewGame([orb](WendroGame& game) {
                        game.GetWorld()->GetPlayer()->PlaceAt(orb * 8.0f + 1.0f, 22 * 8.0f);
                        Steps(game, 3);
                        RSubroutineMgr* subroutines = RSubroutineMgr::GetInstance();
                        RSubroutine* cinematic =
                            subroutines->Find(RHashedString(orb == 34 ? "Wendro_Ending" : "Wendro_Failure"));
                        if (!cinematic || !cinematic->CapturesInput())
                            return 4;
                        RAudioMgr* audio = RAudioMgr::GetInstance();
                        for (int i = 0; i < 4; ++i) {
                            if (!audio->FindSound(RHashedString(("click_" + std::to_string(i)).c_str())))
                                return 5;
                        }
                        subroutines->Update(RSubroutineMgr::kEngineTime, 0.5f);
                        if (orb == 36)
                            static_cast<RTimedSubroutine*>(cinematic)->Skip();
                        for (int i = 0; i < 40 && subroutines->GetCount(RSubroutineMgr::kEngineTime) > 0; ++i)
                            subroutines->Update(RSubroutineMgr::kEngineTime, 0.5f);
                        if (subroutines->GetCount(RSubroutineMgr::kEngineTime) != 0 || game.GetWorld())
                            return 6;
                        if (audio->FindSound(RHashedString("click_0")))
                            return 7;
                        return RMenuMgr::GetInstance()->HasPendingRequests() ? 0 : 8;
                    }),
                    ::testing::ExitedWithCode(0), "")
            << "orb at " << orb;
    }
}

TEST_F(GameWorld, ARefusedSaveStartsANewGame)
{
    struct Case {
        const char* name;
        std::string bytes;  // written as the save; empty: a record naming a room the map does not hold
    } cases[] = {
        {"a room the map no longer holds", ""},
        {"a damaged file", std::string(112, 'x')},
        {"another game's file", "PK\x03\x04 not a saved game"},
    };
    for (const Case& c : cases) {
        const std::string& path = savePath;
        fs::create_directories(user + "Saves");
        if (c.bytes.empty()) {
            SaveGame save;
            snprintf(save.campaign, sizeof(save.campaign), "Wendro.gam");
            snprintf(save.room, sizeof(save.room), "Vanished");
            ASSERT_TRUE(save.Write(path.c_str()));
        } else {
            std::ofstream(path, std::ios::binary) << c.bytes;
        }
        const std::string log = user + "Logs/DebugLog_Safe.txt";
        EXPECT_EXIT(RunWendro([&log](WendroGame& game) {
                        if (!game.CanContinueGame())
                            return 3;
                        game.ContinueGame();
                        World* world = game.GetWorld();
                        if (!world || !world->GetRoom() || !world->GetRoom()->id.Equals("Gate"))
                            return 4;
                        return ReadBytes(log).find("The saved game was refused") != std::string::npos ? 0 : 5;
                    }),
                    ::testing::ExitedWithCode(0), "The saved game was refused")
            << c.name;
    }
}

// A map in "Maps/" that the game refuses sends New Game back to the title, which says why. A name from the map is
// shown with its control bytes escaped: none is left to the font, where byte 127 would start an inline glyph.
TEST_F(GameWorld, ARefusedMapIsNamedOnTheTitleWithItsControlBytesEscaped)
{
    WriteBytes(user + "Maps/Tarnvow.map", "[Map]\r\nRooms: No\x1bwhere\x7f\r\n");
    EXPECT_EXIT(RunWendro([](WendroGame& game) {
                    if (game.BeginNewGame(1) || game.GetWorld())
                        return 3;
                    RMenuMgr::GetInstance()->ProcessQueue();
                    const RGameMenu* title = RMenuMgr::GetInstance()->GetTopMenu();
                    if (!title || title->GetEntryCount() == 0)
                        return 4;
                    const std::string notice = title->GetEntry(0)->GetText().GetString();
                    fprintf(stderr, "title notice: %s\n", notice.c_str());
                    if (notice.find("was refused") == std::string::npos)
                        return 5;
                    return StrayControlBytes(notice).empty() ? 0 : 6;
                }),
                ::testing::ExitedWithCode(0), "title notice: Campaign .* was refused: .*No\\\\x1bwhere\\\\x7f");
}

// The title names the refusal once: with the map mended and played, the next title has no notice.
TEST_F(GameWorld, ARefusalIsNamedOnTheNextTitleOnly)
{
    const std::string map = user + "Maps/Tarnvow.map";
    WriteBytes(map, "[Map]\r\nRooms: Nowhere\r\n");
    EXPECT_EXIT(RunWendro([&map](WendroGame& game) {
                    // Whether a title is up with a line that holds "was refused".
                    const auto refusalOnTitle = [] {
                        RMenuMgr::GetInstance()->ProcessQueue();
                        const RGameMenu* title = RMenuMgr::GetInstance()->GetTopMenu();
                        bool named = false;
                        for (uint32_t i = 0; title && i < title->GetEntryCount(); ++i)
                            named = named || std::string(title->GetEntry(i)->GetText().GetString()).find(
                                                 "was refused") != std::string::npos;
                        return named;
                    };
                    if (game.BeginNewGame(1) || !refusalOnTitle())
                        return 3;
                    WriteBytes(map, TestMap());
                    if (!game.BeginNewGame(1))
                        return 4;
                    Steps(game, 3);
                    game.ReturnToTitle();
                    if (refusalOnTitle() || !RMenuMgr::GetInstance()->GetTopMenu())
                        return 5;
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");
}

// Touches the checkpoint of TestMapWithCheckpoint.
void TouchCheckpoint(WendroGame& game)
{
    game.GetWorld()->GetPlayer()->PlaceAt(5 * 8.0f + 1.0f, 22 * 8.0f);
    Steps(game, 3);
}

TEST_F(GameWorld, ARefusedSaveIsKeptBesideTheSaveThatReplacesIt)
{
    WriteBytes(user + "Maps/Tarnvow.map", TestMapWithCheckpoint());
    fs::create_directories(user + "Saves");
    // One refused save kept earlier already has the first name: it is never written over.
    const std::string earlier = "an earlier refused save";
    WriteBytes(user + "Saves/Autosave.refused.wsg", earlier);
    // A save naming a room the map no longer holds, continued (and refused); one of a newer version, never
    // continued: a new game's checkpoint replaces the save either way.
    for (bool continued : {true, false}) {
        SCOPED_TRACE(continued ? "continued" : "a new game");
        SaveGame refused = GateSave();
        if (continued)
            snprintf(refused.room, sizeof(refused.room), "Vanished");
        ASSERT_TRUE(refused.Write(savePath.c_str()));
        if (!continued) {
            std::string newer = ReadBytes(savePath);
            newer[4] = static_cast<char>(SaveGame::kVersion + 1);
            WriteBytes(savePath, newer);
        }
        const std::string refusedBytes = ReadBytes(savePath);
        const std::string keptName = continued ? "Autosave.refused.2.wsg" : "Autosave.refused.3.wsg";
        EXPECT_EXIT(RunWendro([continued, keptName](WendroGame& game) {
                        if (continued)
                            game.ContinueGame();
                        else if (!game.BeginNewGame(1))
                            return 3;
                        World* world = game.GetWorld();
                        if (!world || !world->GetRoom()->id.Equals("Gate"))
                            return 4;
                        TouchCheckpoint(game);
                        if (!world->IsCheckpoint(5 * 8.0f, 22 * 8.0f))
                            return 5;
                        const std::string shown = world->GetShownMessage().GetString();
                        if (shown != "REFUSED SAVE KEPT AS " + keptName)
                            return 6;
                        // The save in place is now the game's own: a second checkpoint keeps nothing more.
                        world->SetCheckpoint(7 * 8.0f, 22 * 8.0f);
                        return 0;
                    }),
                    ::testing::ExitedWithCode(0), "The refused save .* is kept as .*" + keptName);
        EXPECT_EQ(ReadBytes(user + "Saves/" + keptName), refusedBytes);
        EXPECT_EQ(ReadBytes(user + "Saves/Autosave.refused.wsg"), earlier);
        EXPECT_FALSE(fs::exists(user + "Saves/Autosave.refused.4.wsg"));
        SaveGame saved;
        char error[256];
        ASSERT_TRUE(saved.Read(savePath.c_str(), error, sizeof(error))) << error;
        EXPECT_STREQ(saved.room, "Gate");
        EXPECT_EQ(saved.x, 7 * 8 + 1);
    }
}

// A saved game whose campaign name is a terminal's commands (retitle the window, clear the screen) is refused, and
// the refusal names it with those bytes escaped, on standard error and in the log: neither holds a control byte.
// So does the line that keeps the refused save at the next checkpoint.
TEST_F(GameWorld, ANameFromASavedGameReachesStandardErrorAndTheLogsEscaped)
{
    WriteBytes(user + "Maps/Tarnvow.map", TestMapWithCheckpoint());
    fs::create_directories(user + "Saves");
    SaveGame save = GateSave();
    snprintf(save.campaign, sizeof(save.campaign), "\x1b]0;pwned\x07\x1b[2J");
    ASSERT_TRUE(save.Write(savePath.c_str()));
    const std::string errors = data.root + "/stderr.txt";
    EXPECT_EXIT(
        {
            const int file = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (file < 0 || dup2(file, 2) < 0)
                exit(3);
            close(file);
            RunWendro([](WendroGame& game) {
                game.ContinueGame();
                if (!game.GetWorld())
                    return 4;
                TouchCheckpoint(game);
                return 0;
            });
        },
        ::testing::ExitedWithCode(0), "");
    const std::string refused = "The saved game belongs to campaign \\x1b]0;pwned\\x07\\x1b[2J";
    const std::string log = user + "Logs/DebugLog_Safe.txt";
    EXPECT_NE(ReadBytes(errors).find("The saved game was refused: " + refused), std::string::npos) << ReadBytes(errors);
    EXPECT_NE(ReadBytes(log).find("The saved game was refused: " + refused), std::string::npos) << ReadBytes(log);
    EXPECT_NE(ReadBytes(log).find("The refused save (" + refused + ") is kept as"), std::string::npos);
    for (const std::string& path : {errors, log, user + "Logs/DebugLog_Fast.txt"})
        EXPECT_EQ(StrayControlBytes(ReadBytes(path)), "") << path;
}

TEST_F(GameWorld, ASaveHoldingMoreThanTheCampaignCanIsRefused)
{
    WriteBytes(user + "Maps/Tarnvow.map", TestMapWithCheckpoint());
    fs::create_directories(user + "Saves");
    struct Case {
        const char* name;
        uint32_t treasures;
        uint32_t powers;
        const char* entered;  // a room entered besides "Gate"
    } cases[] = {
        {"every treasure bit", 0xFFFFFFFFu, 0, "Far"},
        {"a treasure the map does not place", 2, 0, "Far"},
        {"a power no power-up of the map gives", 0, 1, "Far"},
        {"a room entered that the map does not hold", 0, 0, "Vanished"},
    };
    for (const Case& c : cases) {
        SaveGame save = GateSave();
        save.treasures = c.treasures;
        save.powers = c.powers;
        save.enteredRoomCount = 2;
        snprintf(save.enteredRooms[0], sizeof(save.enteredRooms[0]), "Gate");
        snprintf(save.enteredRooms[1], sizeof(save.enteredRooms[1]), "%s", c.entered);
        ASSERT_TRUE(save.Write(savePath.c_str()));
        EXPECT_EXIT(RunWendro([](WendroGame& game) {
                        game.ContinueGame();
                        World* world = game.GetWorld();
                        return world && !world->HasPower(EntityTemplates::kDoubleJump) &&
                                       world->GetStats().treasures == 0
                                   ? 0
                                   : 4;
                    }),
                    ::testing::ExitedWithCode(0), "The saved game was refused")
            << c.name;
    }
    // What the campaign holds is continued; counts at their limit stay there.
    SaveGame save = GateSave();
    save.treasures = 1;
    save.roomsVisited = SaveGame::kMaxCount;
    save.deaths = SaveGame::kMaxCount;
    ASSERT_TRUE(save.Write(savePath.c_str()));
    EXPECT_EXIT(RunWendro([](WendroGame& game) {
                    game.ContinueGame();
                    World* world = game.GetWorld();
                    if (!world || world->GetStats().treasures != 1 || world->GetShownMessage().GetLength() != 0)
                        return 4;
                    // Into "Far" through the teleport: one more room, one more death.
                    world->GetPlayer()->PlaceAt(30 * 8.0f + 1.0f, 22 * 8.0f);
                    Steps(game, 30);
                    world->OnPlayerDied();
                    return world->GetRoom()->id.Equals("Far") &&
                                   world->GetStats().roomsVisited == SaveGame::kMaxCount &&
                                   world->GetStats().deaths == SaveGame::kMaxCount
                               ? 0
                               : 5;
                }),
                ::testing::ExitedWithCode(0), "");
}

// Continuing does not count the room the game resumes in again, however often; the session's report holds what
// the session added (one death, a few seconds), the save the game's totals.
TEST_F(GameWorld, AContinueIsNoNewVisitAndTheReportHoldsTheSessionsFigures)
{
    WriteBytes(user + "Maps/Tarnvow.map", TestMapWithCheckpoint());
    fs::create_directories(user + "Saves");
    SaveGame save = GateSave();
    save.roomsVisited = 5;
    save.deaths = 7;
    save.playSeconds = 200.0f;
    ASSERT_TRUE(save.Write(savePath.c_str()));
    EXPECT_EXIT(RunWendro([](WendroGame& game) {
                    for (int i = 0; i < 40; ++i) {
                        game.ContinueGame();
                        if (!game.GetWorld() || game.GetWorld()->GetStats().roomsVisited != 5)
                            return 4;
                        TouchCheckpoint(game);  // saves the game where it stands
                    }
                    game.GetWorld()->OnPlayerDied();
                    return 0;
                }),
                ::testing::ExitedWithCode(0), "");
    SaveGame saved;
    char error[256];
    ASSERT_TRUE(saved.Read(savePath.c_str(), error, sizeof(error))) << error;
    EXPECT_EQ(saved.roomsVisited, 5u);
    EXPECT_EQ(saved.deaths, 7u);
    const std::string report = ReadBytes(user + "Logs/DebugLog_Safe.txt");
    const size_t block = report.find(": [PlayerStats]\r\n");
    ASSERT_NE(block, std::string::npos);
    EXPECT_NE(report.find(": RoomsVisited: 0\r\n", block), std::string::npos) << report.substr(block);
    EXPECT_NE(report.find(": Deaths: 1\r\n", block), std::string::npos) << report.substr(block);
    const size_t time = report.find(": PlayTime: ", block);
    ASSERT_NE(time, std::string::npos);
    EXPECT_LT(std::atof(report.c_str() + time + 12), 10.0) << report.substr(block);
}

// A room counts once in the whole game: a new game walks right into "Far" and saves there (two rooms); continued,
// the walk back left into "Gate", entered in the earlier session, is no new visit, and the save's total stays two.
TEST_F(GameWorld, ARoomEnteredInAnEarlierSessionIsNoNewVisit)
{
    WriteBytes(user + "Maps/Tarnvow.map", TestMapWithRoomsSideBySide());
    const std::string log = user + "Logs/DebugLog_Safe.txt";
    EXPECT_EXIT(RunNewGame([](WendroGame& game) {
                    World& world = *game.GetWorld();
                    world.GetPlayer()->PlaceAt(40 * 8.0f - Player::kWidth * 0.5f + 0.5f, 22 * 8.0f);
                    Steps(game, 3);
                    if (!world.GetRoom()->id.Equals("Far"))
                        return 4;
                    world.GetPlayer()->PlaceAt(3 * 8.0f + 1.0f, 22 * 8.0f);
                    Steps(game, 3);
                    return world.IsCheckpoint(3 * 8.0f, 22 * 8.0f) ? 0 : 5;
                }),
                ::testing::ExitedWithCode(0), "");
    EXPECT_NE(LastSessionBlock(log).find(": RoomsVisited: 2\r\n"), std::string::npos) << LastSessionBlock(log);
    EXPECT_EXIT(RunWendro([](WendroGame& game) {
                    game.ContinueGame();
                    World* world = game.GetWorld();
                    if (!world || !world->GetRoom()->id.Equals("Far"))
                        return 4;
                    world->GetPlayer()->PlaceAt(-Player::kWidth * 0.5f - 0.5f, 22 * 8.0f);
                    Steps(game, 3);
                    if (!world->GetRoom()->id.Equals("Gate"))
                        return 5;
                    TouchCheckpoint(game);
                    return world->IsCheckpoint(5 * 8.0f, 22 * 8.0f) ? 0 : 6;
                }),
                ::testing::ExitedWithCode(0), "");
    EXPECT_NE(LastSessionBlock(log).find(": RoomsVisited: 0\r\n"), std::string::npos) << LastSessionBlock(log);
    SaveGame saved;
    char error[256];
    ASSERT_TRUE(saved.Read(savePath.c_str(), error, sizeof(error))) << error;
    EXPECT_STREQ(saved.room, "Gate");
    EXPECT_EQ(saved.roomsVisited, 2u);
}

// Every room entered is in the save, the map's last room (the last of its "Rooms:" list) too: a new game walks
// right from "Gate" into "Far" and back, and saves in "Gate"; continued, the walk into "Far" is no new visit.
TEST_F(GameWorld, EveryRoomEnteredTheMapsLastIncludedIsSavedAndCountsNoMoreAfterAContinue)
{
    WriteBytes(user + "Maps/Tarnvow.map", TestMapWithRoomsSideBySide());
    const std::string log = user + "Logs/DebugLog_Safe.txt";
    const auto walkRightIntoFar = [](WendroGame& game) {
        game.GetWorld()->GetPlayer()->PlaceAt(40 * 8.0f - Player::kWidth * 0.5f + 0.5f, 22 * 8.0f);
        Steps(game, 3);
        return game.GetWorld()->GetRoom()->id.Equals("Far");
    };
    EXPECT_EXIT(RunNewGame([&walkRightIntoFar](WendroGame& game) {
                    World& world = *game.GetWorld();
                    if (!walkRightIntoFar(game))
                        return 4;
                    world.GetPlayer()->PlaceAt(-Player::kWidth * 0.5f - 0.5f, 22 * 8.0f);
                    Steps(game, 3);
                    if (!world.GetRoom()->id.Equals("Gate"))
                        return 5;
                    TouchCheckpoint(game);
                    return world.IsCheckpoint(5 * 8.0f, 22 * 8.0f) ? 0 : 6;
                }),
                ::testing::ExitedWithCode(0), "");
    SaveGame saved;
    char error[256];
    ASSERT_TRUE(saved.Read(savePath.c_str(), error, sizeof(error))) << error;
    EXPECT_STREQ(saved.room, "Gate");
    EXPECT_EQ(saved.roomsVisited, 2u);
    ASSERT_EQ(saved.enteredRoomCount, 2u);
    EXPECT_STREQ(saved.enteredRooms[0], "Gate");
    EXPECT_STREQ(saved.enteredRooms[1], "Far");
    EXPECT_EXIT(RunWendro([&walkRightIntoFar](WendroGame& game) {
                    game.ContinueGame();
                    World* world = game.GetWorld();
                    if (!world || !world->GetRoom()->id.Equals("Gate"))
                        return 4;
                    if (!walkRightIntoFar(game))
                        return 5;
                    return world->GetStats().roomsVisited == 2 ? 0 : 6;
                }),
                ::testing::ExitedWithCode(0), "");
    EXPECT_NE(LastSessionBlock(log).find(": RoomsVisited: 0\r\n"), std::string::npos) << LastSessionBlock(log);
}

TEST_F(GameWorld, ACheckpointThatCannotSaveSaysSoOnTheStatusLine)
{
    WriteBytes(user + "Maps/Tarnvow.map", TestMapWithCheckpoint());
    // A folder that is not empty where the save goes: no file can be put in its place.
    fs::create_directories(savePath + "/inside");
    const std::string log = user + "Logs/DebugLog_Safe.txt";
    EXPECT_EXIT(RunNewGame([&log](WendroGame& game) {
                    TouchCheckpoint(game);
                    if (!game.GetWorld()->GetShownMessage().Equals("THE GAME COULD NOT BE SAVED"))
                        return 4;
                    // In the log file at once, not at shut-down: a kill from here on leaves it there.
                    return ReadBytes(log).find("The game could not be saved to") != std::string::npos ? 0 : 5;
                }),
                ::testing::ExitedWithCode(0), "The game could not be saved to .*Autosave.wsg");
}

}  // namespace
