#include "game/GameMaterial.h"

#include "render/effects/RShader.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"
#include "render/frame/RRenderer.h"

GameMaterial::GameMaterial(const char* effectFile, const char* effectName, const char* technique)
    : m_effectName(effectName)
{
    m_effect = RRenderer::GetInstance()->LoadShader(effectFile, m_effectName);
    UseTechnique(technique);
}

GameMaterial::~GameMaterial()
{
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(m_effectName);
}

void GameMaterial::UseTechnique(const char* technique)
{
    SetDefaultTechnique(m_effect, RHashedString(technique));
}

void GameMaterial::SetTexture(const char* parameter, const char* textureName)
{
    m_textures[RHashedString(parameter)] = RHashedString(textureName);
}

void GameMaterial::SetVector(const char* parameter, const RVector4& value)
{
    m_vectors[RHashedString(parameter)] = value;
}

bool GameMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                      RShaderParamInformant* requester)
{
    if (RUtilMapNode<RHashedString, RHashedString>* texture = m_textures.find(mapping->name)) {
        mapping->SetTexture(texture->value);
        return true;
    }
    if (RUtilMapNode<RVector4, RHashedString>* vector = m_vectors.find(mapping->name)) {
        mapping->SetVector(&vector->value);
        return true;
    }
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
