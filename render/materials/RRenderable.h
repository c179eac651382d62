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

    // Whether the template draws a run of its instances at once (RenderRun): the draw loop then hands it every
    // run of its instances that come together in a group and share one material, and sends no instance-scope
    // shader parameters for them. False for a plain renderable, whose instances are drawn one by one.
    virtual bool DrawsRuns() const { return false; }
    // Draws the instances, in the order given, as if each were drawn by RenderWith in turn. Each is bound to this
    // template and visible and all share one material, whose parameters and the template's are sent.
    virtual void RenderRun(RRenderer* renderer, RRenderableInst* const* instances, uint32_t count) {}

    // Nothing to release or renew for a plain renderable.
    void ReleaseDynamic() override {}
    void RenewDynamic() override {}
};
