// WorldMap: the world of a campaign: its rooms placed on an integer grid (".map", INI text: "[Map]" lists the
// rooms, a section per room gives its grid place, its start, its 24 rows of 40 tiles and its entities) with
// their titles ("_Rooms.xml"). A room's neighbour across an edge is the room in the next grid cell. Owns its
// rooms. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cstddef>
#include <cstdint>

class EntityTemplates;

class WorldMap {
public:
    static constexpr int kWidth = 40;   // tiles
    static constexpr int kHeight = 24;
    static constexpr uint32_t kMaxRooms = 64;
    static constexpr int kMaxEntities = 99;  // per room: "Entity01" to "Entity99"
    static constexpr int kGridLimit = 1000;  // grid places lie within -1000 to 1000

    // A cell of a room, as the tile set draws it (the open switch blocks draw as the tile after these).
    enum Tile : uint8_t {
        kEmpty = 0,
        kWall = 1,
        kLedge = 2,
        kMagenta = 3,
        kCyan = 5,
        kRedSwitch = 7,
        kBlueSwitch = 8,
        kSpeck = 9,
    };

    // One entity placed in a room: its template, its tile, and its argument (a treasure's number, a teleport's
    // pair name).
    struct Placement {
        int32_t templateIndex = -1;
        int32_t x = 0;
        int32_t y = 0;
        int32_t number = 0;
        char pair[8] = "";
    };

    struct Room {
        RString id;
        RString title;
        int32_t gridX = 0;
        int32_t gridY = 0;
        int32_t startX = 0;  // the tile the player stands in when the room is entered other than by an edge
        int32_t startY = 0;
        uint8_t tiles[kHeight][kWidth] = {};
        RUtilVector<Placement> placements;
    };

    WorldMap() = default;
    ~WorldMap();
    WorldMap(const WorldMap&) = delete;
    WorldMap& operator=(const WorldMap&) = delete;

    // Reads the map and the titles through the stream manager; false, with the reason in error, for a missing
    // or oversized file or one LoadFromText refuses.
    bool Load(const char* mapFile, const char* titlesFile, const EntityTemplates& templates, char* error,
              size_t errorSize);
    // Reads a map from INI text and the titles from XML text ("<Room id=... title=...>"; a room without one is
    // titled by its id; titles may be null). Refused (false, the reason in error, nothing kept): no rooms or
    // more than kMaxRooms, a listed room the map does not hold, a room given twice or two on one grid cell, a
    // grid place or start outside its limits, a row that is not 40 known tile letters, a start in a solid tile
    // or without a solid floor under it. Left out with a line in warnings: an entity of an unknown template or
    // outside the room, a treasure without a number from 1 to 32, a teleport whose pair name is not given by
    // exactly two teleports of the map.
    bool LoadFromText(const char* mapText, uint32_t mapLength, const char* titlesText, uint32_t titlesLength,
                      const EntityTemplates& templates, char* error, size_t errorSize);

    uint32_t GetRoomCount() const { return m_rooms.getCount(); }
    const Room* GetRoom(int32_t index) const;
    // The index of the room of that id (any case), or -1.
    int32_t FindRoom(const char* id) const;
    // The index of the room at the grid place, or -1.
    int32_t FindRoomAt(int32_t gridX, int32_t gridY) const;
    const RUtilVector<RString>& GetWarnings() const { return m_warnings; }

    // Whether a tile stops the player, with the magenta blocks solid (the red switch's state) or the cyan ones.
    static bool IsSolid(uint8_t tile, bool magentaSolid);

private:
    void Clear();
    // Reads one room's section; false with the reason in error.
    bool ReadRoom(class RINIFile& ini, const RString& id, const EntityTemplates& templates, char* error,
                  size_t errorSize);
    // Leaves out teleports whose pair name is not given exactly twice.
    void PairTeleports(const EntityTemplates& templates);

    RUtilVector<Room*> m_rooms;
    RUtilVector<RString> m_warnings;
};
