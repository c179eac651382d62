#include "game/SaveGame.h"

#include "core/files/RFile.h"
#include "core/files/RSafeFileWriter.h"
#include "core/system/RCore.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kMagic[4] = {'W', 'S', 'G', 'F'};
// Version 1's whole payload, and the start of version 2's: two names, then nine 32-bit fields.
constexpr uint32_t kRecordBytes = 2 * SaveGame::kNameBytes + 9 * 4;
// Version 2 adds the count of rooms entered and their names.
constexpr uint32_t kMaxPayloadBytes = kRecordBytes + 4 + WorldMap::kMaxRooms * SaveGame::kNameBytes;
// Magic, version and payload size; the checksum after the payload.
constexpr uint32_t kHeaderBytes = 4 + 4 + 4;
constexpr uint32_t kMaxFileBytes = kHeaderBytes + kMaxPayloadBytes + 4;
// Positions lie within a room and a little beyond it.
constexpr int32_t kPositionLimit = 1000;

uint32_t Checksum(const uint8_t* bytes, size_t size)
{
    uint32_t hash = 2166136261u;  // FNV-1a
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

void PutU32(uint8_t*& p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        *p++ = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const uint8_t*& p)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(*p++) << (8 * i);
    return value;
}

// Reads version 2's list of rooms entered, the bytes after the record, into read; false, with the reason in error,
// for a count that does not fit the bytes or more rooms than a map holds, or an id that is empty, unterminated or
// given twice.
bool ReadEnteredRooms(const uint8_t* p, uint32_t bytes, SaveGame& read, char* error, size_t errorSize)
{
    // The count is checked against the bytes that hold the names before a name is read.
    const uint32_t count = GetU32(p);
    if (count > WorldMap::kMaxRooms || uint64_t{4} + uint64_t{count} * SaveGame::kNameBytes != bytes) {
        snprintf(error, errorSize, "The saved game's count of rooms entered does not fit its list");
        return false;
    }
    for (uint32_t i = 0; i < count; ++i, p += SaveGame::kNameBytes) {
        if (memchr(p, 0, SaveGame::kNameBytes) == nullptr || p[0] == 0) {
            snprintf(error, errorSize, "The saved game lists a room entered whose id is empty or runs on past its end");
            return false;
        }
        memcpy(read.enteredRooms[i], p, SaveGame::kNameBytes);
        for (uint32_t j = 0; j < i; ++j) {
            if (strcmp(read.enteredRooms[j], read.enteredRooms[i]) == 0) {
                snprintf(error, errorSize, "The saved game names room %s twice among those entered",
                         read.enteredRooms[i]);
                return false;
            }
        }
    }
    read.enteredRoomCount = count;
    return true;
}

// What of the record no game can have, or null when a game can have all of it.
const char* ImpossibleValue(const SaveGame& read)
{
    if (read.campaign[0] == '\0')
        return "no campaign";
    if (read.room[0] == '\0')
        return "no room";
    if (read.x < -kPositionLimit || read.x > kPositionLimit || read.y < -kPositionLimit || read.y > kPositionLimit)
        return "a position far outside a room";
    if (read.powers > 3)
        return "unknown powers";
    if (read.magentaSolid > 1)
        return "a switch state that is no state";
    if (read.difficulty > 2)
        return "an unknown difficulty";
    if (read.deaths > SaveGame::kMaxCount)
        return "more deaths than a game counts";
    if (read.roomsVisited > SaveGame::kMaxCount)
        return "more rooms visited than a game counts";
    if (!(read.playSeconds >= 0.0f && read.playSeconds <= SaveGame::kMaxPlaySeconds))
        return "a play time no game can have";
    return nullptr;
}

