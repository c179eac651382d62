// The shipped campaign: every content file loads through the game's readers without a refusal or a warning,
// every room's start stands on a floor that can be reached from each of the room's entrances, and a route leads
// from the start of the game to the win orb. Routes are walks of the tile graph: a one-tile player walks and
// falls through open tiles, climbs at most as high as a jump takes it (higher with the double jump, freely up a
// wall with the wall jump), throws the switches it passes, picks up powers, takes teleports and crosses room
// edges into the neighbouring rooms; spikes and bottomless edges end a walk.
#include "core/files/RStreamMgr.h"
#include "game/Campaign.h"
#include "game/EntityTemplates.h"
#include "game/Player.h"
#include "game/TileSets.h"
#include "game/WorldMap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Tiles a jump climbs: the launch speed's height over the tile size, with a tile's margin.
int JumpTiles(float speed)
{
    return static_cast<int>(speed * speed / (2.0f * Player::kGravity) / TileSets::kTileSize);
}

class ShippedCampaign : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RStreamMgr::GetInstance()->MountPack(ROLT_TEST_RESOURCE_DIR "/Wendro.rpk");
    }
    static void TearDownTestSuite() { RStreamMgr::DestroyInstance(); }

    void SetUp() override
    {
        RUtilVector<RString> campaigns;
        Campaign::ListCampaigns(campaigns);
        ASSERT_EQ(campaigns.getCount(), 1u);
        char error[256] = "";
        ASSERT_TRUE(campaign.Load(campaigns[0].GetString(), error, sizeof(error))) << error;
        ASSERT_TRUE(tiles.Load(campaign.GetTilesetsFile().GetString(), error, sizeof(error))) << error;
        ASSERT_TRUE(templates.Load(campaign.GetEntitiesFile().GetString(), error, sizeof(error))) << error;
        // A template or placement left out fails here: the tests would otherwise read what is missing.
        for (const RString& warning : templates.GetWarnings())
            ADD_FAILURE() << warning.GetString();
        ASSERT_EQ(templates.GetWarnings().getCount(), 0u);
        ASSERT_TRUE(map.Load(campaign.GetMapFile().GetString(), campaign.GetRoomsFile().GetString(), templates, error,
                             sizeof(error)))
            << error;
        for (const RString& warning : map.GetWarnings())
            ADD_FAILURE() << warning.GetString();
        ASSERT_EQ(map.GetWarnings().getCount(), 0u);
    }

    // The placement of a template class at a tile of a room, or null.
    const WorldMap::Placement* PlacementAt(const WorldMap::Room& room, int x, int y, EntityTemplates::Kind kind) const
    {
        for (const WorldMap::Placement& placement : room.placements) {
            if (placement.x == x && placement.y == y && templates.Get(placement.templateIndex)->kind == kind)
                return &placement;
        }
        return nullptr;
    }
    const EntityTemplates::Template* TemplateAt(const WorldMap::Room& room, int x, int y,
                                                EntityTemplates::Kind kind) const
    {
        const WorldMap::Placement* placement = PlacementAt(room, x, y, kind);
        return placement ? templates.Get(placement->templateIndex) : nullptr;
    }

    // A platform's top row over its whole travel counts as floor.
    bool PlatformFloor(const WorldMap::Room& room, int x, int y) const
    {
        for (const WorldMap::Placement& placement : room.placements) {
            const EntityTemplates::Template* entry = templates.Get(placement.templateIndex);
            if (entry->kind != EntityTemplates::kPlatform || placement.y != y)
                continue;
            const int last = placement.x + entry->width - 1 + static_cast<int>(entry->travelX);
            if (x >= placement.x && x <= last)
                return true;
        }
        return false;
    }

    struct State {
        int room, x, y, magenta, powers, climbed;
        bool operator<(const State& o) const
        {
            return std::tie(room, x, y, magenta, powers, climbed) <
                   std::tie(o.room, o.x, o.y, o.magenta, o.powers, o.climbed);
        }
    };

    // Breadth-first walk from the states given; true when a state satisfies goal. Powers: bit 1 double jump,
    // bit 2 wall jump. stayInRoom keeps the walk inside the first state's room.
    template <typename Goal> bool Walk(std::vector<State> starts, bool stayInRoom, Goal goal) const
    {
        const int single = JumpTiles(Player::kLaunchSpeed);
        const int doubled = single + JumpTiles(Player::kLaunchSpeed * 0.9f);
        std::set<State> seen;
        std::deque<State> open(starts.begin(), starts.end());
        while (!open.empty()) {
            State s = open.front();
            open.pop_front();
            if (seen.count(s))
                continue;
            seen.insert(s);
            if (goal(s))
                return true;
            const WorldMap::Room& room = *map.GetRoom(s.room);
            const bool magenta = s.magenta != 0;
            auto open_at = [&](const WorldMap::Room& r, int x, int y) {
                return !WorldMap::IsSolid(r.tiles[y][x], magenta) && !TemplateAt(r, x, y, EntityTemplates::kHazard);
            };
            const bool standing = s.y + 1 < WorldMap::kHeight &&
                                  (WorldMap::IsSolid(room.tiles[s.y + 1][s.x], magenta) || PlatformFloor(room, s.x, s.y + 1));
            const int climb = standing ? 0 : s.climbed;
            const bool wall = (s.powers & 2) && ((s.x > 0 && WorldMap::IsSolid(room.tiles[s.y][s.x - 1], magenta)) ||
                                                 (s.x + 1 < WorldMap::kWidth &&
                                                  WorldMap::IsSolid(room.tiles[s.y][s.x + 1], magenta)));
            const int limit = (s.powers & 1) ? doubled : single;
            const int moves[4][3] = {{-1, 0, climb}, {1, 0, climb}, {0, 1, limit}, {0, -1, wall ? 0 : climb + 1}};
            for (const auto& move : moves) {
                if (move[1] < 0 && move[2] > limit)
                    continue;
                State next = s;
                next.x += move[0];
                next.y += move[1];
                next.climbed = move[2];
                int roomIndex = s.room;
                if (next.x < 0 || next.x >= WorldMap::kWidth || next.y < 0 || next.y >= WorldMap::kHeight) {
                    const int dx = next.x < 0 ? -1 : next.x >= WorldMap::kWidth ? 1 : 0;
                    const int dy = next.y < 0 ? -1 : next.y >= WorldMap::kHeight ? 1 : 0;
                    roomIndex = map.FindRoomAt(room.gridX + dx, room.gridY + dy);
                    if (roomIndex < 0 || stayInRoom)
                        continue;
                    next.x -= dx * WorldMap::kWidth;
                    next.y -= dy * WorldMap::kHeight;
                    next.room = roomIndex;
                }
                const WorldMap::Room& nextRoom = *map.GetRoom(roomIndex);
                if (!open_at(nextRoom, next.x, next.y))
                    continue;
                const uint8_t tile = nextRoom.tiles[next.y][next.x];
                if (tile == WorldMap::kRedSwitch)
                    next.magenta = 1;
                else if (tile == WorldMap::kBlueSwitch)
                    next.magenta = 0;
                if (const EntityTemplates::Template* power = TemplateAt(nextRoom, next.x, next.y, EntityTemplates::kPowerup)) {
                    if (power->power == EntityTemplates::kDoubleJump)
                        next.powers |= 1;
                    if (power->power == EntityTemplates::kWallJump)
                        next.powers |= 2;
                }
                if (const WorldMap::Placement* teleport = PlacementAt(nextRoom, next.x, next.y, EntityTemplates::kTeleport)) {
                    for (uint32_t r = 0; r < map.GetRoomCount() && !stayInRoom; ++r) {
                        for (const WorldMap::Placement& other : map.GetRoom(static_cast<int>(r))->placements) {
                            if (&other != teleport && templates.Get(other.templateIndex)->kind == EntityTemplates::kTeleport &&
                                strcmp(other.pair, teleport->pair) == 0) {
                                State arrived = next;
                                arrived.room = static_cast<int>(r);
                                arrived.x = other.x;
                                arrived.y = other.y;
                                open.push_back(arrived);
                            }
                        }
                    }
                }
                open.push_back(next);
            }
        }
        return false;
    }

    Campaign campaign;
    TileSets tiles;
    EntityTemplates templates;
    WorldMap map;
};

