// SaveGame: the saved game "Autosave.wsg" in the user "Saves/" folder: where the player last touched a
// checkpoint (campaign, room, position), the powers, the switch state, the treasures found, the game's figures
// and the rooms entered. The file is a record after a magic, a version and its own size, closed by a checksum:
// version 2 is version 1's fixed record followed by the list of rooms entered; both are read. It is written
// through the safe writer, so a failed write leaves the earlier save, and read without trusting any size or count
// in it. A save the game refuses is moved to a name of its own before a new save takes its place.
#pragma once

#include "game/WorldMap.h"

#include <cstddef>
#include <cstdint>

struct SaveGame {
    static constexpr uint32_t kVersion = 2;
    static constexpr size_t kNameBytes = 32;
    // The most deaths and rooms visited a game counts, and the most play time: the counts stop there.
    static constexpr uint32_t kMaxCount = 100000000;
    static constexpr float kMaxPlaySeconds = 1.0e8f;

    char campaign[kNameBytes] = "";  // the campaign file name
    char room[kNameBytes] = "";      // the room id
    int32_t x = 0;                   // the respawn point, in room pixels
    int32_t y = 0;
    uint32_t powers = 0;             // bit 1 double jump, bit 2 wall jump
    uint32_t magentaSolid = 1;       // which of the switch blocks are solid
    uint32_t treasures = 0;          // bit n-1 for treasure n
    uint32_t deaths = 0;
    uint32_t roomsVisited = 0;
    float playSeconds = 0.0f;
    uint32_t difficulty = 0;
    // The ids of the rooms entered in the whole game, each once (a save of version 1 holds none).
    uint32_t enteredRoomCount = 0;
    char enteredRooms[WorldMap::kMaxRooms][kNameBytes] = {};

    // The path of "Autosave.wsg" in the user "Saves/" folder (created when missing); false when there is none.
    static bool GetPath(char* outPath, size_t outSize);
    // Moves the file at path (a save that was refused) to a name of its own in its folder that says so,
    // "Autosave.refused.wsg", or "Autosave.refused.2.wsg" and on when that is taken, leaving path free for the new
    // save. A rename, which needs no access to the file: another user's save is kept as well as the player's own.
    // Never replaces a file, on file systems whose renames cannot refuse to either; a name that is already this
    // file's (a second name of it) is the one given, and path is left. The new path in outPath; false, with the
    // reason in error, when no name could be given (a folder the player may not write, every name up to 999
    // taken).
    static bool KeepRefused(const char* path, char* outPath, size_t outSize, char* error, size_t errorSize);

    // Writes the record to path through the safe writer; false, the old file untouched, on any failure.
    bool Write(const char* path) const;
    // Reads a record of version 1 or 2 from path; false, with the reason in error and this record untouched, for a
    // missing file ("There is no saved game"), one that is there but cannot be opened (the system's reason named)
    // or is not a regular file (never waited on), another magic or version, a list of more rooms entered than a map
    // holds, a file of another size than its header and room count give, a bad checksum, names without their
    // terminator, or values no game can hold (a position far outside a room, unknown powers, switch states or
    // difficulties, counts or play time beyond their limits, an empty or repeated room id); each reason is named
    // for what it is. What a campaign holds (its rooms, treasures and powers) is checked by the world.
    bool Read(const char* path, char* error, size_t errorSize);
    // The same over bytes in memory.
    bool ReadFromMemory(const uint8_t* bytes, size_t size, char* error, size_t errorSize);
};
