// RRenderer: the DDS reader and the named-texture operations, which go through the texture manager.
#include "render/frame/RRenderer.h"

#include "core/files/RStreamMgr.h"
#include "render/device/RGLDevice.h"
#include "render/images/RTexMgr.h"

namespace {

const uint32_t kDDSMagic = 0x20534444u;  // "DDS "
const uint32_t kDDSHeaderSize = 124;
const uint32_t kDDSMipCountValid = 0x20000;
const uint32_t kDDSFourCC = 0x4;
const uint32_t kDDSRGB = 0x40;
const uint32_t kDDSCubeMap = 0x200;

uint32_t FourCC(const char* text)
{
    return (uint32_t)(uint8_t)text[0] | (uint32_t)(uint8_t)text[1] << 8 | (uint32_t)(uint8_t)text[2] << 16 |
           (uint32_t)(uint8_t)text[3] << 24;
}

// The header words by their index (byte offset / 4).
enum DDSWord {
    kMagic = 0,
    kSize = 1,
    kFlags = 2,
    kHeight = 3,
    kWidth = 4,
    kMipCount = 7,
    kPixelFlags = 20,
    kPixelFourCC = 21,
    kRGBBits = 22,
    kRedMask = 23,
    kGreenMask = 24,
    kBlueMask = 25,
    kAlphaMask = 26,
    kCaps2 = 28,
};

// What the texture creation is handed for a header: format code, bytes per texel or block, compressed flag.
struct DDSLayout {
    uint32_t format = 0;
    uint32_t bytesPerUnit = 0;
    bool compressed = false;
};

// The layout of a known pixel format: DXT1, DXT3, DXT5, or uncompressed 24-bit B, G, R and 32-bit B, G, R, A
// (or X). False for anything else, a file claiming both compressed and uncompressed data included.
bool LayoutOf(const uint32_t* h, DDSLayout& layout)
{
    const bool fourCC = (h[kPixelFlags] & kDDSFourCC) != 0;
    const bool rgb = (h[kPixelFlags] & kDDSRGB) != 0;
    if (fourCC == rgb)
        return false;
    if (fourCC) {
        layout.compressed = true;
        if (h[kPixelFourCC] == FourCC("DXT1")) {
            layout.format = RRenderer::FORMAT_DXT1;
            layout.bytesPerUnit = 8;
        } else if (h[kPixelFourCC] == FourCC("DXT3")) {
            layout.format = RRenderer::FORMAT_DXT3;
            layout.bytesPerUnit = 16;
        } else if (h[kPixelFourCC] == FourCC("DXT5")) {
            layout.format = RRenderer::FORMAT_DXT5;
            layout.bytesPerUnit = 16;
        } else {
            return false;
        }
        return true;
    }
    const uint32_t bits = h[kRGBBits];
    if ((bits != 24 && bits != 32) || h[kRedMask] != 0x00FF0000u || h[kGreenMask] != 0x0000FF00u ||
        h[kBlueMask] != 0x000000FFu || (bits == 32 && h[kAlphaMask] != 0xFF000000u && h[kAlphaMask] != 0))
        return false;
    layout.format = bits == 32 ? RRenderer::FORMAT_RGBA : RRenderer::FORMAT_RGB;
    layout.bytesPerUnit = bits / 8;
    return true;
}

uint32_t HalfOf(uint32_t side)
{
    return side > 1 ? side / 2 : 1;
}

}  // namespace

bool RRenderer::LoadDDS(const char* fileName, RGLObjectTexture** out, uint32_t* width, uint32_t* height,
                        uint32_t* mipCount, bool* cube, uint32_t mode)
{
    if (!out)
        return false;
    *out = nullptr;
    if (!fileName || !m_device->IsLive())
        return false;
    RStreamMgr* streams = RStreamMgr::GetInstance();
    // A pack entry's stream runs on past the entry, so the size comes from the manager.
    const uint32_t fileSize = streams->GetFileSize(fileName, mode);
    if (fileSize == 0xFFFFFFFFu || fileSize < 128)
        return false;
    FILE* file = nullptr;
    if (streams->OpenFile(&file, fileName, mode) != 0 || !file)
        return false;

    uint8_t bytes[128];
    uint32_t h[32];
    const bool headerRead = fread(bytes, 1, sizeof(bytes), file) == sizeof(bytes);
    for (int i = 0; i < 32; ++i)
        h[i] = (uint32_t)bytes[i * 4] | (uint32_t)bytes[i * 4 + 1] << 8 | (uint32_t)bytes[i * 4 + 2] << 16 |
               (uint32_t)bytes[i * 4 + 3] << 24;

    const uint32_t maxSide = m_device->GetMaxTextureSize();
    DDSLayout layout;
    bool ok = headerRead && h[kMagic] == kDDSMagic && h[kSize] == kDDSHeaderSize && h[kWidth] >= 1 &&
              h[kHeight] >= 1 && maxSide > 0 && h[kWidth] <= maxSide && h[kHeight] <= maxSide &&
              LayoutOf(h, layout);

    uint32_t levels = (h[kFlags] & kDDSMipCountValid) ? h[kMipCount] : 1;
    if (ok) {
        // The levels that will be read, a chain beyond 1 x 1 capped as the texture creation caps it, must all
        // be in the file before anything is made.
        uint32_t fullChain = 1;
        for (uint32_t side = h[kWidth] > h[kHeight] ? h[kWidth] : h[kHeight]; side > 1; side /= 2)
            ++fullChain;
        if (levels > fullChain)
            levels = fullChain;
        uint64_t needed = 0;
        uint32_t w = h[kWidth];
        uint32_t ht = h[kHeight];
        for (uint32_t level = 0; level < (levels ? levels : 1); ++level, w = HalfOf(w), ht = HalfOf(ht))
            needed += layout.compressed ? (uint64_t)((w + 3) / 4) * ((ht + 3) / 4) * layout.bytesPerUnit
                                        : (uint64_t)w * ht * layout.bytesPerUnit;
        ok = needed <= (uint64_t)fileSize - 128;
    }

    uint32_t createdMips = 0;
    if (ok)
        ok = CreateTexture(h[kWidth], h[kHeight], layout.format, levels, false, out, &createdMips, file,
                           layout.bytesPerUnit, layout.compressed);
    fclose(file);
    if (!ok)
        return false;
    if (width)
        *width = h[kWidth];
    if (height)
        *height = h[kHeight];
    if (mipCount)
        *mipCount = createdMips;
    if (cube)
        *cube = (h[kCaps2] & kDDSCubeMap) != 0;
    return true;
}

RTexture* RRenderer::LoadTexture(const char* fileName, RHashedString name)
{
    return RTexMgr::GetInstance()->LoadTexture(fileName, name);
}

void RRenderer::UnloadTexture(RHashedString name)
{
    RTexMgr::GetInstance()->UnloadTexture(name);
}

RTexture* RRenderer::CreateNamedTexture(uint32_t width, uint32_t height, uint32_t format, RHashedString name,
                                        bool mips, bool dynamic, bool cube)
{
    return RTexMgr::GetInstance()->CreateTexture(width, height, format, name, mips, dynamic, cube);
}