TEST_F(ShippedCampaign, EveryRoomsStartIsReachableFromEachEntrance)
{
    ASSERT_GE(map.GetRoomCount(), 6u);
    for (uint32_t index = 0; index < map.GetRoomCount(); ++index) {
        const WorldMap::Room& room = *map.GetRoom(static_cast<int>(index));
        // Entrances: open border tiles across which a neighbouring room lies.
        std::vector<State> entrances;
        for (int y = 0; y < WorldMap::kHeight; ++y) {
            for (int x = 0; x < WorldMap::kWidth; ++x) {
                const bool border = x == 0 || y == 0 || x == WorldMap::kWidth - 1 || y == WorldMap::kHeight - 1;
                const int dx = x == 0 ? -1 : x == WorldMap::kWidth - 1 ? 1 : 0;
                const int dy = y == 0 ? -1 : y == WorldMap::kHeight - 1 ? 1 : 0;
                if (border && !WorldMap::IsSolid(room.tiles[y][x], true) &&
                    map.FindRoomAt(room.gridX + dx, room.gridY + dy) >= 0)
                    entrances.push_back({static_cast<int>(index), x, y, 1, 3, 0});
            }
        }
        for (const State& entrance : entrances) {
            EXPECT_TRUE(Walk({entrance}, true, [&](const State& s) { return s.x == room.startX && s.y == room.startY; }))
                << room.id.GetString() << ": start unreachable from " << entrance.x << ", " << entrance.y;
        }
    }
}

