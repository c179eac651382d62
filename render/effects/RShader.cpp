#include "render/effects/RShader.h"

#include "render/frame/RRenderer.h"
#include "render/effects/RShaderParam.h"
#include "render/effects/RTechnique.h"

RShader::RShader(const char* fileName, RHashedString name) : m_name(name)
{
    RRenderer* renderer = RRenderer::GetInstance();
    renderer->CreateEffect(fileName, &m_glEffect);
    renderer->RegisterEffectParams(this, m_name, m_glEffect);
}

RShader::~RShader()
{
    Release();
}

void RShader::Release()
{
    m_name = RHashedString();
    if (m_glEffect) {
        RRenderer::DestroyEffect(m_glEffect);
        m_glEffect = nullptr;
    }
    for (RUtilMapIter<RTechnique*, RHashedString> technique(m_techniques); technique.isValid(); technique.next())
        delete technique.getValue();
    m_techniques.clear();
    for (RUtilMapIter<RShaderParamSetWrapper*, const void*> wrapper(m_paramSetWrappers); wrapper.isValid();
         wrapper.next())
        delete wrapper.getValue();
    m_paramSetWrappers.clear();
}

RTechnique* RShader::GetTechnique(RHashedString name) const
{
    auto* node = m_techniques.find(name);
    return node ? node->value : nullptr;
}

bool RShader::AddTechnique(RTechnique* technique)
{
    if (!technique || m_techniques.exists(technique->GetName()))
        return false;
    m_techniques.insert(technique, technique->GetName());
    return true;
}

RShaderParamSetWrapper* RShader::GetParamSetWrapper(const RGLObjectTechniquePass* pass) const
{
    auto* node = m_paramSetWrappers.find(pass);
    return node ? node->value : nullptr;
}

bool RShader::AddParamSetWrapper(const RGLObjectTechniquePass* pass, RShaderParamSetWrapper* wrapper)
{
    if (!pass || !wrapper || m_paramSetWrappers.exists(pass))
        return false;
    m_paramSetWrappers.insert(wrapper, pass);
    return true;
}
