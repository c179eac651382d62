#include "render/frame/RRenderTarget.h"

#include "render/frame/RRenderer.h"
#include "render/images/RTexMgr.h"

RRenderTarget::RRenderTarget(RHashedString targetName, uint32_t targetWidth, uint32_t targetHeight,
                             uint32_t targetFormat, uint8_t targetFlag, uint8_t depthFlag)
{
    Create(targetName, targetWidth, targetHeight, targetFormat, targetFlag, depthFlag);
}

RRenderTarget::~RRenderTarget()
{
    Destroy(false);
    // Never creates a renderer at shut-down.
    if (RRenderer::HasInstance())
        RRenderer::GetInstance()->ForgetRenderTarget(this);
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
        Destroy(true);
    if (!reset && !newName.IsEmpty())
        name = newName;
    if (!RRenderer::GetInstance()->CreateRenderTarget(this, &framebuffer, &colourTexture, &depthBuffer, reset))
        return false;
    if (!name.IsEmpty()) {
        RTexMgr* textures = RTexMgr::GetInstance();
        bool heldByOthers = textures->HasTexture(name);
        textures->ReplaceTexture(colourTexture, name);
        // Replacing keeps the others' count: the target's own reference is added to it (a known name is only
        // counted, never loaded from the file name).
        if (heldByOthers)
            textures->LoadTexture("", name);
    }
    return true;
}

void RRenderTarget::Destroy(bool keepInList)
{
    // Only a target that has its texture registered lets go of it, and a manager already shut down stays so.
    if (colourTexture && !name.IsEmpty() && RTexMgr::HasInstance()) {
        RTexMgr* textures = RTexMgr::GetInstance();
        // Others keep the name after this reference goes: they must find it absent, not wrapping a texture
        // deleted below.
        if (textures->GetReferenceCount(name) > 1)
            textures->ReplaceTexture(nullptr, name);
        textures->UnloadTexture(name);
    }
    RRenderer::DestroyRenderTarget(this, &framebuffer, &colourTexture, &depthBuffer, keepInList);
}

void RRenderTarget::Bind(uint32_t index)
{
    RRenderer::GetInstance()->BindRenderTarget(this, index);
}

void RRenderTarget::ReadPixels(uint32_t* buffer)
{
    RRenderer::GetInstance()->ReadRenderTargetPixels(colourTexture, buffer);
}
