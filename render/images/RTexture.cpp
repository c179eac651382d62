#include "render/images/RTexture.h"

#include <cstdio>
#include <cstring>

#include "core/files/RStreamMgr.h"
#include "core/types/RString.h"
#include "render/device/RGLObject.h"
#include "render/images/RImage.h"
#include "render/frame/RRenderer.h"

RTexture::RTexture(const char* fileName, RHashedString name) : m_name(name)
{
    const size_t length = fileName ? strlen(fileName) : 0;
    if (length < 4)
        return;
    const char* ending = fileName + length - 4;
    bool (RTexture::*load)(const char*, uint32_t) = nullptr;
    if (strcmp(ending, ".bmp") == 0)
        load = &RTexture::LoadBMP;
    else if (strcmp(ending, ".dds") == 0)
        load = &RTexture::LoadDDS;
    // Without a context nothing is made, and no file is at fault.
    const uint32_t anywhere = RStreamMgr::kPacksAndFolders;
    if (!load || !RRenderer::GetInstance()->IsInitialised() || (this->*load)(fileName, anywhere))
        return;
    // A damaged file from a folder (a mod, say) gives way to the packed file of the same name.
    RStreamMgr* streams = RStreamMgr::GetInstance();
    const char* what = streams->Exists(fileName, anywhere) ? " could not be read" : " was not found";
    if (streams->IsInFolder(fileName, anywhere) && streams->Exists(fileName, RStreamMgr::kPacksOnly))
        what = (this->*load)(fileName, RStreamMgr::kPacksOnly)
                   ? " could not be read and is drawn from the packs instead"
                   : " could not be read, from the packs either";
    RRenderer::ReportContentProblem(RString("The texture ") + fileName + what);
}

RTexture::RTexture(RGLObjectTexture* glTexture, RHashedString name)
    : m_name(name), m_glTexture(glTexture), m_wrapped(true), m_width(kUnset), m_height(kUnset)
{
}

RTexture::RTexture(uint32_t width, uint32_t height, uint32_t format, RHashedString name, bool mips, bool dynamic,
                   bool cube)
    : m_name(name), m_cube(cube), m_width(width), m_height(height)
{
    RRenderer* renderer = RRenderer::GetInstance();
    if (cube) {
        const int32_t edge = LargestPowerOfTwo(static_cast<int32_t>(width < 0x7FFFFFFFu ? width : 0x7FFFFFFFu),
                                               static_cast<int32_t>(height < 0x7FFFFFFFu ? height : 0x7FFFFFFFu));
        renderer->CreateCubeTexture(static_cast<uint32_t>(edge), format, mips ? 0 : 1, &m_glTexture, &m_mipCount);
        return;
    }
    renderer->CreateTexture(width, height, format, mips ? 0 : 1, dynamic, &m_glTexture, &m_mipCount, nullptr, 0,
                            false);
}

RTexture::~RTexture()
{
    m_name = RHashedString();
    // Every GL texture this device made, a cube file's included, is a plain 2D texture.
    if (!m_wrapped)
        RRenderer::DeleteTexture(&m_glTexture);
    m_glTexture = nullptr;
}

bool RTexture::LoadDDS(const char* fileName, uint32_t mode)
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mipCount = kUnset;
    bool cube = false;
    if (!RRenderer::GetInstance()->LoadDDS(fileName, &m_glTexture, &width, &height, &mipCount, &cube, mode))
        return false;
    m_width = width;
    m_height = height;
    m_mipCount = mipCount;
    m_cube = cube;
    return true;
}

bool RTexture::LoadBMP(const char* fileName, uint32_t mode)
{
    RImage image;
    if (!image.LoadBMP(fileName, mode))
        return false;
    const uint32_t width = static_cast<uint32_t>(image.GetWidth());
    const uint32_t height = static_cast<uint32_t>(image.GetHeight());
    RRenderer* renderer = RRenderer::GetInstance();
    RGLObjectTexture* texture = nullptr;
    uint32_t mipCount = kUnset;
    if (!renderer->CreateTexture(width, height, RRenderer::FORMAT_RGBA, 1, false, &texture, &mipCount, nullptr, 0,
                                 false))
        return false;
    uint8_t* texels = renderer->LockTexture(texture, 0);
    if (!texels) {
        RRenderer::DeleteTexture(&texture);
        return false;
    }
    // One packed colour per texel, stored B, G, R, A; the image's top row first, no padding.
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t colour = image.GetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
            uint8_t* texel = texels + (static_cast<uint64_t>(y) * width + x) * 4;
            texel[0] = static_cast<uint8_t>(colour);
            texel[1] = static_cast<uint8_t>(colour >> 8);
            texel[2] = static_cast<uint8_t>(colour >> 16);
            texel[3] = static_cast<uint8_t>(colour >> 24);
        }
    renderer->UnlockTexture(texture, 0);
    image.Release();
    m_glTexture = texture;
    m_width = width;
    m_height = height;
    m_mipCount = mipCount;
    m_cube = false;
    return true;
}

uint8_t* RTexture::Lock(uint32_t level, bool flag)
{
    return m_glTexture ? RRenderer::GetInstance()->LockTexture(m_glTexture, level) : nullptr;
}

void RTexture::Unlock(uint32_t level)
{
    if (m_glTexture)
        RRenderer::GetInstance()->UnlockTexture(m_glTexture, level);
}

int32_t RTexture::LargestPowerOfTwo(int32_t a, int32_t b)
{
    const int64_t smaller = a < b ? a : b;
    int64_t power = 1;
    while (power * 2 <= smaller)
        power *= 2;
    return static_cast<int32_t>(power);
}
