// Effect descriptions: the input is "input_GLSL.xml"; every pass it names is made and looks for its state file
// and shader sources, which are missing, so nothing is compiled.
#include "RendererTarget.h"
#include "render/device/RGLObject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RRenderer* renderer = StartRenderer();
    WriteInput("input_GLSL.xml", data, size);
    RGLObjectShader* effect = nullptr;
    renderer->CreateEffect("input.fxo", &effect);
    if (effect)
        RRenderer::DestroyEffect(effect);
    return 0;
}
