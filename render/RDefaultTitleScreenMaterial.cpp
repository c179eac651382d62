#include "render/RDefaultTitleScreenMaterial.h"

#include "render/RHUDScreen.h"
#include "render/RMenuBackdropState.h"
#include "render/RMenuPicturePlacement.h"
#include "render/RPassMaterialHost.h"
#include "render/RRenderer.h"
#include "render/RShaderMgr.h"
#include "render/RShaderParam.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"

namespace {

const char* const kEffectFile = "__ROLT_Default_Title.fxo";
const char* const kEffectName = "__Default_Title Shader";
const char* const kTextureName = "__Default_Title Texture";

}  // namespace

RDefaultTitleScreenMaterial::RDefaultTitleScreenMaterial()
{
    RRenderer* renderer = RRenderer::GetInstance();
    RShader* effect = renderer->LoadShader(kEffectFile, RHashedString(kEffectName));
    SetDefaultTechnique(effect, RHashedString("TitleTech"));
    const char* fileName = RPassMaterialHost::GetCurrent()->GetDefaultTitleScreenTextureFilename();
    // A null file name takes no reference, so none may be given back.
    m_textureLoaded = fileName != nullptr;
    m_titleTexture = renderer->LoadTexture(fileName, RHashedString(kTextureName));
}

RDefaultTitleScreenMaterial::~RDefaultTitleScreenMaterial()
{
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(RHashedString(kEffectName));
    if (m_textureLoaded && RTexMgr::HasInstance())
        RTexMgr::GetInstance()->UnloadTexture(RHashedString(kTextureName));
}

float RDefaultTitleScreenMaterial::GetPictureAspect() const
{
    if (!m_titleTexture || m_titleTexture->GetHeight() == 0)
        return 0.0f;
    return static_cast<float>(m_titleTexture->GetWidth()) / static_cast<float>(m_titleTexture->GetHeight());
}

bool RDefaultTitleScreenMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                     RShaderParamInformant* requester)
{
    static const RHashedString s_wvpMat("wvpMat");
    static const RHashedString s_opacityColor("OpacityColor");
    static const RHashedString s_titleTex("TitleTex");

    const RHashedString name = mapping->name;
    if (name == s_wvpMat) {
        const RPassMaterialHost* host = RPassMaterialHost::GetCurrent();
        float titleOffset = 0.0f;
        if (RMenuBackdropState* menus = RMenuBackdropState::GetCurrent())
            menus->GetTitleYOffset(&titleOffset);
        const RMatrix4 placement = RMenuPicturePlacement::Place(
            RHUDScreen::GetAspectRatio(), GetPictureAspect(), host->GetDefaultTitleScreenScale(),
            host->GetDefaultTitleScreenOffset() + titleOffset, RMenuPicturePlacement::GetSlideOffset());
        mapping->SetMatrix(&placement);
        return true;
    }
    if (name == s_opacityColor) {
        const RVector4 colour = RMenuPicturePlacement::GetOpacityColour();
        mapping->SetVector(&colour);
        return true;
    }
    if (name == s_titleTex) {
        mapping->SetTexture(RHashedString(kTextureName));
        return true;
    }
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
