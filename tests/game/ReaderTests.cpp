// The game's content readers and its saved game meet malformed and hostile input with a clean refusal: each case
// of each table is refused (or, where the reader leaves out one bad entry, warned about) and never crashes,
// overruns or allocates without bound. Each table starts from a valid text that loads. A saved game that cannot be
// opened is named with its reason, and a refused one is kept under a name of its own.
#include "../core/TempUserData.h"
#include "tests/TestFiles.h"
#include "core/files/RStreamMgr.h"
#include "game/Campaign.h"
#include "game/ContentFile.h"
#include "game/EntityTemplates.h"
#include "game/SaveGame.h"
#include "game/TileSets.h"
#include "game/WorldMap.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Case {
    const char* name;
    std::string text;
};

bool LoadCampaign(const std::string& text)
{
    Campaign campaign;
    char error[256];
    return campaign.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error));
}

const std::string kCampaign =
    "[Campaign]\nTitle: T\nMap: a.map\nRooms: r.xml\nTilesets: t.xml\nEntities: e.xml\nStartRoom: A\n"
    "[Tunes]\nJump: 6, T120 O5 L16 A\n";

TEST(CampaignReader, RefusesMissingKeysAndMalformedTunes)
{
    ASSERT_TRUE(LoadCampaign(kCampaign));
    std::string manyTunes = kCampaign;
    for (int i = 0; i < 40; ++i)
        manyTunes += "T" + std::to_string(i) + ": 1, C\n";
    const std::vector<Case> cases = {
        {"no map", "[Campaign]\nTitle: T\nRooms: r\nTilesets: t\nEntities: e\nStartRoom: A\n"},
        {"empty start room", "[Campaign]\nTitle: T\nMap: m\nRooms: r\nTilesets: t\nEntities: e\nStartRoom:   \n"},
        {"tune without priority", kCampaign + "Bad: C D E\n"},
        {"tune with a word for priority", kCampaign + "Bad: loud, C\n"},
        {"tune with a huge priority", kCampaign + "Bad: 99999999999, C\n"},
        {"more tunes than a campaign holds", manyTunes},
        {"truncated", kCampaign.substr(0, 40)},
        {"binary", std::string("\0\xff\x01[\n\x80:", 8)},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(LoadCampaign(c.text)) << c.name;
}

std::string Tileset(const char* name, const char* palette, const std::string& tiles)
{
    return std::string("<Tileset name=\"") + name + "\"><Palette>" + palette + "</Palette>" + tiles + "</Tileset>";
}

const std::string kBlank = "00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000";
const std::string kTile = "<Tile index=\"1\">01010101 10101010 01010101 10101010 01010101 10101010 01010101 10101010</Tile>";

bool LoadTiles(const std::string& text)
{
    TileSets sets;
    char error[256];
    return sets.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error));
}

