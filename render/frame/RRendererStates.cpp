// RRenderer: render and sampler states of the current pass and the keyword tables of state files, kept by the
// device.
#include "render/frame/RRenderer.h"

#include "render/device/RGLDevice.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

uint32_t RRenderer::ParseCompareFunc(RHashedString value)
{
    return RGLDevice::ParseCompareFunc(value);
}

uint32_t RRenderer::ParseBlendFactor(RHashedString value)
{
    return RGLDevice::ParseBlendFactor(value);
}

bool RRenderer::ParseCullMode(RHashedString value, uint32_t* frontFace, bool* cullEnable)
{
    return RGLDevice::ParseCullMode(value, frontFace, cullEnable);
}

uint32_t RRenderer::ParseFillMode(RHashedString value)
{
    return RGLDevice::ParseFillMode(value);
}

bool RRenderer::ParseBool(RHashedString value)
{
    return RGLDevice::ParseBool(value);
}

void RRenderer::ApplyEnable(RHashedString value, uint32_t capability)
{
    if (RRenderer* renderer = LiveInstance())
        renderer->m_device->ApplyEnable(value, capability);
}

uint32_t RRenderer::ParseAddressMode(RHashedString value)
{
    return RGLDevice::ParseAddressMode(value);
}

uint32_t RRenderer::ParseFilter(RHashedString value)
{
    return RGLDevice::ParseFilter(value);
}

void RRenderer::ParseBorderColor(const char* value, float rgba[4])
{
    RGLDevice::ParseBorderColor(value, rgba);
}

void RRenderer::ApplyRenderStates()
{
    m_device->ApplyRenderStates(m_currentTechniquePass);
}

void RRenderer::ApplySamplerStates(RHashedString uniformName, RHashedString textureName)
{
    if (!m_device->IsLive() || !m_currentTechniquePass)
        return;
    // A texture the texture manager does not hold counts as one level.
    const RTexture* texture = RTexMgr::HasInstance() ? RTexMgr::GetInstance()->GetTexture(textureName) : nullptr;
    uint32_t levels = texture ? texture->GetMipCount() : 1;
    if (levels == RTexture::kUnset)
        levels = 1;
    m_device->ApplySamplerStates(m_currentTechniquePass, uniformName, levels);
}
