#include "render/RMaterial.h"

#include "render/RMaterialInst.h"
#include "render/RShader.h"

RMaterial::~RMaterial()
{
    for (uint32_t i = 0; i < m_instances.getCount(); ++i)
        m_instances[i]->m_template = nullptr;
    m_instances.free();
    m_passTechniques.clear();
}

RMaterial::RMaterial(const RMaterial& other)
    : RMaterialInterface(other), m_defaultTechnique(other.m_defaultTechnique), m_passTechniques(other.m_passTechniques)
{
}

RMaterial& RMaterial::operator=(const RMaterial& other)
{
    if (this != &other) {
        m_passTechniques.clear();
        m_passTechniques.CopyDataFrom(other.m_passTechniques);
    }
    return *this;
}

RTechnique* RMaterial::GetTechniqueForPass(RHashedString renderPassId)
{
    if (m_passTechniques.getCount() > 0) {
        RUtilMapNode<RTechnique*, RHashedString>* entry = m_passTechniques.find(renderPassId);
        if (entry)
            return entry->value;
    }
    return m_defaultTechnique;
}

void RMaterial::SetDefaultTechnique(RShader* effect, RHashedString techniqueName)
{
    RTechnique* technique = effect ? effect->GetTechnique(techniqueName) : nullptr;
    if (technique)
        m_defaultTechnique = technique;
}

void RMaterial::SetTechniqueForPass(RShader* effect, RHashedString techniqueName, RHashedString renderPassId)
{
    RTechnique* technique = effect ? effect->GetTechnique(techniqueName) : nullptr;
    if (technique)
        m_passTechniques.insert(technique, renderPassId);
}

RMaterialInst* RMaterial::CreateInstance()
{
    RMaterialInst* instance = new RMaterialInst();
    AddInstance(instance);
    return instance;
}

void RMaterial::AddInstance(RMaterialInst* instance)
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

void RMaterial::RemoveInstance(RMaterialInst* instance)
{
    if (!instance || instance->m_template != this)
        return;
    m_instances.eraseElement(instance);
    if (m_instances.isEmpty())
        OnLastInstance();
    instance->m_template = nullptr;
}
