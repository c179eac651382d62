#include "render/hud/RDefaultHUDMaterial.h"

#include "core/types/RMath.h"
#include "render/hud/RHUDMenuState.h"
#include "render/hud/RHUDScreen.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShader.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"
#include "render/images/RTexMgr.h"

RDefaultHUDMaterial::~RDefaultHUDMaterial()
{
    if (!m_resourcesLoaded)
        return;
    // Straight to the managers: at shut-down the renderer may be gone, and asking for it would make a new one.
    if (IsEffectLoaded())
        RShaderMgr::GetInstance()->UnloadShader(m_effectName);
    if (RTexMgr::HasInstance()) {
        RTexMgr::GetInstance()->UnloadTexture(m_elementTextureName);
        RTexMgr::GetInstance()->UnloadTexture(m_modTextureName);
    }
}

void RDefaultHUDMaterial::SetResourceNames(const char* effectFileName, const char* effectName,
                                           const char* techniqueName, const char* elementTextureFileName,
                                           const char* elementTextureName, const char* modTextureFileName,
                                           const char* modTextureName)
{
    m_effectFileName = effectFileName;
    m_effectName = RHashedString(effectName);
    m_techniqueName = RHashedString(techniqueName);
    m_elementTextureFileName = elementTextureFileName;
    m_elementTextureName = RHashedString(elementTextureName);
    m_modTextureFileName = modTextureFileName;
    m_modTextureName = RHashedString(modTextureName);
}

void RDefaultHUDMaterial::LoadResources()
{
    if (m_resourcesLoaded)
        return;
    m_resourcesLoaded = true;
    RRenderer* renderer = RRenderer::GetInstance();
    m_effect = renderer->LoadShader(m_effectFileName, m_effectName);
    SetDefaultTechnique(m_effect, m_techniqueName);
    renderer->LoadTexture(m_elementTextureFileName, m_elementTextureName);
    renderer->LoadTexture(m_modTextureFileName, m_modTextureName);
}

bool RDefaultHUDMaterial::IsEffectLoaded() const
{
    if (!m_effect || !RShaderMgr::HasInstance() || RShaderMgr::GetInstance()->Find(m_effectName) != m_effect)
        return false;
    // The effect at that address is alive; should it be a later load that reuses the address, its technique
    // differs from the one this material holds unless that is alive too.
    return m_effect->GetTechnique(m_techniqueName) == GetDefaultTechnique();
}

RTechnique* RDefaultHUDMaterial::GetTechniqueForPass(RHashedString renderPassId)
{
    return IsEffectLoaded() ? RMaterial::GetTechniqueForPass(renderPassId) : nullptr;
}

bool RDefaultHUDMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                             RShaderParamInformant* requester)
{
    static const RHashedString kElemTex("elemTex");
    static const RHashedString kModTex("modTex");
    static const RHashedString kModColor("modColor");
    static const RHashedString kInvHalfScreenWidth("invHalfScreenWidth");
    static const RHashedString kInvHalfScreenHeight("invHalfScreenHeight");
    static const RHashedString kXOffset("xOffset");
    static const RHashedString kYOffset("yOffset");

    const RHashedString name = mapping->name;
    if (name == kElemTex) {
        mapping->SetTexture(m_elementTextureName);
    } else if (name == kModTex) {
        mapping->SetTexture(m_modTextureName);
    } else if (name == kModColor) {
        const RVector4 white = {1.0f, 1.0f, 1.0f, 1.0f};
        mapping->SetVector(&white);
    } else if (name == kInvHalfScreenWidth || name == kInvHalfScreenHeight) {
        int32_t width = 0;
        int32_t height = 0;
        RHUDScreen::GetScreenSize(&width, &height);
        mapping->SetFloat(2.0f / static_cast<float>(name == kInvHalfScreenWidth ? width : height));
    } else if (name == kXOffset || name == kYOffset) {
        mapping->SetFloat(0.0f);
    } else {
        return RMaterial::InformShaderParams(mapping, renderPassId, requester);
    }
    return true;
}

bool RDefaultHUDMaterial_Menu::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                  RShaderParamInformant* requester)
{
    static const RHashedString kInvHalfScreenWidth("invHalfScreenWidth");
    static const RHashedString kInvHalfScreenHeight("invHalfScreenHeight");
    static const RHashedString kXOffset("xOffset");
    static const RHashedString kYOffset("yOffset");

    const RHashedString name = mapping->name;
    if (name != kInvHalfScreenWidth && name != kInvHalfScreenHeight && name != kXOffset && name != kYOffset)
        return RDefaultHUDMaterial::InformShaderParams(mapping, renderPassId, requester);

    const RMenuSpace space = RHUDScreen::GetMenuSpace();
    RHUDMenuState* menus = RHUDMenuState::GetCurrent();
    if (name == kInvHalfScreenWidth) {
        mapping->SetFloat(space.invHalfWidth);
    } else if (name == kInvHalfScreenHeight) {
        mapping->SetFloat(space.invHalfHeight);
    } else if (name == kXOffset) {
        float slide = menus ? menus->GetSlideOffset() : 0.0f;
        const float aspect = RHUDScreen::GetAspectRatio();
        if (aspect > RHUDScreen::kMenuAspect)
            slide *= (4.0f / 3.0f) / aspect;
        if (menus)
            menus->GetXOffset(&slide);
        mapping->SetFloat(slide + space.xOffset);
    } else {
        float offset = 0.0f;
        if (menus)
            menus->GetYOffset(&offset);
        mapping->SetFloat(offset + space.yOffset);
    }
    return true;
}
