// ".uv" glyph metrics, read through the stream manager into a font made without a GL context.
#include "FuzzSupport.h"
#include "render/text/RFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteInput("input.uv", data, size);
    RFont font;
    font.LoadGlyphMetrics("input.uv");
    return 0;
}
