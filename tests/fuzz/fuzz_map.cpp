// World maps (".map"): read through the stream manager with fixed room titles and entity templates. A map that
// loads holds 1 to 64 rooms on distinct grid cells within the limits, each of known tiles with its start standing
// on a solid floor, its entities inside it, its treasures numbered 1 to 32 and its teleports paired exactly.
#include "FuzzSupport.h"
#include "GameContent.h"
#include "game/WorldMap.h"

#include <cstring>

namespace {

bool KnownTile(uint8_t tile)
{
    for (uint8_t known : {WorldMap::kEmpty, WorldMap::kWall, WorldMap::kLedge, WorldMap::kMagenta, WorldMap::kCyan,
                          WorldMap::kRedSwitch, WorldMap::kBlueSwitch, WorldMap::kSpeck}) {
        if (tile == known)
            return true;
    }
    return false;
}

void CheckRoom(const WorldMap& map, int32_t index)
{
    const WorldMap::Room* room = map.GetRoom(index);
    FUZZ_CHECK(room && !room->id.IsEmpty() && room->id.GetLength() <= 31 && room->title.GetLength() <= 40);
    FUZZ_CHECK(map.FindRoom(room->id.GetString()) == index);
    FUZZ_CHECK(map.FindRoomAt(room->gridX, room->gridY) == index);
    FUZZ_CHECK(room->gridX >= -WorldMap::kGridLimit && room->gridX <= WorldMap::kGridLimit);
    FUZZ_CHECK(room->gridY >= -WorldMap::kGridLimit && room->gridY <= WorldMap::kGridLimit);
    FUZZ_CHECK(room->startX >= 0 && room->startX < WorldMap::kWidth);
    FUZZ_CHECK(room->startY >= 0 && room->startY + 1 < WorldMap::kHeight);
    FUZZ_CHECK(!WorldMap::IsSolid(room->tiles[room->startY][room->startX], true));
    FUZZ_CHECK(WorldMap::IsSolid(room->tiles[room->startY + 1][room->startX], true));
    for (int y = 0; y < WorldMap::kHeight; ++y) {
        for (int x = 0; x < WorldMap::kWidth; ++x)
            FUZZ_CHECK(KnownTile(room->tiles[y][x]));
    }
    FUZZ_CHECK(room->placements.getCount() <= static_cast<uint32_t>(WorldMap::kMaxEntities));
    const EntityTemplates& templates = FuzzTemplates();
    for (const WorldMap::Placement& placement : room->placements) {
        const EntityTemplates::Template* entry = templates.Get(placement.templateIndex);
        FUZZ_CHECK(entry);
        FUZZ_CHECK(placement.x >= 0 && placement.x < WorldMap::kWidth);
        FUZZ_CHECK(placement.y >= 0 && placement.y < WorldMap::kHeight);
        FUZZ_CHECK(memchr(placement.pair, 0, sizeof placement.pair));
        if (entry->kind == EntityTemplates::kTreasure)
            FUZZ_CHECK(placement.number >= 1 && placement.number <= 32);
        if (entry->kind == EntityTemplates::kTeleport)
            FUZZ_CHECK(placement.number == 2 && placement.pair[0] != '\0');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool titlesWritten = [] {
        static const char kTitles[] = "<Room id=\"Gate\" title=\"THE GATE\" /><Room id=\"Hall\" title=\"HALL\" />";
        WriteInput("Fuzz_Rooms.xml", reinterpret_cast<const uint8_t*>(kTitles), strlen(kTitles));
        return true;
    }();
    (void)titlesWritten;
    WriteInput("Fuzz.map", data, size);
    WorldMap map;
    char error[256] = "";
    if (!map.Load("Fuzz.map", "Fuzz_Rooms.xml", FuzzTemplates(), error, sizeof error)) {
        FUZZ_CHECK(error[0] != '\0' && map.GetRoomCount() == 0);
        return 0;
    }
    FUZZ_CHECK(map.GetRoomCount() >= 1 && map.GetRoomCount() <= WorldMap::kMaxRooms);
    for (uint32_t i = 0; i < map.GetRoomCount(); ++i)
        CheckRoom(map, static_cast<int32_t>(i));
    return 0;
}
