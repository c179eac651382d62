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

// -1, 0 or 1 as the keys of a come before, with or after those of b.
int CompareKeys(const SortKeys& left, const SortKeys& right)
{
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

}  // namespace

void RRenderGroup::AddRenderable(RRenderableInterface* renderable)
{
    if (!renderable)
        return;
    const uint32_t count = m_renderables.getCount();
    m_renderables.pushUniqueElement(renderable);
    if (m_renderables.getCount() != count)
        m_sorted = false;
}

void RRenderGroup::RemoveRenderable(RRenderableInterface* renderable)
{
    m_renderables.eraseElement(renderable);
}

void RRenderGroup::Sort(RHashedString renderPassId)
{
    if (m_sorted && m_sortedFor == renderPassId && InOrder(renderPassId))
        return;
    m_renderables.sort(&RRenderGroup::CompareRenderables, &renderPassId);
    m_sorted = true;
    m_sortedFor = renderPassId;
}

bool RRenderGroup::InOrder(RHashedString renderPassId) const
{
    const uint32_t count = m_renderables.getCount();
    if (count < 2)
        return true;
    SortKeys previous = KeysOf(m_renderables[0], renderPassId);
    for (uint32_t i = 1; i < count; ++i) {
        const SortKeys current = KeysOf(m_renderables[i], renderPassId);
        if (CompareKeys(previous, current) > 0)
            return false;
        previous = current;
    }
    return true;
}

int RRenderGroup::CompareRenderables(RRenderableInterface* const* a, RRenderableInterface* const* b, void* context)
{
    RHashedString renderPassId = context ? *static_cast<const RHashedString*>(context) : RHashedString();
    return CompareKeys(KeysOf(*a, renderPassId), KeysOf(*b, renderPassId));
}

RTechnique* RRenderGroup::TechniqueFor(RRenderableInterface* renderable, RHashedString renderPassId)
{
    RMaterialInterface* material = renderable ? renderable->GetMaterial() : nullptr;
    return material ? material->GetTechniqueForPass(renderPassId) : nullptr;
}
