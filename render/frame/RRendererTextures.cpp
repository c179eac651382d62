// RRenderer: textures and render targets, made and bound through the device.
#include "render/frame/RRenderer.h"

#include "render/device/RGLDevice.h"
#include "render/device/RGLObjMgr.h"
#include "render/device/RGLObject.h"
#include "render/frame/RRenderTarget.h"

bool RRenderer::CreateTexture(uint32_t width, uint32_t height, uint32_t format, uint32_t mipCount, bool dynamic,
                              RGLObjectTexture** out, uint32_t* outMipCount, FILE* pixels, uint32_t bytesPerUnit,
                              bool blockCompressed)
{
    return m_device->CreateTexture(width, height, format, mipCount, out, outMipCount, pixels, bytesPerUnit,
                                   blockCompressed);
}

void RRenderer::DeleteTexture(RGLObjectTexture** texture)
{
    if (!texture || !*texture)
        return;
    if (RRenderer* renderer = LiveInstance())
        renderer->m_device->DeleteTexture(*texture);
    RGLObjMgr::DestroyObject(*texture);
    *texture = nullptr;
}

uint8_t* RRenderer::LockTexture(RGLObjectTexture* texture, uint32_t level)
{
    return m_device->LockTexture(texture, level);
}

void RRenderer::UnlockTexture(RGLObjectTexture* texture, uint32_t level)
{
    m_device->UnlockTexture(texture, level);
}

void RRenderer::CreateCubeTexture(uint32_t edge, uint32_t format, uint32_t mipCount, RGLObjectTexture** out,
                                  uint32_t* outMipCount)
{
    if (out)
        *out = nullptr;
    if (outMipCount)
        *outMipCount = mipCount;
}

bool RRenderer::CreateRenderTarget(RRenderTarget* target, RGLObjectRenderTarget** fbo, RGLObjectTexture** colour,
                                   RGLObjectRenderBuffer** depth, bool keepOutOfList)
{
    if (!target || !fbo || !colour || !depth)
        return false;
    *fbo = nullptr;
    *depth = nullptr;
    if (!keepOutOfList)
        m_renderTargets.pushUniqueElement(target);
    uint32_t mipCount = 0;
    if (!CreateTexture(target->width, target->height, target->format, 1, false, colour, &mipCount, nullptr, 0,
                       false))
        return false;
    *fbo = m_device->CreateFramebuffer(*colour);
    // Every target carries its depth-stencil renderbuffer, whether or not anything tests depth in it: into a
    // colour buffer without one, Mesa's llvmpipe rasterises rectangles through its linear path, which loses
    // blended quads that multiply two textures (the menu buttons drew nothing in RGBA targets).
    *depth = m_device->AttachDepthStencil(*fbo, (*colour)->width, (*colour)->height);
    target->depthAttached = *depth ? 1 : 0;
    return true;
}

void RRenderer::BindRenderTarget(RRenderTarget* target, uint32_t index)
{
    if (!m_device->IsLive() || !target)
        return;
    if (!target->framebuffer) {
        if (index == 0)
            BindDefaultTarget();
        return;
    }
    m_device->BindFramebuffer(target->framebuffer);
    if (index == 0) {
        m_device->SetTargetSize(target->width, target->height);
        m_device->SetViewport(0, 0, static_cast<int32_t>(target->width), static_cast<int32_t>(target->height));
    }
}

void RRenderer::DestroyRenderTarget(RRenderTarget* target, RGLObjectRenderTarget** fbo, RGLObjectTexture** colour,
                                    RGLObjectRenderBuffer** depth, bool keepInList)
{
    RRenderer* live = LiveInstance();
    if (colour)
        DeleteTexture(colour);
    if (depth && *depth) {
        if (live)
            live->m_device->DeleteRenderbuffer(*depth);
        RGLObjMgr::DestroyObject(*depth);
        *depth = nullptr;
    }
    if (fbo && *fbo) {
        if (live)
            live->m_device->DeleteFramebuffer(*fbo);
        RGLObjMgr::DestroyObject(*fbo);
        *fbo = nullptr;
    }
    if (!keepInList && s_instance)
        s_instance->m_renderTargets.eraseElement(target);
}

void RRenderer::BindDefaultTarget()
{
    if (!m_device->IsLive())
        return;
    m_device->BindFramebuffer(nullptr);
    m_device->SetTargetSize(m_backBufferWidth, m_backBufferHeight);
    m_device->SetViewport(0, 0, static_cast<int32_t>(m_backBufferWidth), static_cast<int32_t>(m_backBufferHeight));
}