TEST(TileSetReader, RefusesMissingSetsBadPalettesAndBadTiles)
{
    const std::string cga = Tileset("CGA", "000000 55FFFF", kTile);
    ASSERT_TRUE(LoadTiles(cga + Tileset("EGA", "000000 FFFFFF", kTile)));
    std::string seventeen;
    for (int i = 0; i < 17; ++i)
        seventeen += "000000 ";
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    const std::vector<Case> cases = {
        {"no EGA set", cga},
        {"a set given twice", cga + cga + Tileset("EGA", "000000", "")},
        {"seventeen colours", cga + Tileset("EGA", seventeen.c_str(), "")},
        {"no colours", cga + Tileset("EGA", "", "")},
        {"a colour of five digits", cga + Tileset("EGA", "00000 FFFFFF", "")},
        {"a colour that is no number", cga + Tileset("EGA", "00000G", "")},
        {"tile index 256", cga + Tileset("EGA", "000000 FFFFFF", "<Tile index=\"256\">" + kBlank + "</Tile>")},
        {"negative tile index", cga + Tileset("EGA", "000000 FFFFFF", "<Tile index=\"-1\">" + kBlank + "</Tile>")},
        {"tile without index", cga + Tileset("EGA", "000000 FFFFFF", "<Tile>" + kBlank + "</Tile>")},
        {"seven rows", cga + Tileset("EGA", "000000 FFFFFF",
                                     "<Tile index=\"2\">00000000 00000000 00000000 00000000 00000000 00000000 00000000</Tile>")},
        {"a row of nine", cga + Tileset("EGA", "000000 FFFFFF",
                                        "<Tile index=\"2\">000000000 00000000 00000000 00000000 00000000 00000000 "
                                        "00000000 00000000</Tile>")},
        {"a colour beyond the palette", cga + Tileset("EGA", "000000 FFFFFF",
                                                      "<Tile index=\"2\">00000002 00000000 00000000 00000000 00000000 "
                                                      "00000000 00000000 00000000</Tile>")},
        {"truncated", (cga + Tileset("EGA", "000000 FFFFFF", kTile)).substr(0, 150)},
        {"deeply nested", deep + cga},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(LoadTiles(c.text)) << c.name;
}

TEST(EntityTemplateReader, LeavesOutUnknownClassesAndValuesOutOfRange)
{
    const std::string good = "<Entity name=\"Gem\" class=\"Treasure\" sprite=\"26\" />";
    const std::vector<Case> leftOut = {
        {"unknown class", "<Entity name=\"X\" class=\"Dragon\" sprite=\"1\" />"},
        {"no name", "<Entity class=\"Hazard\" />"},
        {"a name given twice", "<Entity name=\"Gem\" class=\"Hazard\" />"},
        {"sprite beyond the sheet", "<Entity name=\"X\" class=\"Hazard\" sprite=\"256\" />"},
        {"no frames", "<Entity name=\"X\" class=\"Effect\" frames=\"0\" />"},
        {"a period that is no number", "<Entity name=\"X\" class=\"Effect\" period=\"nan\" />"},
        {"an endless period", "<Entity name=\"X\" class=\"Effect\" period=\"inf\" />"},
        {"a huge width", "<Entity name=\"X\" class=\"Platform\" width=\"1e9\" />"},
        {"a fractional sprite", "<Entity name=\"X\" class=\"Hazard\" sprite=\"2.5\" />"},
        {"a power-up without a power", "<Entity name=\"X\" class=\"Powerup\" power=\"Flight\" />"},
        {"a spawner that spawns nothing", "<Entity name=\"X\" class=\"HazardSpawner\" />"},
    };
    for (const Case& c : leftOut) {
        EntityTemplates templates;
        char error[256];
        const std::string text = good + c.text;
        ASSERT_TRUE(templates.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error)))
            << c.name;
        EXPECT_EQ(templates.GetCount(), 1u) << c.name;
        EXPECT_EQ(templates.GetWarnings().getCount(), 1u) << c.name;
        EXPECT_NE(templates.Find("gem"), nullptr) << c.name;
    }
    // A spawner must make something that falls out of its room, whatever the order of the two templates.
    const std::vector<Case> spawners = {
        {"a spawner of a hazard that stays", "<Entity name=\"S\" class=\"HazardSpawner\" spawns=\"Still\" />"
                                             "<Entity name=\"Still\" class=\"Hazard\" speed=\"0\" />"},
        {"a spawner of a template that is not there", "<Entity name=\"S\" class=\"HazardSpawner\" spawns=\"None\" />"},
        {"a spawner of a treasure", "<Entity name=\"S\" class=\"HazardSpawner\" spawns=\"Gem\" />"},
    };
    for (const Case& c : spawners) {
        EntityTemplates templates;
        char error[256];
        const std::string text = good + c.text;
        ASSERT_TRUE(templates.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error)))
            << c.name;
        EXPECT_EQ(templates.Find("S"), nullptr) << c.name;
        EXPECT_EQ(templates.GetWarnings().getCount(), 1u) << c.name;
        EXPECT_NE(templates.Find("gem"), nullptr) << c.name;
    }
    {
        EntityTemplates templates;
        char error[256];
        const std::string text = "<Entity name=\"S\" class=\"HazardSpawner\" spawns=\"Drop\" />"
                                 "<Entity name=\"Drop\" class=\"Hazard\" speed=\"80\" />";
        ASSERT_TRUE(templates.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error)));
        EXPECT_EQ(templates.GetCount(), 2u);
        EXPECT_EQ(templates.GetWarnings().getCount(), 0u);
    }
    // More templates than a campaign may hold is refused whole.
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "<Entity name=\"E" + std::to_string(i) + "\" class=\"Hazard\" />";
    EntityTemplates templates;
    char error[256];
    EXPECT_FALSE(templates.LoadFromText(many.data(), static_cast<uint32_t>(many.size()), error, sizeof(error)));
    EXPECT_EQ(templates.GetCount(), 0u);
}

