#include "render/frame/RRenderGroup.h"

#include <functional>

#include "render/materials/RMaterialInterface.h"
#include "render/materials/RRenderableInterface.h"
#include "render/effects/RTechnique.h"

namespace {

// The six keys a group sorts by, in order.
struct SortKeys {
    const void* keys[6];
};

SortKeys KeysOf(RRenderableInterface* renderable, RHashedString renderPassId)
{
    RMaterialInterface* material = renderable ? renderable->GetMaterial() : nullptr;
    RTechnique* technique = material ? material->GetTechniqueForPass(renderPassId) : nullptr;
    SortKeys sortKeys;
    sortKeys.keys[0] = technique ? technique->GetOwner() : nullptr;
    sortKeys.keys[1] = technique;
    sortKeys.keys[2] = material ? material->GetTemplate() : nullptr;
    sortKeys.keys[3] = material ? material->GetInstance() : nullptr;
    sortKeys.keys[4] = renderable ? renderable->GetTemplate() : nullptr;
    sortKeys.keys[5] = renderable ? renderable->GetInstance() : nullptr;
    return sortKeys;
}

}  // namespace

void RRenderGroup::AddRenderable(RRenderableInterface* renderable)
{
    if (renderable)
        renderables.pushUniqueElement(renderable);
}

void RRenderGroup::RemoveRenderable(RRenderableInterface* renderable)
{
    renderables.eraseElement(renderable);
}

void RRenderGroup::Sort(RHashedString renderPassId)
{
    renderables.sort(&RRenderGroup::CompareRenderables, &renderPassId);
}

int RRenderGroup::CompareRenderables(RRenderableInterface* const* a, RRenderableInterface* const* b, void* context)
{
    RHashedString renderPassId = context ? *static_cast<const RHashedString*>(context) : RHashedString();
    SortKeys left = KeysOf(*a, renderPassId);
    SortKeys right = KeysOf(*b, renderPassId);
    // Addresses are compared, never subtracted: a difference of two pointers does not fit an int.
    std::less<const void*> before;
    for (int i = 0; i < 6; ++i) {
        if (before(left.keys[i], right.keys[i]))
            return -1;
        if (before(right.keys[i], left.keys[i]))
            return 1;
    }
    return 0;
}

RTechnique* RRenderGroup::TechniqueFor(RRenderableInterface* renderable, RHashedString renderPassId)
{
    RMaterialInterface* material = renderable ? renderable->GetMaterial() : nullptr;
    return material ? material->GetTechniqueForPass(renderPassId) : nullptr;
}
