#include "render/materials/RMaterial.h"

#include "render/effects/RShader.h"

RMaterial::~RMaterial()
{
    m_passTechniques.clear();
}

RMaterial::RMaterial(const RMaterial& other)
    : RMaterialInterface(other),
      RInstanceTemplate(),
      m_defaultTechnique(other.m_defaultTechnique),
      m_passTechniques(other.m_passTechniques)
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
