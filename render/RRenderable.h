// RRenderable: a renderable template. It owns what is drawn (in its subclasses), draws for itself and for every
// RRenderableInst bound to it, and counts those instances without owning them: when it goes first, it unbinds
// them. As an RResource it has the device-reset hooks; a subclass holding GL objects that a reset loses
// registers itself with the renderer and overrides them. A template leaves the renderer's resource list when it
// is destroyed.
#pragma once

#include <cstdint>

#include "core/RUtilVector.h"
#include "render/RRenderableInterface.h"
#include "render/RResource.h"

class RRenderable : public RRenderableInterface, public RResource {
public:
    RRenderable() = default;
    // Unbinds every instance still bound (their template becomes null; no hook runs) and leaves the
    // renderer's resource list.
    ~RRenderable() override;
    // A copy is a fresh template: visible, no material, no instances, no informant link.
    RRenderable(const RRenderable&) : RRenderableInterface(), RResource() {}
    // Changes nothing of the renderable part.
    RRenderable& operator=(const RRenderable&) { return *this; }

    RRenderableInst* GetInstance() override { return nullptr; }
    RRenderable* GetTemplate() override { return this; }
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override {}

    // Nothing to release or renew for a plain renderable.
    void ReleaseDynamic() override {}
    void RenewDynamic() override {}

    // A new instance bound to this template, visible, without a material of its own; the caller owns it.
    RRenderableInst* CreateInstance();
    // Binds the instance to this template, first releasing it from the template it was bound to. Runs
    // OnFirstInstance just before the count goes from 0 to 1. Nothing for null or an instance bound here already.
    void AddInstance(RRenderableInst* instance);
    // Unbinds the instance. Runs OnLastInstance when the count goes from 1 to 0, before the instance's template
    // becomes null. Nothing for null or an instance not bound to this template, so the count never underflows.
    void RemoveInstance(RRenderableInst* instance);
    uint32_t GetInstanceCount() const { return m_instances.getCount(); }

protected:
    virtual void OnFirstInstance() {}
    virtual void OnLastInstance() {}

private:
    // The instances bound to this template, each once; their number is the instance count.
    RUtilVector<RRenderableInst*> m_instances;
};
