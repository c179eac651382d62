// RTexture: the engine's texture, a GL texture with a hashed name, a size, a mip count and a cube flag. It is
// loaded from a ".bmp" or ".dds" file, created blank, or wraps a GL texture someone else owns (a render target's
// colour texture). It owns its GL texture unless wrapping. A texture whose file could not be read has no GL
// texture; users treat it as absent. RTexMgr owns the named, shared textures.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"

class RGLObjectTexture;

class RTexture {
public:
    static constexpr uint32_t kUnset = 0xFFFFFFFFu;

    // From a file, chosen by its last four characters compared exactly: ".bmp" or ".dds". A file from a folder
    // (a mod's, say) that cannot be read gives way to the packed file of the same name. Any other name, or a
    // file that cannot be read from anywhere, leaves the texture without a GL texture, 0 x 0. A ".bmp" or ".dds"
    // file that is missing or cannot be read is named (RRenderer::ReportContentProblem).
    RTexture(const char* fileName, RHashedString name);
    // Wraps a GL texture that stays its owner's; width, height and mip count are unset.
    RTexture(RGLObjectTexture* glTexture, RHashedString name);
    // Blank, width x height in a texture format code (RRenderer::FORMAT_*): one level, or a full chain with
    // mips. A cube texture has an edge of the largest power of two not above the smaller side; this device
    // makes no GL texture for it.
    RTexture(uint32_t width, uint32_t height, uint32_t format, RHashedString name, bool mips, bool dynamic,
             bool cube);
    virtual ~RTexture();
    RTexture(const RTexture&) = delete;
    RTexture& operator=(const RTexture&) = delete;

    // The level's texels (B, G, R, A bytes, the level's width x height), written back by Unlock; null without
    // a GL texture or for a level the texture does not have. The flag is handed on and not read.
    uint8_t* Lock(uint32_t level, bool flag);
    void Unlock(uint32_t level);

    // The largest power of two not above the smaller argument; at least 1.
    static int32_t LargestPowerOfTwo(int32_t a, int32_t b);

    RHashedString GetName() const { return m_name; }
    // Null when the texture is absent (no file, an unreadable file, a cube texture on this device).
    RGLObjectTexture* GetGLTexture() const { return m_glTexture; }
    bool HasGLTexture() const { return m_glTexture != nullptr; }
    bool IsWrapped() const { return m_wrapped; }
    bool IsCube() const { return m_cube; }
    uint32_t GetWidth() const { return m_width; }
    uint32_t GetHeight() const { return m_height; }
    uint32_t GetMipCount() const { return m_mipCount; }

private:
    // Make the GL texture from a ".dds" file or a ".bmp" file (its pixels as one RGBA level, top row first),
    // looked up in the sources mode allows (RStreamMgr::SearchMode). False, with nothing made, when they cannot.
    bool LoadDDS(const char* fileName, uint32_t mode);
    bool LoadBMP(const char* fileName, uint32_t mode);

    RHashedString m_name;
    RGLObjectTexture* m_glTexture = nullptr;
    bool m_wrapped = false;
    bool m_cube = false;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint32_t m_mipCount = kUnset;
};