TEST_F(ShippedCampaign, ARouteLeadsFromTheStartToTheWinOrbAndALoseOrbExists)
{
    const int start = map.FindRoom(campaign.GetStartRoom().GetString());
    ASSERT_GE(start, 0);
    const WorldMap::Room& room = *map.GetRoom(start);
    auto orb = [&](EntityTemplates::Power power) {
        return [&, power](const State& s) {
            const EntityTemplates::Template* entry = TemplateAt(*map.GetRoom(s.room), s.x, s.y, EntityTemplates::kPowerup);
            return entry && entry->power == power;
        };
    };
    EXPECT_TRUE(Walk({{start, room.startX, room.startY, 1, 0, 0}}, false, orb(EntityTemplates::kWinOrb)));
    EXPECT_TRUE(Walk({{start, room.startX, room.startY, 1, 0, 0}}, false, orb(EntityTemplates::kLoseOrb)));
}

TEST_F(ShippedCampaign, ShowsEveryEntityClassBothPowersAndBothSwitches)
{
    std::set<int> kinds;
    std::set<int> powers;
    bool red = false, blue = false;
    for (uint32_t r = 0; r < map.GetRoomCount(); ++r) {
        const WorldMap::Room& room = *map.GetRoom(static_cast<int>(r));
        for (const WorldMap::Placement& placement : room.placements) {
            const EntityTemplates::Template* entry = templates.Get(placement.templateIndex);
            kinds.insert(entry->kind);
            powers.insert(entry->power);
            if (entry->kind == EntityTemplates::kHazardSpawner) {
                EXPECT_NE(templates.Find(entry->spawns.GetString()), nullptr);
            }
        }
        for (int y = 0; y < WorldMap::kHeight; ++y) {
            for (int x = 0; x < WorldMap::kWidth; ++x) {
                red = red || room.tiles[y][x] == WorldMap::kRedSwitch;
                blue = blue || room.tiles[y][x] == WorldMap::kBlueSwitch;
            }
        }
    }
    // The player and effects are made by the game, not placed.
    for (int kind : {EntityTemplates::kPlatform, EntityTemplates::kHazard, EntityTemplates::kHazardSpawner,
                     EntityTemplates::kTeleport, EntityTemplates::kCheckpoint, EntityTemplates::kTreasure,
                     EntityTemplates::kPowerup})
        EXPECT_TRUE(kinds.count(kind)) << kind;
    for (int power : {EntityTemplates::kDoubleJump, EntityTemplates::kWallJump, EntityTemplates::kWinOrb,
                      EntityTemplates::kLoseOrb})
        EXPECT_TRUE(powers.count(power)) << power;
    EXPECT_TRUE(red && blue);
    for (const char* effect : {"Sparkle", "Burst"})
        EXPECT_EQ(templates.Find(effect)->kind, EntityTemplates::kEffect);
    // Every tile the game draws exists in both looks, the status line's letters too.
    for (int tile : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33,
                     TileSets::kFirstGlyphTile + ('A' - ' '), TileSets::kFirstGlyphTile + ('9' - ' ')}) {
        EXPECT_TRUE(tiles.HasTile(TileSets::kCGA, tile)) << tile;
        EXPECT_TRUE(tiles.HasTile(TileSets::kEGA, tile)) << tile;
    }
    for (const char* tune : {"Jump", "Pickup", "Checkpoint", "Switch", "Teleport", "Power", "Death", "Ending", "Failure"})
        EXPECT_NE(campaign.FindTune(tune), nullptr) << tune;
    EXPECT_EQ(campaign.FindTune("Jump")->priority, 6);
}

}  // namespace