// Gives the file at from the name to, in the same folder, only where no file has that name: 0, or the error
// (EEXIST when the name is taken). A rename needs no access to the file itself, only to its folder: a save left by
// another user (a run as root) is moved as easily as the player's own, where a hard link to it would be refused.
int RenameWithoutReplacing(const char* from, const char* to)
{
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // A file system that cannot refuse to replace in the rename itself (NFS, some FUSE ones): the name is first
    // taken by an empty file of this game's own, made only where none is, and the rename then puts the save in
    // its place. The only file a rename here can replace is that one (left empty under the name by a kill in
    // between).
    const int reserved = open(to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (reserved < 0)
        return errno;
    close(reserved);
    if (rename(from, to) == 0)
        return 0;
    const int renameError = errno;
    unlink(to);
    return renameError;
}

}  // namespace

bool SaveGame::GetPath(char* outPath, size_t outSize)
{
    RCore* core = RCore::GetInstance();
    char folder[PATH_MAX];
    if (!core || !RCore::MakeUserFolder(folder, sizeof(folder), core->GetLocalAppDataPathName(), "Saves/", true))
        return false;
    const int written = snprintf(outPath, outSize, "%sAutosave.wsg", folder);
    return written > 0 && static_cast<size_t>(written) < outSize;
}

bool SaveGame::KeepRefused(const char* path, char* outPath, size_t outSize, char* error, size_t errorSize)
{
    struct stat kept;
    if (stat(path, &kept) != 0) {
        snprintf(error, errorSize, "%s", strerror(errno));
        return false;
    }
    const char* extension = strrchr(path, '.');
    const char* slash = strrchr(path, '/');
    const int stem = extension && (!slash || extension > slash) ? static_cast<int>(extension - path)
                                                                : static_cast<int>(strlen(path));
    for (int number = 1; number <= 999; ++number) {
        const int written = number == 1 ? snprintf(outPath, outSize, "%.*s.refused.wsg", stem, path)
                                        : snprintf(outPath, outSize, "%.*s.refused.%d.wsg", stem, path, number);
        if (written < 0 || static_cast<size_t>(written) >= outSize) {
            snprintf(error, errorSize, "the path is too long");
            return false;
        }
        const int renameError = RenameWithoutReplacing(path, outPath);
        if (renameError == 0)
            return true;
        if (renameError != EEXIST) {
            snprintf(error, errorSize, "%s", strerror(renameError));
            return false;
        }
        // Kept already under this name too (both names, as an earlier version of the game kept a refused save):
        // the name taken is the one given, and the new save takes the other.
        struct stat taken;
        if (stat(outPath, &taken) == 0 && taken.st_dev == kept.st_dev && taken.st_ino == kept.st_ino)
            return true;
    }
    snprintf(error, errorSize, "every name up to %s is taken", outPath);
    return false;
}

bool SaveGame::Write(const char* path) const
{
    const uint32_t roomCount = enteredRoomCount < WorldMap::kMaxRooms ? enteredRoomCount : WorldMap::kMaxRooms;
    const uint32_t payloadBytes = kRecordBytes + 4 + roomCount * kNameBytes;
    uint8_t bytes[kMaxFileBytes];
    uint8_t* p = bytes;
    memcpy(p, kMagic, 4);
    p += 4;
    PutU32(p, kVersion);
    PutU32(p, payloadBytes);
    uint8_t* payload = p;
    memset(p, 0, payloadBytes);
    memcpy(p, campaign, strnlen(campaign, kNameBytes - 1));
    memcpy(p + kNameBytes, room, strnlen(room, kNameBytes - 1));
    p += 2 * kNameBytes;
    uint32_t seconds;
    memcpy(&seconds, &playSeconds, 4);
    for (uint32_t value : {static_cast<uint32_t>(x), static_cast<uint32_t>(y), powers, magentaSolid, treasures,
                           deaths, roomsVisited, seconds, difficulty, roomCount})
        PutU32(p, value);
    for (uint32_t i = 0; i < roomCount; ++i, p += kNameBytes)
        memcpy(p, enteredRooms[i], strnlen(enteredRooms[i], kNameBytes - 1));
    PutU32(p, Checksum(payload, payloadBytes));

    RSafeFileWriter writer;
    return writer.Open(path) && writer.Write(bytes, kHeaderBytes + payloadBytes + 4) && writer.Commit();
}

