// Raw pixel files: the first two bytes of the input choose the width and height the caller asks for.
#include "ImageTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    WriteInput("input.raw", data + 2, size - 2);
    RImage image;
    image.LoadRaw("input.raw", (int8_t)data[0], (int8_t)data[1]);
    return 0;
}
