#include "scene/RRenderableComponent.h"

#include "core/types/RUtilVector.h"
#include "render/materials/RRenderableInterface.h"
#include "render/frame/RRenderer.h"

RRenderableComponent::~RRenderableComponent()
{
    ReleaseRenderables();
}

void RRenderableComponent::AddRenderable(RRenderableInterface* renderable, RHashedString name)
{
    if (!renderable)
        return;
    RRenderableInterface* previous = GetRenderable(name);
    if (previous == renderable)
        return;
    for (RUtilMap<RRenderableInterface*, RHashedString>::Iter iter(m_renderables); iter.isValid(); iter.next()) {
        if (iter.getValue() == renderable) {
            m_renderables.removeAndStepBack(iter);
            break;
        }
    }
    m_renderables.insert(renderable, name);
    if (previous)
        Release(previous);
}

RRenderableInterface* RRenderableComponent::GetRenderable(RHashedString name) const
{
    RUtilMapNode<RRenderableInterface*, RHashedString>* node = m_renderables.find(name);
    return node ? node->value : nullptr;
}

void RRenderableComponent::ReleaseRenderables()
{
    // Emptied first, so that nothing a deleted renderable does can reach an entry that is being deleted.
    RUtilVector<RRenderableInterface*> renderables;
    for (RUtilMap<RRenderableInterface*, RHashedString>::Iter iter(m_renderables); iter.isValid(); iter.next())
        renderables.push(iter.getValue());
    m_renderables.clear();
    for (uint32_t i = 0; i < renderables.getCount(); ++i)
        Release(renderables[i]);
}

void RRenderableComponent::SetVisible(bool visible)
{
    for (RUtilMap<RRenderableInterface*, RHashedString>::Iter iter(m_renderables); iter.isValid(); iter.next())
        iter.getValue()->SetVisible(visible);
}

void RRenderableComponent::Release(RRenderableInterface* renderable)
{
    // Never creates a renderer at shut-down: without one, no group lists the renderable.
    if (RRenderer::HasInstance())
        RRenderer::GetInstance()->RemoveRenderableFromAllGroups(renderable);
    delete renderable;
}
