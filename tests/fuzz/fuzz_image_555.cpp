// 555 images read from a file, written and read back
#include "ImageTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzImage(data, size, "input.555", &RImage::Load555, &RImage::Save555);
}
