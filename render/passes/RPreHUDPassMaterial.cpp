#include "render/passes/RPreHUDPassMaterial.h"

#include "core/types/RMath.h"
#include "render/hud/RHUDScreen.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"

namespace {

struct QualityEffect {
    const char* fileName;
    const char* name;
};

const QualityEffect kQualityEffects[5] = {
    {"__ROLT_FXAA_None.fxo", "__PreHUD_Pass Shader (FXAA: None)"},
    {"__ROLT_FXAA_Low.fxo", "__PreHUD_Pass Shader (FXAA: Low)"},
    {"__ROLT_FXAA_Medium.fxo", "__PreHUD_Pass Shader (FXAA: Medium)"},
    {"__ROLT_FXAA_High.fxo", "__PreHUD_Pass Shader (FXAA: High)"},
    {"__ROLT_FXAA_Ultra.fxo", "__PreHUD_Pass Shader (FXAA: Ultra)"},
};

const QualityEffect& EffectOf(int32_t fxaaQuality)
{
    if (fxaaQuality < 0)
        fxaaQuality = 0;
    if (fxaaQuality > 4)
        fxaaQuality = 4;
    return kQualityEffects[fxaaQuality];
}

}  // namespace

RPreHUDPassMaterial::RPreHUDPassMaterial(int32_t fxaaQuality) : m_effectName(GetEffectName(fxaaQuality))
{
    RShader* effect = RRenderer::GetInstance()->LoadShader(GetEffectFileName(fxaaQuality), m_effectName);
    SetDefaultTechnique(effect, RHashedString("PreHUDPassTechnique"));
}

RPreHUDPassMaterial::~RPreHUDPassMaterial()
{
    // Through the manager only while it exists, so that nothing is created again at shut-down.
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(m_effectName);
}

const char* RPreHUDPassMaterial::GetEffectFileName(int32_t fxaaQuality)
{
    return EffectOf(fxaaQuality).fileName;
}

const char* RPreHUDPassMaterial::GetEffectName(int32_t fxaaQuality)
{
    return EffectOf(fxaaQuality).name;
}

bool RPreHUDPassMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                             RShaderParamInformant* requester)
{
    static const RHashedString s_backbuffer("PreHUDPassBackbuffer");
    static const RHashedString s_backbufferTexture("__ROLT_PreHUD_Pass_Texture");
    static const RHashedString s_rcpFrame("rcpFrame");
    static const RHashedString s_useFXAA("bUseFXAA");

    const RHashedString name = mapping->name;
    if (name == s_backbuffer) {
        mapping->SetTexture(s_backbufferTexture);
        return true;
    }
    if (name == s_rcpFrame) {
        int32_t width = 1;
        int32_t height = 1;
        RHUDScreen::GetScreenSize(&width, &height);
        const RVector4 rcpFrame{1.0f / static_cast<float>(width), 1.0f / static_cast<float>(height), 0.0f, 0.0f};
        mapping->SetVector(&rcpFrame);
        return true;
    }
    if (name == s_useFXAA) {
        mapping->SetBool(true);
        return true;
    }
    return RRiftAwarePassMaterial::InformShaderParams(mapping, renderPassId, requester);
}
