// ContentFile: reads one of the game's content files whole through the stream manager, refusing a missing file
// and one larger than the game's content files can be, so that no reader allocates or walks more than that.
// The caller owns the returned bytes (delete[]), which end with a zero byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ContentFile {

// The largest content file the game reads: far above any real room, tile or entity file.
constexpr uint32_t kMaxBytes = 1u << 20;

// The file's bytes with a terminating zero, and their count in *outSize; null when no source holds the name or
// it is larger than kMaxBytes, with the reason written to error.
char* Read(const char* name, uint32_t* outSize, char* error, size_t errorSize);

// Reads the file as Read does and hands its text to loadFromText(text, size), freeing the bytes afterwards. False
// when the file cannot be read or the loader refuses it.
template <typename Loader>
bool Load(const char* name, char* error, size_t errorSize, Loader loadFromText)
{
    uint32_t size = 0;
    char* text = Read(name, &size, error, errorSize);
    if (!text)
        return false;
    const bool loaded = loadFromText(text, size);
    delete[] text;
    return loaded;
}

}  // namespace ContentFile
