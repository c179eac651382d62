#include "render/RRenderable.h"

#include "render/RRenderableInst.h"
#include "render/RRenderer.h"

RRenderable::~RRenderable()
{
    for (uint32_t i = 0; i < m_instances.getCount(); ++i)
        m_instances[i]->m_template = nullptr;
    m_instances.free();
    // A device reset or a draw must never reach a template that is gone; never creates a renderer at shut-down.
    if (RRenderer::HasInstance()) {
        RRenderer::GetInstance()->UnregisterResource(this);
        RRenderer::GetInstance()->RemoveRenderableFromAllGroups(this);
    }
}

RRenderableInst* RRenderable::CreateInstance()
{
    RRenderableInst* instance = new RRenderableInst();
    AddInstance(instance);
    return instance;
}

void RRenderable::AddInstance(RRenderableInst* instance)
{
    if (!instance || instance->m_template == this)
        return;
    if (instance->m_template)
        instance->m_template->RemoveInstance(instance);
    if (m_instances.isEmpty())
        OnFirstInstance();
    instance->m_template = this;
    m_instances.push(instance);
}

void RRenderable::RemoveInstance(RRenderableInst* instance)
{
    if (!instance || instance->m_template != this)
        return;
    m_instances.eraseElement(instance);
    if (m_instances.isEmpty())
        OnLastInstance();
    instance->m_template = nullptr;
}
