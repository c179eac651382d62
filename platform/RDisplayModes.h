// The display modes SDL reports and the list of screen resolutions the video options offer. Plain functions over
// caller-owned lists; SDL's video subsystem must be initialised for the displays to be seen (without it only the
// common sizes are listed).
#pragma once

#include "core/types/RUtilVector.h"

#include <cstdint>

struct RDispMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0; // bits 8-15 of SDL's pixel format value; 0 for the common sizes
    uint32_t refreshRate = 0;  // hertz; 0 when SDL reports none
    bool operator==(const RDispMode& other) const
    {
        return width == other.width && height == other.height && bitsPerPixel == other.bitsPerPixel &&
               refreshRate == other.refreshRate;
    }
};

struct ScreenResolution {
    uint32_t width = 0;
    uint32_t height = 0;
    bool operator==(const ScreenResolution& other) const
    {
        return width == other.width && height == other.height;
    }
};

// Appends every mode of every display in SDL's order (a mode SDL fails to read, or one without a size, is
// skipped), then the 18 common sizes with bits per pixel and refresh rate 0.
void EnumerateModes(RUtilVector<RDispMode>& modes);
// Removes every mode equal in all four fields to an earlier one; the first of equals stays where it was.
void RemoveDuplicateModes(RUtilVector<RDispMode>& modes);
// Keeps the modes that match every criterion that is not 0 (0 matches anything), in their order.
void FilterModes(RUtilVector<RDispMode>& modes, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                 uint32_t refreshRate);
// The first mode of the de-duplicated enumeration that passes FilterModes; false, leaving *mode as it was, when
// none does (or mode is null).
bool FindDisplayMode(RDispMode* mode, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                     uint32_t refreshRate);

// Appends each mode's size to resolutions unless an equal size is already there, then sorts the whole list
// ascending by width, then height.
void AddResolutions(const RUtilVector<RDispMode>& modes, RUtilVector<ScreenResolution>& resolutions);
// The game object's resolution list at start-up: EnumerateModes, RemoveDuplicateModes, AddResolutions. The list
// is not emptied first.
void EnumerateDisplayModes(RUtilVector<ScreenResolution>& resolutions);
