#include "render/images/RTexMgr.h"

#include "render/images/RTexture.h"

RTexMgr* RTexMgr::s_instance = nullptr;

RTexMgr* RTexMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RTexMgr();
    return s_instance;
}

void RTexMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RTexMgr::~RTexMgr()
{
    DestroyAllTextures();
    m_textures.clear();
}

RTexture* RTexMgr::Present(RTexture* texture)
{
    return texture && texture->HasGLTexture() ? texture : nullptr;
}

RTexture* RTexMgr::AddReference(RHashedString name)
{
    auto* node = m_textures.find(name);
    if (!node)
        return nullptr;
    ++node->value.referenceCount;
    return node->value.texture;
}

RTexture* RTexMgr::LoadTexture(const char* fileName, RHashedString name)
{
    if (!fileName)
        return nullptr;
    if (m_textures.exists(name))
        return Present(AddReference(name));
    RRefCtdTexture entry;
    entry.texture = new RTexture(fileName, name);
    entry.referenceCount = 1;
    m_textures.insert(entry, name);
    return Present(entry.texture);
}

RTexture* RTexMgr::CreateTexture(uint32_t width, uint32_t height, uint32_t format, RHashedString name, bool mips,
                                 bool dynamic, bool cube)
{
    if (m_textures.exists(name))
        return Present(AddReference(name));
    RRefCtdTexture entry;
    entry.texture = new RTexture(width, height, format, name, mips, dynamic, cube);
    entry.referenceCount = 1;
    m_textures.insert(entry, name);
    return Present(entry.texture);
}

bool RTexMgr::ReplaceTexture(RGLObjectTexture* glTexture, RHashedString name)
{
    RRefCtdTexture entry;
    entry.referenceCount = 1;
    if (auto* node = m_textures.find(name)) {
        entry.referenceCount = node->value.referenceCount;
        delete node->value.texture;
        node->value.texture = nullptr;
    }
    entry.texture = new RTexture(glTexture, name);
    m_textures.insert(entry, name);
    return true;
}

void RTexMgr::UnloadTexture(RHashedString name)
{
    auto* node = m_textures.find(name);
    if (!node)
        return;
    if (--node->value.referenceCount >= 1)
        return;
    delete node->value.texture;
    m_textures.remove(name);
}

bool RTexMgr::HasTexture(RHashedString name) const
{
    return m_textures.exists(name);
}

RTexture* RTexMgr::GetTexture(RHashedString name) const
{
    auto* node = m_textures.find(name);
    return node ? Present(node->value.texture) : nullptr;
}

int32_t RTexMgr::GetReferenceCount(RHashedString name) const
{
    auto* node = m_textures.find(name);
    return node ? node->value.referenceCount : 0;
}

void RTexMgr::DestroyAllTextures()
{
    for (RUtilMap<RRefCtdTexture, RHashedString>::Iter iter(m_textures); iter.isValid(); iter.next()) {
        delete iter.getValue().texture;
        iter.getValue().texture = nullptr;
    }
    m_textures.clear();
}
