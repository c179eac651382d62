#include "render/passes/RConsoleBackdropMaterial.h"

#include "render/hud/RHUDScreen.h"
#include "render/passes/RMenuBackdropState.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"

namespace {

const char* const kEffectName = "__Console_Backdrop Shader";

}  // namespace

RConsoleBackdropMaterial::RConsoleBackdropMaterial(bool menu) : m_menu(menu)
{
    RShader* effect = RRenderer::GetInstance()->LoadShader("__ROLT_Console_Backdrop.fxo", RHashedString(kEffectName));
    SetDefaultTechnique(effect, RHashedString("Backdrop"));
}

RConsoleBackdropMaterial::~RConsoleBackdropMaterial()
{
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(RHashedString(kEffectName));
}

bool RConsoleBackdropMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                  RShaderParamInformant* requester)
{
    static const RHashedString s_invHalfScreenHeight("invHalfScreenHeight");
    static const RHashedString s_backdropOpacity("BackdropOpacity");

    const RHashedString name = mapping->name;
    if (name == s_invHalfScreenHeight) {
        int32_t width = 1;
        int32_t height = 1;
        RHUDScreen::GetScreenSize(&width, &height);
        mapping->SetFloat(2.0f / static_cast<float>(height));
        return true;
    }
    if (name == s_backdropOpacity) {
        float opacity = 1.0f;
        if (m_menu) {
            const RMenuBackdropState* menus = RMenuBackdropState::GetCurrent();
            opacity = menus ? menus->GetBackdropOpacity() : 0.0f;
        }
        mapping->SetFloat(opacity);
        return true;
    }
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
