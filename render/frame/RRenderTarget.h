// RRenderTarget: an off-screen framebuffer with a colour texture, made at the size and in the format its record
// holds, and a depth-stencil renderbuffer (RRenderer::CreateRenderTarget).
// Whoever constructs a target owns it; the record owns its GL wrappers, and the renderer lists the target so that
// a device reset re-creates it at the size the record then holds. A named target's colour texture is registered
// with the texture manager under its name, so it can be sampled.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"

class RGLObjectRenderTarget;
class RGLObjectTexture;
class RGLObjectRenderBuffer;

class RRenderTarget {
public:
    // The size of a target that has not been given one.
    static constexpr uint32_t kNoSize = 0xFFFFFFFF;

    // An empty record: no size, RGBA, no GL side, not listed.
    RRenderTarget() = default;
    // Fills the record and creates the GL side (Create).
    RRenderTarget(RHashedString name, uint32_t width, uint32_t height, uint32_t format, uint8_t flag,
                  uint8_t depthFlag);
    // Destroy, out of the renderer's list, out of every pass that draws into it or makes it current, and no
    // longer the renderer's current render target.
    ~RRenderTarget();
    RRenderTarget(const RRenderTarget&) = delete;
    RRenderTarget& operator=(const RRenderTarget&) = delete;

    // Fills the record and runs Recreate (name, not a reset).
    bool Create(RHashedString name, uint32_t width, uint32_t height, uint32_t format, uint8_t flag,
                uint8_t depthFlag);
    // Creates the GL side at the record's size through RRenderer::CreateRenderTarget, first destroying any it
    // had (Destroy, kept in the list). Outside a reset a non-empty name is stored; a reset keeps the stored name
    // and does not list the target again. A named target's colour texture then replaces the texture of that name
    // in RTexMgr, the target holding one reference on the name. False when the GL side could not be made, as for
    // a side of 0 or no size: the target stays listed without one, passes drawing into it draw nothing, and a
    // later reset at a real size makes it.
    bool Recreate(RHashedString name, bool reset);
    // Releases the target's reference on its named texture in RTexMgr and deletes the GL side; unless
    // keepInList, the renderer forgets the target. Whoever still holds the name finds it absent, never a
    // deleted texture.
    void Destroy(bool keepInList);
    // Binds the framebuffer for drawing (RRenderer::BindRenderTarget).
    void Bind(uint32_t index);
    // Hands the colour texture and the buffer to RRenderer::ReadRenderTargetPixels, which leaves the buffer as
    // it is on this device.
    void ReadPixels(uint32_t* buffer);

    uint32_t width = kNoSize;
    uint32_t height = kNoSize;
    uint32_t format = 2;  // a texture format code of RRenderer::CreateTexture
    uint8_t flag = 0;
    uint8_t depthAttached = 0;  // raised while the depth-stencil renderbuffer is attached
    RHashedString name;
    RGLObjectRenderTarget* framebuffer = nullptr;
    RGLObjectTexture* colourTexture = nullptr;
    RGLObjectRenderBuffer* depthBuffer = nullptr;
};
