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
// The record after the header: two names, then nine 32-bit fields.
constexpr uint32_t kPayloadBytes = 2 * SaveGame::kNameBytes + 9 * 4;
// Magic, version, payload size, payload, checksum.
constexpr uint32_t kFileBytes = 4 + 4 + 4 + kPayloadBytes + 4;
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
        // A second name of the same file, made only where no file is: a name that is taken is never replaced,
        // and the save stays under its own name too until a new save is put in its place.
        if (linkat(AT_FDCWD, path, AT_FDCWD, outPath, AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) {
            snprintf(error, errorSize, "%s", strerror(errno));
            return false;
        }
        // Kept already (a save that failed after it was kept): the same file under the name taken.
        struct stat taken;
        if (stat(outPath, &taken) == 0 && taken.st_dev == kept.st_dev && taken.st_ino == kept.st_ino)
            return true;
    }
    snprintf(error, errorSize, "every name up to %s is taken", outPath);
    return false;
}

bool SaveGame::Write(const char* path) const
{
    uint8_t bytes[kFileBytes];
    uint8_t* p = bytes;
    memcpy(p, kMagic, 4);
    p += 4;
    PutU32(p, kVersion);
    PutU32(p, kPayloadBytes);
    uint8_t* payload = p;
    memset(p, 0, 2 * kNameBytes);
    memcpy(p, campaign, strnlen(campaign, kNameBytes - 1));
    memcpy(p + kNameBytes, room, strnlen(room, kNameBytes - 1));
    p += 2 * kNameBytes;
    uint32_t seconds;
    memcpy(&seconds, &playSeconds, 4);
    for (uint32_t value : {static_cast<uint32_t>(x), static_cast<uint32_t>(y), powers, magentaSolid, treasures,
                           deaths, roomsVisited, seconds, difficulty})
        PutU32(p, value);
    PutU32(p, Checksum(payload, kPayloadBytes));

    RSafeFileWriter writer;
    return writer.Open(path) && writer.Write(bytes, sizeof(bytes)) && writer.Commit();
}

bool SaveGame::Read(const char* path, char* error, size_t errorSize)
{
    FILE* file = RFile::OpenRegular(path);
    if (!file) {
        snprintf(error, errorSize, "There is no saved game");
        return false;
    }
    // One byte more than a save holds tells a longer file from a save.
    uint8_t bytes[kFileBytes + 1];
    const size_t size = fread(bytes, 1, sizeof(bytes), file);
    fclose(file);
    return ReadFromMemory(bytes, size, error, errorSize);
}

bool SaveGame::ReadFromMemory(const uint8_t* bytes, size_t size, char* error, size_t errorSize)
{
    if (size != kFileBytes || memcmp(bytes, kMagic, 4) != 0) {
        snprintf(error, errorSize, "The saved game is not a saved game of this game");
        return false;
    }
    const uint8_t* p = bytes + 4;
    const uint32_t version = GetU32(p);
    const uint32_t payloadBytes = GetU32(p);
    if (version != kVersion || payloadBytes != kPayloadBytes) {
        snprintf(error, errorSize, "The saved game is of another version");
        return false;
    }
    const uint8_t* payload = p;
    const uint8_t* checksumAt = payload + kPayloadBytes;
    if (Checksum(payload, kPayloadBytes) != GetU32(checksumAt)) {
        snprintf(error, errorSize, "The saved game is damaged");
        return false;
    }
    SaveGame read;
    if (memchr(p, 0, kNameBytes) == nullptr || memchr(p + kNameBytes, 0, kNameBytes) == nullptr) {
        snprintf(error, errorSize, "The saved game is damaged");
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
    if (read.x < -kPositionLimit || read.x > kPositionLimit || read.y < -kPositionLimit || read.y > kPositionLimit ||
        read.powers > 3 || read.magentaSolid > 1 || read.difficulty > 2 || read.deaths > kMaxCount ||
        read.roomsVisited > kMaxCount || !(read.playSeconds >= 0.0f && read.playSeconds <= kMaxPlaySeconds) ||
        read.room[0] == '\0' || read.campaign[0] == '\0') {
        snprintf(error, errorSize, "The saved game holds values no game can have");
        return false;
    }
    *this = read;
    return true;
}
