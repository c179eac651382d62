// Render-state files: the input is a pass's state file, read into its attribute, render-state and sampler-state
// maps, whose states are then applied to the GL context.
#include "RendererTarget.h"
#include "render/device/RGLObject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RRenderer* renderer = StartRenderer();
    RGLObjectTechniquePass pass;
    pass.stateFile.LoadFromMemory(reinterpret_cast<const char*>(data), (uint32_t)size, true, true);
    pass.ReadAttributes();
    pass.ReadRenderStates();
    pass.ReadSamplerStates();
    renderer->SetCurrentTechniquePass(&pass);
    renderer->ApplyRenderStates();
    for (RUtilMapIter<RUtilMap<RHashedString, RHashedString>, RHashedString> sampler(pass.samplerStates);
         sampler.isValid(); sampler.next())
        renderer->ApplySamplerStates(sampler.getKey(), RHashedString("texture"));
    renderer->SetCurrentTechniquePass(nullptr);
    renderer->SetDefaultState();
    return 0;
}
