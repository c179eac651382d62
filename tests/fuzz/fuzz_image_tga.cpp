// TGA images read from a file
#include "ImageTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzImage(data, size, "input.tga", &RImage::LoadTGA, nullptr);
}
