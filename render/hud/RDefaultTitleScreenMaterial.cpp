#include "render/hud/RDefaultTitleScreenMaterial.h"

#include "render/passes/RMenuBackdropState.h"
#include "render/passes/RPassMaterialHost.h"

RDefaultTitleScreenMaterial::RDefaultTitleScreenMaterial()
    : m_picture("__ROLT_Default_Title.fxo", "__Default_Title Shader",
                RPassMaterialHost::GetCurrent()->GetDefaultTitleScreenTextureFilename(), "__Default_Title Texture",
                "TitleTex")
{
    SetDefaultTechnique(m_picture.GetEffect(), RHashedString("TitleTech"));
}

RDefaultTitleScreenMaterial::~RDefaultTitleScreenMaterial() = default;

bool RDefaultTitleScreenMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                     RShaderParamInformant* requester)
{
    const RPassMaterialHost* host = RPassMaterialHost::GetCurrent();
    float titleOffset = 0.0f;
    if (RMenuBackdropState* menus = RMenuBackdropState::GetCurrent())
        menus->GetTitleYOffset(&titleOffset);
    if (m_picture.InformShaderParam(mapping, host->GetDefaultTitleScreenScale(),
                                    host->GetDefaultTitleScreenOffset() + titleOffset))
        return true;
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
