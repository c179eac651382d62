// RByteOrder: the engine's binary files store their numbers least significant byte first. These read and store
// such numbers at a byte pointer whatever the machine's own order; the caller owns the bytes and their bounds.
#pragma once

#include <cstdint>

inline uint16_t ReadLE16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t ReadLE32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

inline void PutLE16(uint8_t* bytes, uint32_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutLE32(uint8_t* bytes, uint32_t value)
{
    PutLE16(bytes, value);
    PutLE16(bytes + 2, value >> 16);
}
