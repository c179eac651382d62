#include "render/materials/RMaterialInst.h"

#include "render/materials/RMaterial.h"

RMaterialInst::~RMaterialInst()
{
    SetTemplate(nullptr);
}

RMaterialInst::RMaterialInst(const RMaterialInst& other) : RMaterialInterface(other)
{
    if (other.m_template)
        other.m_template->AddInstance(this);
}

RMaterialInst& RMaterialInst::operator=(const RMaterialInst& other)
{
    if (this != &other)
        SetTemplate(other.m_template);
    return *this;
}

RTechnique* RMaterialInst::GetTechniqueForPass(RHashedString renderPassId)
{
    return m_template ? m_template->GetTechniqueForPass(renderPassId) : nullptr;
}

void RMaterialInst::SetTemplate(RMaterial* newTemplate)
{
    if (m_template)
        m_template->RemoveInstance(this);
    if (newTemplate)
        newTemplate->AddInstance(this);
}
