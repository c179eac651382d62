// Room titles ("_Rooms.xml"): read through the stream manager beside a fixed map of two rooms. Titles never
// refuse the map: it loads whatever they hold, each room keeps its place and gets a title of 1 to 40 characters
// (its id when the file gives none).
#include "FuzzSupport.h"
#include "GameContent.h"
#include "game/WorldMap.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool mapWritten = [] {
        const std::string map = "[Map]\nRooms: Gate Hall\n" + FuzzRoom("Gate", 0, 0, "Entity01: Gem 5 5 1\n") +
                                FuzzRoom("Hall", 1, 0, "");
        WriteInput("Fuzz.map", reinterpret_cast<const uint8_t*>(map.data()), map.size());
        return true;
    }();
    (void)mapWritten;
    WriteInput("Fuzz_Rooms.xml", data, size);
    WorldMap map;
    char error[256] = "";
    FUZZ_CHECK(map.Load("Fuzz.map", "Fuzz_Rooms.xml", FuzzTemplates(), error, sizeof error));
    FUZZ_CHECK(map.GetRoomCount() == 2);
    const char* const ids[2] = {"Gate", "Hall"};
    for (int32_t i = 0; i < 2; ++i) {
        const WorldMap::Room* room = map.GetRoom(i);
        FUZZ_CHECK(room->id.Equals(ids[i]) && map.FindRoomAt(i, 0) == i);
        FUZZ_CHECK(!room->title.IsEmpty() && room->title.GetLength() <= 40);
    }
    FUZZ_CHECK(map.GetRoom(0)->placements.getCount() == 1);
    return 0;
}
