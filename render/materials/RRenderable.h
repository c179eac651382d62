// RRenderable: a renderable template. It owns what is drawn (in its subclasses), draws for itself and for every
// RRenderableInst bound to it, and counts those instances (see RInstanceTemplate). As an RResource it has the device-reset hooks; a subclass holding GL objects that a reset loses
// registers itself with the renderer and overrides them. A template leaves the renderer's resource list when it
// is destroyed.
#pragma once

#include <cstdint>

#include "render/materials/RInstanceTemplate.h"
#include "render/materials/RRenderableInst.h"
#include "render/materials/RRenderableInterface.h"
#include "render/device/RResource.h"

class RRenderable : public RRenderableInterface,
                    public RResource,
                    public RInstanceTemplate<RRenderable, RRenderableInst> {
public:
    RRenderable() = default;
    // Leaves the renderer's resource list and render groups; the instances still bound are unbound.
    ~RRenderable() override;
    // A copy is a fresh template: visible, no material, no instances, no informant link.
    RRenderable(const RRenderable&) : RRenderableInterface(), RResource(), RInstanceTemplate() {}
    // Changes nothing of the renderable part.
    RRenderable& operator=(const RRenderable&) { return *this; }

    RRenderableInst* GetInstance() override { return nullptr; }
    RRenderable* GetTemplate() override { return this; }
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override {}

    // Nothing to release or renew for a plain renderable.
    void ReleaseDynamic() override {}
    void RenewDynamic() override {}
};
