// DDS textures: the header checks, then the levels it announces uploaded into a GL texture.
#include "RendererTarget.h"
#include "render/device/RGLObject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RRenderer* renderer = StartRenderer();
    WriteInput("input.dds", data, size);
    RGLObjectTexture* texture = nullptr;
    uint32_t width = 0, height = 0, mips = 0;
    bool cube = false;
    if (renderer->LoadDDS("input.dds", &texture, &width, &height, &mips, &cube))
        RRenderer::DeleteTexture(&texture);
    return 0;
}
