#include "render/materials/RRenderableInst.h"

#include "render/materials/RRenderable.h"
#include "render/frame/RRenderer.h"

RRenderableInst::~RRenderableInst()
{
    SetTemplate(nullptr);
    // A draw must never reach an instance that is gone; never creates a renderer at shut-down.
    if (RRenderer::HasInstance())
        RRenderer::GetInstance()->RemoveRenderableFromAllGroups(this);
}

RRenderableInst::RRenderableInst(const RRenderableInst& other) : RRenderableInterface()
{
    if (other.m_template)
        other.m_template->AddInstance(this);
}

RRenderableInst& RRenderableInst::operator=(const RRenderableInst& other)
{
    if (this != &other)
        SetTemplate(other.m_template);
    return *this;
}

RMaterialInterface* RRenderableInst::GetMaterial()
{
    RMaterialInterface* own = RRenderableInterface::GetMaterial();
    if (own)
        return own;
    return m_template ? m_template->GetMaterial() : nullptr;
}

void RRenderableInst::SetTemplate(RRenderable* newTemplate)
{
    if (m_template)
        m_template->RemoveInstance(this);
    if (newTemplate)
        newTemplate->AddInstance(this);
}
