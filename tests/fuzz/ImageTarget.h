// One fuzz target per image format: the input is written under the format's file extension and read with
// LoadImage through the stream manager, as content is; where the format has a writer (SaveImage non-null), an image that loads is written and read back and
// must give the same pixels.
#pragma once

#include "FuzzSupport.h"
#include "core/files/RStreamMgr.h"
#include "render/images/RImage.h"

inline bool SamePixels(const RImage& a, const RImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (int32_t y = 0; y < a.GetHeight(); ++y) {
        for (int32_t x = 0; x < a.GetWidth(); ++x) {
            if (a.GetPixel(x, y) != b.GetPixel(x, y))
                return false;
        }
    }
    return true;
}

inline int FuzzImage(const uint8_t* data, size_t size, const char* name, bool (RImage::*LoadImage)(const char*, uint32_t),
                     bool (RImage::*SaveImage)(const char*) const)
{
    WriteInput(name, data, size);
    RImage image;
    if (!(image.*LoadImage)(name, RStreamMgr::kPacksAndFolders) || !SaveImage)
        return 0;
    const std::string output = std::string("output-") + name;
    FUZZ_CHECK((image.*SaveImage)((FuzzFolder() + output).c_str()));
    RImage again;
    FUZZ_CHECK((again.*LoadImage)(output.c_str(), RStreamMgr::kPacksAndFolders));
    FUZZ_CHECK(SamePixels(image, again));
    return 0;
}