// Each range holds its stated bounds themselves, as the floats the game keeps, and nothing beyond them.
TEST(EntityTemplateReader, TakesTheBoundsOfEachRange)
{
    const struct {
        const char* attributes;
        bool taken;
    } cases[] = {
        {"period=\"0.05\"", true},     {"period=\"60\"", true},      {"period=\"0.049\"", false},
        {"period=\"60.001\"", false},  {"speed=\"0\"", true},        {"speed=\"1000\"", true},
        {"speed=\"-0.001\"", false},   {"travelX=\"-40\"", true},    {"travelY=\"24\"", true},
        {"travelY=\"24.01\"", false},  {"period=\"1e300\"", false},  {"period=\"-1e300\"", false},
    };
    for (const auto& c : cases) {
        EntityTemplates templates;
        char error[256];
        const std::string text = std::string("<Entity name=\"X\" class=\"Platform\" ") + c.attributes + " />";
        ASSERT_TRUE(templates.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error)));
        EXPECT_EQ(c.taken, templates.GetCount() == 1u) << c.attributes;
    }
    EntityTemplates templates;
    char error[256];
    const std::string text = "<Entity name=\"X\" class=\"Effect\" period=\"0.05\" />";
    ASSERT_TRUE(templates.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error)));
    ASSERT_EQ(templates.GetCount(), 1u);
    EXPECT_EQ(templates.Get(0)->period, 0.05f);
}

// A room section: walls around, floor under the start at (2, 22).
std::string Room(const char* id, int x, int y, const std::string& extra = "", const char* start = "2 22")
{
    std::string text = std::string("[") + id + "]\nX: " + std::to_string(x) + "\nY: " + std::to_string(y) +
                       "\nStart: " + start + "\n";
    for (int row = 0; row < WorldMap::kHeight; ++row) {
        char key[16];
        snprintf(key, sizeof(key), "Row%02d: ", row);
        const bool edge = row == 0 || row == WorldMap::kHeight - 1;
        text += key + (edge ? std::string(40, '#') : "#" + std::string(38, '.') + "#") + "\n";
    }
    return text + extra;
}

class MapReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string text = "<Entity name=\"Gem\" class=\"Treasure\" /><Entity name=\"Port\" class=\"Teleport\" />";
        char error[256];
        ASSERT_TRUE(templates.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), error, sizeof(error)));
    }
    bool Load(const std::string& text, WorldMap& map)
    {
        char error[256] = "";
        const std::string titles = "<Room id=\"A\" title=\"FIRST\" />";
        const bool loaded = map.LoadFromText(text.data(), static_cast<uint32_t>(text.size()), titles.data(),
                                             static_cast<uint32_t>(titles.size()), templates, error, sizeof(error));
        lastError = error;
        return loaded;
    }
    EntityTemplates templates;
    std::string lastError;
};

