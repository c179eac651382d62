// RTextureFormat: the texture format codes of the renderer's texture and render-target operations, shared with
// the device that turns them into GL formats. Codes from kFirstCompressed on are block-compressed.
#pragma once

#include <cstdint>

namespace RTextureFormat {

enum : uint32_t {
    RGB = 1,
    RGBA = 2,
    RGBA16F = 3,
    RGBA32F = 4,
    R16F = 5,
    DXT1 = 4097,
    DXT3 = 4098,
    DXT5 = 4099,
    kFirstCompressed = 4096,
};

}  // namespace RTextureFormat
