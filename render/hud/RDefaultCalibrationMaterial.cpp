#include "render/hud/RDefaultCalibrationMaterial.h"

#include "render/passes/RPassMaterialHost.h"

RDefaultCalibrationMaterial::RDefaultCalibrationMaterial()
    : m_picture("__ROLT_Default_Calibration.fxo", "__Default_Calibration Shader",
                RPassMaterialHost::GetCurrent()->GetDefaultCalibrationTextureFilename(),
                "__Default_Calibration Texture", "CalibrationTex")
{
    SetDefaultTechnique(m_picture.GetEffect(), RHashedString("CalibrationTech"));
}

RDefaultCalibrationMaterial::~RDefaultCalibrationMaterial() = default;

bool RDefaultCalibrationMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                     RShaderParamInformant* requester)
{
    const RPassMaterialHost* host = RPassMaterialHost::GetCurrent();
    if (m_picture.InformShaderParam(mapping, host->GetDefaultCalibrationScale(), host->GetDefaultCalibrationOffset()))
        return true;
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
