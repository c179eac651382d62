#include "render/effects/RShaderMgr.h"

#include "render/effects/RShader.h"

RShaderMgr* RShaderMgr::s_instance = nullptr;

RShaderMgr* RShaderMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RShaderMgr();
    return s_instance;
}

void RShaderMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RShaderMgr::~RShaderMgr()
{
    for (RUtilMapIter<RRefCtdShader, RHashedString> entry(m_shaders); entry.isValid(); entry.next())
        delete entry.getValue().shader;
    m_shaders.clear();
}

RShader* RShaderMgr::LoadShader(const char* fileName, RHashedString name)
{
    if (!fileName)
        return nullptr;
    if (auto* node = m_shaders.find(name)) {
        if (node->value.referenceCount == INT32_MAX)
            return nullptr;
        ++node->value.referenceCount;
        return node->value.shader;
    }
    RRefCtdShader entry;
    entry.shader = new RShader(fileName, name);
    entry.referenceCount = 1;
    m_shaders.insert(entry, name);
    return entry.shader;
}

void RShaderMgr::UnloadShader(RHashedString name)
{
    auto* node = m_shaders.find(name);
    if (!node)
        return;
    if (--node->value.referenceCount < 1) {
        RShader* shader = node->value.shader;
        // Out of the map first: nothing reached from the effect's destruction finds a half-deleted entry.
        m_shaders.remove(name);
        delete shader;
    }
}

bool RShaderMgr::Exists(RHashedString name) const
{
    return m_shaders.exists(name);
}

RShader* RShaderMgr::Find(RHashedString name) const
{
    auto* node = m_shaders.find(name);
    return node ? node->value.shader : nullptr;
}

int32_t RShaderMgr::GetReferenceCount(RHashedString name) const
{
    auto* node = m_shaders.find(name);
    return node ? node->value.referenceCount : 0;
}

void RShaderMgr::ResetAllShaderParams()
{
    for (RUtilMapIter<RRefCtdShader, RHashedString> entry(m_shaders); entry.isValid(); entry.next())
        entry.getValue().shader->ResetParams();
}

void RShaderMgr::OnDeviceLost()
{
    for (RUtilMapIter<RRefCtdShader, RHashedString> entry(m_shaders); entry.isValid(); entry.next())
        entry.getValue().shader->OnDeviceLost();
}

void RShaderMgr::OnDeviceReset()
{
    for (RUtilMapIter<RRefCtdShader, RHashedString> entry(m_shaders); entry.isValid(); entry.next())
        entry.getValue().shader->OnDeviceReset();
}