TEST_F(MapReader, RefusesMissingRoomsUnfitRoomsAndStartsWithoutFloor)
{
    WorldMap map;
    ASSERT_TRUE(Load("[Map]\nRooms: A B\n" + Room("A", 0, 0) + Room("B", 1, 0), map)) << lastError;
    EXPECT_STREQ(map.GetRoom(0)->title.GetString(), "FIRST");
    EXPECT_EQ(map.FindRoomAt(1, 0), 1);

    std::string wideRow = Room("A", 0, 0);
    wideRow.replace(wideRow.find("Row05: ") + 7, 1, "##");
    std::string badLetter = Room("A", 0, 0);
    badLetter.replace(badLetter.find("Row05: ") + 8, 1, "Z");
    std::string manyRooms = "[Map]\nRooms:";
    for (int i = 0; i < 70; ++i)
        manyRooms += " R" + std::to_string(i);
    const std::vector<Case> cases = {
        {"a listed room that is missing", "[Map]\nRooms: A Gone\n" + Room("A", 0, 0)},
        {"no rooms", "[Map]\nRooms:\n" + Room("A", 0, 0)},
        {"more rooms than a map holds", manyRooms + "\n" + Room("R0", 0, 0)},
        {"a room listed twice", "[Map]\nRooms: A A\n" + Room("A", 0, 0)},
        {"two rooms on one cell", "[Map]\nRooms: A B\n" + Room("A", 0, 0) + Room("B", 0, 0)},
        {"a grid place beyond the limit", "[Map]\nRooms: A\n" + Room("A", 5000, 0)},
        {"a start in the air", "[Map]\nRooms: A\n" + Room("A", 0, 0, "", "2 10")},
        {"a start inside a wall", "[Map]\nRooms: A\n" + Room("A", 0, 0, "", "0 10")},
        {"a start outside the room", "[Map]\nRooms: A\n" + Room("A", 0, 0, "", "2 99999")},
        {"a start that is no number", "[Map]\nRooms: A\n" + Room("A", 0, 0, "", "two 22")},
        {"a row too wide", "[Map]\nRooms: A\n" + wideRow},
        {"an unknown tile letter", "[Map]\nRooms: A\n" + badLetter},
        {"a missing row", "[Map]\nRooms: A\n" + Room("A", 0, 0).replace(Room("A", 0, 0).find("Row07"), 3, "Xow")},
        {"an id too long", "[Map]\nRooms: " + std::string(40, 'A') + "\n"},
    };
    for (const Case& c : cases) {
        WorldMap refused;
        EXPECT_FALSE(Load(c.text, refused)) << c.name;
        EXPECT_EQ(refused.GetRoomCount(), 0u) << c.name;
        EXPECT_FALSE(lastError.empty()) << c.name;
    }
}

TEST_F(MapReader, LeavesOutUnpairedTeleportsAndBadEntities)
{
    const std::vector<Case> cases = {
        {"an unknown template", "Entity01: Dragon 3 3\n"},
        {"an entity outside the room", "Entity01: Gem 40 3 1\n"},
        {"a treasure without a number", "Entity01: Gem 3 3\n"},
        {"a treasure numbered 33", "Entity01: Gem 3 3 33\n"},
        {"a teleport without a pair", "Entity01: Port 3 3 A\n"},
        {"a teleport with a long pair name", "Entity01: Port 3 3 ABCDEFGHIJ\nEntity02: Port 4 3 ABCDEFGHIJ\n"},
        {"an entity with too many words", "Entity01: Gem 3 3 1 2\n"},
    };
    for (const Case& c : cases) {
        WorldMap map;
        ASSERT_TRUE(Load("[Map]\nRooms: A\n" + Room("A", 0, 0, c.text), map)) << c.name << lastError;
        EXPECT_EQ(map.GetRoom(0)->placements.getCount(), 0u) << c.name;
        EXPECT_GE(map.GetWarnings().getCount(), 1u) << c.name;
    }
    // Three teleports of one pair name: none has a single partner.
    WorldMap map;
    ASSERT_TRUE(Load("[Map]\nRooms: A B\n" + Room("A", 0, 0, "Entity01: Port 3 3 P\nEntity02: Port 5 3 P\n") +
                         Room("B", 1, 0, "Entity01: Port 3 3 P\nEntity02: Port 9 9 Q\nEntity03: Port 9 8 Q\n"),
                     map));
    EXPECT_EQ(map.GetRoom(0)->placements.getCount(), 0u);
    EXPECT_EQ(map.GetRoom(1)->placements.getCount(), 2u);
}

class SavedGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        save.x = 40;
        save.y = 176;
        save.powers = 3;
        save.treasures = 5;
        save.deaths = 2;
        save.roomsVisited = 2;
        save.playSeconds = 12.5f;
        snprintf(save.campaign, sizeof(save.campaign), "Wendro.gam");
        snprintf(save.room, sizeof(save.room), "Hall");
        save.enteredRoomCount = 2;
        snprintf(save.enteredRooms[0], sizeof(save.enteredRooms[0]), "Gate");
        snprintf(save.enteredRooms[1], sizeof(save.enteredRooms[1]), "Hall");
        ASSERT_TRUE(save.Write(path.c_str()));
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The bytes with the checksum made to fit the payload again, as a hostile writer would.
    static std::vector<uint8_t> Resealed(std::vector<uint8_t> b)
    {
        uint32_t hash = 2166136261u;
        for (size_t i = 12; i + 4 < b.size(); ++i) {
            hash ^= b[i];
            hash *= 16777619u;
        }
        for (int i = 0; i < 4; ++i)
            b[b.size() - 4 + i] = static_cast<uint8_t>(hash >> (8 * i));
        return b;
    }
    static void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    // The saved record followed by a sealed list of count rooms entered, "Room0" on, whatever count is.
    std::vector<uint8_t> Listing(uint32_t count) const
    {
        std::vector<uint8_t> b(bytes.begin(), bytes.begin() + 12 + 100);
        b.resize(12 + 100 + 4 + count * 32 + 4, 0);
        PutU32(b, 8, 100 + 4 + count * 32);
        PutU32(b, 112, count);
        for (uint32_t i = 0; i < count; ++i)
            snprintf(reinterpret_cast<char*>(b.data()) + 116 + 32 * i, 32, "Room%u", i);
        return Resealed(b);
    }
    void WriteFile(const std::vector<uint8_t>& b) const
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                    static_cast<std::streamsize>(b.size()));
    }
    // Reads b; the reason of a refusal in error.
    bool Read(const std::vector<uint8_t>& b)
    {
        SaveGame read;
        return read.ReadFromMemory(b.data(), b.size(), error, sizeof(error));
    }

    TempFolder folder;
    std::string path = folder / "Autosave.wsg";
    SaveGame save;
    std::vector<uint8_t> bytes;
    char error[256] = "";
};

