// Saved games ("Autosave.wsg", either version): read, written by the game's writer, read again: the same record
// with the same rooms entered, and the same file from a second write. A refused file leaves the record as it was.
// Each input is tried twice: as it is, and with its last four bytes made the checksum of the payload, so that the
// checks behind the checksum see mutated records too.
#include "FuzzSupport.h"
#include "game/SaveGame.h"

#include <cstring>

namespace {

bool Same(const SaveGame& a, const SaveGame& b)
{
    if (a.enteredRoomCount != b.enteredRoomCount)
        return false;
    for (uint32_t i = 0; i < a.enteredRoomCount; ++i) {
        if (strcmp(a.enteredRooms[i], b.enteredRooms[i]) != 0)
            return false;
    }
    return strcmp(a.campaign, b.campaign) == 0 && strcmp(a.room, b.room) == 0 && a.x == b.x && a.y == b.y &&
           a.powers == b.powers && a.magentaSolid == b.magentaSolid && a.treasures == b.treasures &&
           a.deaths == b.deaths && a.roomsVisited == b.roomsVisited &&
           memcmp(&a.playSeconds, &b.playSeconds, sizeof a.playSeconds) == 0 && a.difficulty == b.difficulty;
}

// The bytes with the checksum after the payload (bytes 12 to size - 4) made to fit it again.
std::string Resealed(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (size < 16)
        return bytes;
    uint32_t hash = 2166136261u;
    for (size_t i = 12; i + 4 < size; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    for (int i = 0; i < 4; ++i)
        bytes[size - 4 + i] = static_cast<char>(hash >> (8 * i));
    return bytes;
}

void RoundTrip(const uint8_t* data, size_t size)
{
    const std::string input = WriteInput("Autosave.wsg", data, size);
    SaveGame first;
    char error[256] = "";
    if (!first.Read(input.c_str(), error, sizeof error)) {
        FUZZ_CHECK(error[0] != '\0' && Same(first, SaveGame()));
        return;
    }
    FUZZ_CHECK(memchr(first.campaign, 0, sizeof first.campaign) && memchr(first.room, 0, sizeof first.room));
    FUZZ_CHECK(first.enteredRoomCount <= WorldMap::kMaxRooms);
    const std::string output = FuzzFolder() + "Saved.wsg";
    FUZZ_CHECK(first.Write(output.c_str()));
    const std::string savedOnce = ReadOutput(output);
    SaveGame second;
    FUZZ_CHECK(second.Read(output.c_str(), error, sizeof error));
    FUZZ_CHECK(Same(first, second));
    FUZZ_CHECK(second.ReadFromMemory(reinterpret_cast<const uint8_t*>(savedOnce.data()), savedOnce.size(), error,
                                     sizeof error));
    FUZZ_CHECK(Same(first, second));
    FUZZ_CHECK(second.Write(output.c_str()));
    FUZZ_CHECK(ReadOutput(output) == savedOnce);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RoundTrip(data, size);
    const std::string resealed = Resealed(data, size);
    RoundTrip(reinterpret_cast<const uint8_t*>(resealed.data()), resealed.size());
    return 0;
}
