#include "render/RRenderTarget.h"

#include "render/RRenderer.h"
#include "render/RTexMgr.h"

RRenderTarget::RRenderTarget(RHashedString targetName, uint32_t targetWidth, uint32_t targetHeight,
                             uint32_t targetFormat, uint8_t targetFlag, uint8_t depthFlag)
{
    Create(targetName, targetWidth, targetHeight, targetFormat, targetFlag, depthFlag);
}

RRenderTarget::~RRenderTarget()
{
    Destroy(false);
}

bool RRenderTarget::Create(RHashedString targetName, uint32_t targetWidth, uint32_t targetHeight,
                           uint32_t targetFormat, uint8_t targetFlag, uint8_t depthFlag)
{
    width = targetWidth;
    height = targetHeight;
    format = targetFormat;
    flag = targetFlag;
    depthAttached = depthFlag;
    return Recreate(targetName, false);
}

bool RRenderTarget::Recreate(RHashedString newName, bool reset)
{
    if (framebuffer || colourTexture || depthBuffer)
        RRenderer::DestroyRenderTarget(this, &framebuffer, &colourTexture, &depthBuffer, true);
    if (!reset && !newName.IsEmpty())
        name = newName;
    if (!RRenderer::GetInstance()->CreateRenderTarget(this, &framebuffer, &colourTexture, &depthBuffer, reset))
        return false;
    if (!name.IsEmpty())
        RTexMgr::GetInstance()->ReplaceTexture(colourTexture, name);
    return true;
}

void RRenderTarget::Destroy(bool keepInList)
{
    // Only a target that has its texture registered lets go of it, and a manager already shut down stays so.
    if (colourTexture && !name.IsEmpty() && RTexMgr::HasInstance())
        RTexMgr::GetInstance()->UnloadTexture(name);
    RRenderer::DestroyRenderTarget(this, &framebuffer, &colourTexture, &depthBuffer, keepInList);
}

void RRenderTarget::Bind(uint32_t index)
{
    RRenderer::GetInstance()->BindRenderTarget(this, index);
}