TEST_F(SavedGame, RoundTripsAndRefusesDamagedForeignOrImpossibleFiles)
{
    SaveGame read;
    ASSERT_TRUE(read.Read(path.c_str(), error, sizeof(error))) << error;
    EXPECT_STREQ(read.room, "Hall");
    EXPECT_EQ(read.x, 40);
    EXPECT_EQ(read.powers, 3u);
    EXPECT_EQ(read.treasures, 5u);
    EXPECT_FLOAT_EQ(read.playSeconds, 12.5f);
    ASSERT_EQ(read.enteredRoomCount, 2u);
    EXPECT_STREQ(read.enteredRooms[0], "Gate");
    EXPECT_STREQ(read.enteredRooms[1], "Hall");

    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(Read(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size))) << "truncated to " << size;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(Read(longer));
    for (size_t at = 0; at < bytes.size(); ++at) {
        std::vector<uint8_t> flipped = bytes;
        flipped[at] ^= 0x10;
        EXPECT_FALSE(Read(flipped)) << "byte " << at << " changed";
    }
    // Resealed files whose values no game has: the checksum fits, the record does not. Each is refused for what
    // it is.
    const size_t payload = 12;
    struct Poke {
        const char* name;
        size_t at;
        uint32_t value;
        const char* reason;
    } pokes[] = {
        {"a version from the future", 4, SaveGame::kVersion + 1, "is of another version (3)"},
        {"a payload size from another version", 8, 4000000000u, "gives a size no saved game of its version has"},
        {"an empty room id", payload + 32, 0, "holds no room"},
        {"a position far outside the room", payload + 64, 1000000, "holds a position far outside a room"},
        {"unknown powers", payload + 72, 8, "holds unknown powers"},
        {"a switch state that is no state", payload + 76, 2, "holds a switch state that is no state"},
        {"a play time that is no number", payload + 92, 0x7FC00000u, "holds a play time no game can have"},
        {"a negative play time", payload + 92, 0xBF800000u, "holds a play time no game can have"},
        {"a difficulty beyond hard", payload + 96, 3, "holds an unknown difficulty"},
        {"a death count beyond the limit", payload + 84, SaveGame::kMaxCount + 1, "holds more deaths"},
        {"a rooms-visited count that would wrap at the next room", payload + 88, 0xFFFFFFFFu, "more rooms visited"},
        {"an endless play time", payload + 92, 0x7F800000u, "holds a play time no game can have"},
        {"a play time beyond the limit", payload + 92, 0x4D3EBC20u, "holds a play time"},  // 2e8 seconds
        {"more rooms entered than the list holds", payload + 100, 3, "count of rooms entered does not fit"},
        {"a count of rooms entered that wraps to the bytes of the list", payload + 100, 0x08000002u,
         "count of rooms entered does not fit"},
        {"a payload too short for the count of rooms entered", 8, 100, "gives a size no saved game"},
    };
    for (const Poke& poke : pokes) {
        std::vector<uint8_t> b = bytes;
        PutU32(b, poke.at, poke.value);
        EXPECT_FALSE(Read(Resealed(b))) << poke.name;
        EXPECT_NE(strstr(error, poke.reason), nullptr) << poke.name << ": " << error;
    }
    std::vector<uint8_t> unterminated = bytes;
    memset(unterminated.data() + payload + 32, 'A', 32);
    EXPECT_FALSE(Read(Resealed(unterminated)));
    std::vector<uint8_t> noCampaign = bytes;
    memset(noCampaign.data() + payload, 0, 32);
    EXPECT_FALSE(Read(Resealed(noCampaign)));
    // The rooms entered: an unterminated id, an empty one, one given twice.
    const size_t entered = payload + 104;
    std::vector<uint8_t> unterminatedRoom = bytes;
    memset(unterminatedRoom.data() + entered, 'A', 32);
    EXPECT_FALSE(Read(Resealed(unterminatedRoom)));
    std::vector<uint8_t> emptyRoom = bytes;
    memset(emptyRoom.data() + entered, 0, 32);
    EXPECT_FALSE(Read(Resealed(emptyRoom)));
    std::vector<uint8_t> twice = bytes;
    memcpy(twice.data() + entered, twice.data() + entered + 32, 32);
    EXPECT_FALSE(Read(Resealed(twice)));
    // The largest counts and play time a game keeps are read back.
    std::vector<uint8_t> full = bytes;
    PutU32(full, payload + 84, SaveGame::kMaxCount);
    PutU32(full, payload + 88, SaveGame::kMaxCount);
    uint32_t longest;
    memcpy(&longest, &SaveGame::kMaxPlaySeconds, 4);
    PutU32(full, payload + 92, longest);
    EXPECT_TRUE(Read(Resealed(full)));
    EXPECT_TRUE(Read(Resealed(bytes)));
}

// A save listing more rooms entered than a map holds, whole and sealed, is of this version: it is refused for its
// count, though it is larger than any save that is read.
TEST_F(SavedGame, ASaveListingMoreRoomsThanAMapHoldsIsRefusedForItsCount)
{
    WriteFile(Listing(WorldMap::kMaxRooms + 1));
    SaveGame read;
    ASSERT_FALSE(read.Read(path.c_str(), error, sizeof(error)));
    EXPECT_STREQ(error, "The saved game lists 65 rooms entered, more than the 64 a map holds");
    EXPECT_EQ(read.enteredRoomCount, 0u);
}

