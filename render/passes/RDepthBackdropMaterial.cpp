#include "render/passes/RDepthBackdropMaterial.h"

#include "core/types/RMath.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"

namespace {

const char* const kEffectName = "__Depth_Backdrop Shader";

}  // namespace

RDepthBackdropMaterial::RDepthBackdropMaterial()
{
    RShader* effect = RRenderer::GetInstance()->LoadShader("__ROLT_Depth_Backdrop.fxo", RHashedString(kEffectName));
    SetDefaultTechnique(effect, RHashedString("BackdropTech"));
}

RDepthBackdropMaterial::~RDepthBackdropMaterial()
{
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(RHashedString(kEffectName));
}

bool RDepthBackdropMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                RShaderParamInformant* requester)
{
    static const RHashedString s_backdropColor("BackdropColor");
    if (mapping->name == s_backdropColor) {
        const RVector4 grey{0.5f, 0.5f, 0.5f, 0.5f};
        mapping->SetVector(&grey);
        return true;
    }
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