bool SaveGame::Read(const char* path, char* error, size_t errorSize)
{
    bool present = false;
    int openError = 0;
    FILE* file = RFile::OpenRegular(path, &present, &openError);
    if (!file) {
        // Only a save that is not there is none: one that is there but cannot be opened (another user's, left by
        // a run as root) is named with the reason, so that it can be mended.
        if (!present)
            snprintf(error, errorSize, "There is no saved game");
        else if (openError == 0)
            snprintf(error, errorSize, "The saved game %s is not a regular file", path);
        else
            snprintf(error, errorSize, "The saved game %s cannot be read (%s)", path, strerror(openError));
        return false;
    }
    // One byte more than the largest save tells a longer file from a save.
    uint8_t bytes[kMaxFileBytes + 1];
    const size_t size = fread(bytes, 1, sizeof(bytes), file);
    fclose(file);
    return ReadFromMemory(bytes, size, error, errorSize);
}

bool SaveGame::ReadFromMemory(const uint8_t* bytes, size_t size, char* error, size_t errorSize)
{
    if (size < kHeaderBytes || memcmp(bytes, kMagic, 4) != 0) {
        snprintf(error, errorSize, "The saved game is not a saved game of this game");
        return false;
    }
    const uint8_t* p = bytes + 4;
    const uint32_t version = GetU32(p);
    const uint32_t payloadBytes = GetU32(p);
    if (version != 1 && version != kVersion) {
        snprintf(error, errorSize, "The saved game is of another version (%u)", version);
        return false;
    }
    // A list of more rooms than a map holds, whole as its header gives it, is larger than any save that is read:
    // it is named by its count.
    if (version == kVersion && size >= uint64_t{kHeaderBytes} + kRecordBytes + 4) {
        const uint8_t* countAt = bytes + kHeaderBytes + kRecordBytes;
        const uint32_t count = GetU32(countAt);
        if (count > WorldMap::kMaxRooms && uint64_t{kRecordBytes} + 4 + uint64_t{count} * kNameBytes == payloadBytes) {
            snprintf(error, errorSize, "The saved game lists %u rooms entered, more than the %u a map holds", count,
                     WorldMap::kMaxRooms);
            return false;
        }
    }
    if (version == 1 ? payloadBytes != kRecordBytes
                     : payloadBytes < kRecordBytes + 4 || payloadBytes > kMaxPayloadBytes) {
        snprintf(error, errorSize, "The saved game's header gives a size no saved game of its version has");
        return false;
    }
    if (size != uint64_t{kHeaderBytes} + payloadBytes + 4) {
        snprintf(error, errorSize, "The saved game is cut short or runs on past its end");
        return false;
    }
    const uint8_t* payload = p;
    const uint8_t* checksumAt = payload + payloadBytes;
    if (Checksum(payload, payloadBytes) != GetU32(checksumAt)) {
        snprintf(error, errorSize, "The saved game is damaged: its checksum does not match");
        return false;
    }
    SaveGame read;
    if (memchr(p, 0, kNameBytes) == nullptr || memchr(p + kNameBytes, 0, kNameBytes) == nullptr) {
        snprintf(error, errorSize, "The saved game's campaign or room name runs on past its end");
        return false;
    }
    memcpy(read.campaign, p, kNameBytes);
    memcpy(read.room, p + kNameBytes, kNameBytes);
    p += 2 * kNameBytes;
    read.x = static_cast<int32_t>(GetU32(p));
    read.y = static_cast<int32_t>(GetU32(p));
    read.powers = GetU32(p);
    read.magentaSolid = GetU32(p);
    read.treasures = GetU32(p);
    read.deaths = GetU32(p);
    read.roomsVisited = GetU32(p);
    const uint32_t seconds = GetU32(p);
    memcpy(&read.playSeconds, &seconds, 4);
    read.difficulty = GetU32(p);
    if (const char* impossible = ImpossibleValue(read)) {
        snprintf(error, errorSize, "The saved game holds %s", impossible);
        return false;
    }
    if (version == kVersion && !ReadEnteredRooms(p, payloadBytes - kRecordBytes, read, error, errorSize))
        return false;
    *this = read;
    return true;
}