// A save listing every room of a full map, 64 of them, is the largest save there is: it is read whole, every room
// in its place, while one room more is refused.
TEST_F(SavedGame, ASaveListingAsManyRoomsAsAMapHoldsIsReadWhole)
{
    const std::vector<uint8_t> full = Listing(WorldMap::kMaxRooms);
    // The writer makes the same bytes of the same game.
    SaveGame written = save;
    written.enteredRoomCount = WorldMap::kMaxRooms;
    for (uint32_t i = 0; i < WorldMap::kMaxRooms; ++i)
        snprintf(written.enteredRooms[i], sizeof(written.enteredRooms[i]), "Room%u", i);
    ASSERT_TRUE(written.Write(path.c_str()));
    {
        std::ifstream in(path, std::ios::binary);
        ASSERT_EQ(full, std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }

    SaveGame read;
    ASSERT_TRUE(read.Read(path.c_str(), error, sizeof(error))) << error;
    EXPECT_STREQ(read.room, "Hall");
    ASSERT_EQ(read.enteredRoomCount, WorldMap::kMaxRooms);
    for (uint32_t i = 0; i < WorldMap::kMaxRooms; ++i)
        EXPECT_EQ(std::string(read.enteredRooms[i]), "Room" + std::to_string(i));

    WriteFile(Listing(WorldMap::kMaxRooms + 1));
    SaveGame refused;
    EXPECT_FALSE(refused.Read(path.c_str(), error, sizeof(error)));
    EXPECT_STREQ(error, "The saved game lists 65 rooms entered, more than the 64 a map holds");
}

// A save of the first version, as its writer wrote it: the record alone, with no rooms entered.
TEST_F(SavedGame, ASaveOfTheFirstVersionIsRead)
{
    std::vector<uint8_t> first(12 + 100 + 4, 0);
    memcpy(first.data(), "WSGF", 4);
    PutU32(first, 4, 1);
    PutU32(first, 8, 100);
    memcpy(first.data() + 12, "Wendro.gam", 10);
    memcpy(first.data() + 44, "Hall", 4);
    const uint32_t record[9] = {40, 176, 3, 1, 5, 2, 4, 0x41480000u /* 12.5 */, 2};
    for (size_t i = 0; i < 9; ++i)
        PutU32(first, 76 + 4 * i, record[i]);
    first = Resealed(first);
    SaveGame read;
    ASSERT_TRUE(read.ReadFromMemory(first.data(), first.size(), error, sizeof(error))) << error;
    EXPECT_STREQ(read.campaign, "Wendro.gam");
    EXPECT_STREQ(read.room, "Hall");
    EXPECT_EQ(read.y, 176);
    EXPECT_EQ(read.treasures, 5u);
    EXPECT_EQ(read.roomsVisited, 4u);
    EXPECT_FLOAT_EQ(read.playSeconds, 12.5f);
    EXPECT_EQ(read.difficulty, 2u);
    EXPECT_EQ(read.enteredRoomCount, 0u);
    // Cut short, or longer than its payload size says, it is refused like any other.
    EXPECT_FALSE(Read(std::vector<uint8_t>(first.begin(), first.end() - 1)));
    first.insert(first.end() - 4, 4, 0);
    EXPECT_FALSE(Read(Resealed(first)));
}

TEST_F(SavedGame, AFailedWriteLeavesTheEarlierSave)
{
    SaveGame other = save;
    snprintf(other.room, sizeof(other.room), "Gate");
    EXPECT_FALSE(other.Write((folder / "missing/Autosave.wsg").c_str()));
    SaveGame read;
    ASSERT_TRUE(read.Read(path.c_str(), error, sizeof(error)));
    EXPECT_STREQ(read.room, "Hall");
}

// A save that is not there is no saved game; one that is there but cannot be opened is named with the system's
// reason, and one that is no regular file as such: neither is taken for a missing save.
TEST_F(SavedGame, ASaveThatCannotBeOpenedIsNamedWithItsReason)
{
    SaveGame read;
    EXPECT_FALSE(read.Read((folder / "Missing.wsg").c_str(), error, sizeof(error)));
    EXPECT_STREQ(error, "There is no saved game");
    // Two symbolic links naming each other: the open fails with ELOOP.
    const std::string loop = folder / "Loop.wsg";
    std::filesystem::create_symlink(folder / "Back.wsg", loop);
    std::filesystem::create_symlink(loop, folder / "Back.wsg");
    EXPECT_FALSE(read.Read(loop.c_str(), error, sizeof(error)));
    EXPECT_EQ(std::string(error), "The saved game " + loop + " cannot be read (" + strerror(ELOOP) + ")");
    const std::string inFolder = folder / "Folder.wsg";
    std::filesystem::create_directory(inFolder);
    EXPECT_FALSE(read.Read(inFolder.c_str(), error, sizeof(error)));
    EXPECT_EQ(std::string(error), "The saved game " + inFolder + " is not a regular file");
    EXPECT_EQ(read.room[0], '\0');
}

// A save the player may not read (another user's closed to others, as a run under "sudo -E" with umask 077 leaves
// it, or one with no permissions) is named with "Permission denied", not as missing. The folder is the player's to
// enter; the file is not.
TEST_F(SavedGame, ASaveThePlayerMayNotReadIsNamedAsSuch)
{
    ASSERT_EQ(chmod(folder.path.c_str(), 0711), 0);
    ASSERT_EQ(chmod(path.c_str(), geteuid() == 0 ? 0600 : 0000), 0);
    const std::string expected = "The saved game " + path + " cannot be read (Permission denied)";
    EXPECT_EQ(RunUnprivileged([this, &expected] {
                  SaveGame read;
                  char reason[256] = "";
                  if (read.Read(path.c_str(), reason, sizeof(reason)))
                      return 1;
                  fprintf(stderr, "%s\n", reason);
                  return expected == reason ? 0 : 2;
              }),
              0);
}

// A refused save is kept under a name of its own by a rename in its folder, which needs no access to the file (a
// player may not make a hard link to another user's file): its own name is left free for the new save, and a kept
// file is never replaced. A file that has a kept name already (both names, as an earlier version left them) is
// given that name and nothing more.
TEST_F(SavedGame, ARefusedSaveIsKeptUnderANameOfItsOwnAndNoKeptFileIsReplaced)
{
    WriteBytes(folder / "Autosave.refused.wsg", "an earlier kept save");
    char kept[PATH_MAX] = "";
    ASSERT_TRUE(SaveGame::KeepRefused(path.c_str(), kept, sizeof(kept), error, sizeof(error))) << error;
    EXPECT_EQ(std::string(kept), folder / "Autosave.refused.2.wsg");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadBytes(kept), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(ReadBytes(folder / "Autosave.refused.wsg"), "an earlier kept save");

    ASSERT_TRUE(save.Write(path.c_str()));
    std::filesystem::create_hard_link(path, folder / "Autosave.refused.3.wsg");
    ASSERT_TRUE(SaveGame::KeepRefused(path.c_str(), kept, sizeof(kept), error, sizeof(error))) << error;
    EXPECT_EQ(std::string(kept), folder / "Autosave.refused.3.wsg");
    EXPECT_EQ(ReadBytes(kept), std::string(bytes.begin(), bytes.end()));
    EXPECT_FALSE(std::filesystem::exists(folder / "Autosave.refused.4.wsg"));
    EXPECT_EQ(ReadBytes(folder / "Autosave.refused.2.wsg"), std::string(bytes.begin(), bytes.end()));
}

TEST(ContentFile, RefusesFilesLargerThanContentCanBe)
{
    TempFolder folder;
    {
        std::ofstream big(folder / "Big.map", std::ios::binary);
        big << std::string(ContentFile::kMaxBytes + 1, '#');
    }
    RStreamMgr::GetInstance()->AddSearchPath(folder.path.c_str());
    uint32_t size = 0;
    char error[256];
    char* bytes = ContentFile::Read("Big.map", &size, error, sizeof(error));
    EXPECT_EQ(bytes, nullptr);
    EXPECT_EQ(ContentFile::Read("Nothing.map", &size, error, sizeof(error)), nullptr);
    delete[] bytes;
    RStreamMgr::DestroyInstance();
}

}  // namespace
