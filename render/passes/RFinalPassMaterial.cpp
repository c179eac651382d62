#include "render/passes/RFinalPassMaterial.h"

#include "render/passes/RPassMaterialHost.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderMgr.h"
#include "render/effects/RShaderParam.h"

namespace {

const char* const kEffectFile = "__ROLT_Final_Pass.fxo";
const char* const kEffectName = "__Final_Pass Shader";

}  // namespace

RFinalPassMaterial::RFinalPassMaterial()
{
    // By rows: the identity, then quarter, half and three-quarter turns.
    static const float kTurns[kTateModeCount][16] = {
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
    };
    for (int32_t mode = 0; mode < kTateModeCount; ++mode) {
        for (int i = 0; i < 16; ++i)
            m_tateMatrices[mode].m[i] = kTurns[mode][i];
    }
    RShader* effect = RRenderer::GetInstance()->LoadShader(kEffectFile, RHashedString(kEffectName));
    SetDefaultTechnique(effect, RHashedString("FinalPassTechnique"));
}

RFinalPassMaterial::~RFinalPassMaterial()
{
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(RHashedString(kEffectName));
}

const RMatrix4& RFinalPassMaterial::GetTateMatrix(int32_t tateMode) const
{
    // The game puts a mode outside 0 to 3 back to 0; until it has, the picture stays unturned rather than a
    // matrix being read from beyond the four.
    if (tateMode < 0 || tateMode >= kTateModeCount)
        tateMode = 0;
    return m_tateMatrices[tateMode];
}

bool RFinalPassMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                            RShaderParamInformant* requester)
{
    static const RHashedString s_backbuffer("FinalPassBackbuffer");
    static const RHashedString s_backbufferTexture("__ROLT_Final_Pass_Texture");
    static const RHashedString s_tateMat("tateMat");
    static const RHashedString s_brightness("Brightness");

    const RHashedString name = mapping->name;
    if (name == s_backbuffer) {
        mapping->SetTexture(s_backbufferTexture);
        return true;
    }
    if (name == s_tateMat) {
        mapping->SetMatrix(&GetTateMatrix(RPassMaterialHost::GetCurrent()->GetTateMode()));
        return true;
    }
    if (name == s_brightness) {
        mapping->SetFloat(RPassMaterialHost::GetCurrent()->GetBrightness());
        return true;
    }
    return RRiftAwarePassMaterial::InformShaderParams(mapping, renderPassId, requester);
}
