#include "render/RDefaultCalibrationMaterial.h"

#include "render/RHUDScreen.h"
#include "render/RMenuPicturePlacement.h"
#include "render/RPassMaterialHost.h"
#include "render/RRenderer.h"
#include "render/RShaderMgr.h"
#include "render/RShaderParam.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"

namespace {

const char* const kEffectFile = "__ROLT_Default_Calibration.fxo";
const char* const kEffectName = "__Default_Calibration Shader";
const char* const kTextureName = "__Default_Calibration Texture";

}  // namespace

RDefaultCalibrationMaterial::RDefaultCalibrationMaterial()
{
    RRenderer* renderer = RRenderer::GetInstance();
    RShader* effect = renderer->LoadShader(kEffectFile, RHashedString(kEffectName));
    SetDefaultTechnique(effect, RHashedString("CalibrationTech"));
    const char* fileName = RPassMaterialHost::GetCurrent()->GetDefaultCalibrationTextureFilename();
    // A null file name takes no reference, so none may be given back.
    m_textureLoaded = fileName != nullptr;
    m_calibrationTexture = renderer->LoadTexture(fileName, RHashedString(kTextureName));
}

RDefaultCalibrationMaterial::~RDefaultCalibrationMaterial()
{
    if (RShaderMgr::HasInstance())
        RShaderMgr::GetInstance()->UnloadShader(RHashedString(kEffectName));
    if (m_textureLoaded && RTexMgr::HasInstance())
        RTexMgr::GetInstance()->UnloadTexture(RHashedString(kTextureName));
}

float RDefaultCalibrationMaterial::GetImageAspect() const
{
    if (!m_calibrationTexture || m_calibrationTexture->GetHeight() == 0)
        return 0.0f;
    return static_cast<float>(m_calibrationTexture->GetWidth()) /
           static_cast<float>(m_calibrationTexture->GetHeight());
}

bool RDefaultCalibrationMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                     RShaderParamInformant* requester)
{
    static const RHashedString s_wvpMat("wvpMat");
    static const RHashedString s_opacityColor("OpacityColor");
    static const RHashedString s_calibrationTex("CalibrationTex");

    const RHashedString name = mapping->name;
    if (name == s_wvpMat) {
        const RPassMaterialHost* host = RPassMaterialHost::GetCurrent();
        const RMatrix4 placement = RMenuPicturePlacement::Place(
            RHUDScreen::GetAspectRatio(), GetImageAspect(), host->GetDefaultCalibrationScale(),
            host->GetDefaultCalibrationOffset(), RMenuPicturePlacement::GetSlideOffset());
        mapping->SetMatrix(&placement);
        return true;
    }
    if (name == s_opacityColor) {
        const RVector4 colour = RMenuPicturePlacement::GetOpacityColour();
        mapping->SetVector(&colour);
        return true;
    }
    if (name == s_calibrationTex) {
        mapping->SetTexture(RHashedString(kTextureName));
        return true;
    }
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
