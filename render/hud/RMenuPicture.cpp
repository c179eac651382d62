#include "render/hud/RMenuPicture.h"

#include "render/hud/RHUDScreen.h"
#include "render/hud/RMenuPicturePlacement.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

RMenuPicture::RMenuPicture(const char* effectFile, const char* effectName, const char* textureFile,
                           const char* textureName, const char* textureParam)
    : m_effectName(effectName), m_textureName(textureName), m_textureParam(textureParam)
{
    RRenderer* renderer = RRenderer::GetInstance();
    m_effect = renderer->LoadShader(effectFile, m_effectName);
    // A null file name takes no reference, so none may be given back.
    m_textureLoaded = textureFile != nullptr;
    m_texture = renderer->LoadTexture(textureFile, m_textureName);
}

RMenuPicture::~RMenuPicture()
{
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(m_effectName);
    if (m_textureLoaded && RTexMgr::HasInstance())
        RTexMgr::GetInstance()->UnloadTexture(m_textureName);
}

float RMenuPicture::GetAspect() const
{
    if (!m_texture || m_texture->GetHeight() == 0)
        return 0.0f;
    return static_cast<float>(m_texture->GetWidth()) / static_cast<float>(m_texture->GetHeight());
}

bool RMenuPicture::InformShaderParam(RShaderParamMapping* mapping, float scale, float yOffset) const
{
    static const RHashedString s_wvpMat("wvpMat");
    static const RHashedString s_opacityColor("OpacityColor");

    const RHashedString name = mapping->name;
    if (name == s_wvpMat) {
        const RMatrix4 placement = RMenuPicturePlacement::Place(RHUDScreen::GetAspectRatio(), GetAspect(), scale,
                                                                yOffset, RMenuPicturePlacement::GetSlideOffset());
        mapping->SetMatrix(&placement);
        return true;
    }
    if (name == s_opacityColor) {
        const RVector4 colour = RMenuPicturePlacement::GetOpacityColour();
        mapping->SetVector(&colour);
        return true;
    }
    if (name == m_textureParam) {
        mapping->SetTexture(m_textureName);
        return true;
    }
    return false;
}
