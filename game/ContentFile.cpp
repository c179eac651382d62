#include "game/ContentFile.h"

#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"

#include <cstdio>

char* ContentFile::Read(const char* name, uint32_t* outSize, char* error, size_t errorSize)
{
    *outSize = 0;
    RStreamMgr* streams = RStreamMgr::GetInstance();
    const uint32_t size = streams->GetFileSize(name, RStreamMgr::kPacksAndFolders);
    if (size == RPackFile::kNoSize) {
        snprintf(error, errorSize, "Content file %s is missing", name);
        return nullptr;
    }
    if (size > kMaxBytes) {
        snprintf(error, errorSize, "Content file %s is too large (%u bytes)", name, size);
        return nullptr;
    }
    char* bytes = nullptr;
    uint32_t read = 0;
    streams->ReadFile(name, &bytes, &read, RStreamMgr::kPacksAndFolders, true);
    if (!bytes || read == RPackFile::kNoSize || read > kMaxBytes) {
        delete[] bytes;
        snprintf(error, errorSize, "Content file %s could not be read", name);
        return nullptr;
    }
    *outSize = read;
    return bytes;
}
