// RDefaultCalibrationMaterial: draws the default brightness calibration picture in the menu space, sliding and
// fading with the menus. It holds one reference on "__Default_Calibration Shader" and one on the picture,
// "__Default_Calibration Texture", from construction to destruction; the texture manager owns the texture.
#pragma once

#include "render/hud/RCalibrationImageInterface.h"
#include "render/hud/RMenuPicture.h"

class RTexture;

class RDefaultCalibrationMaterial : public RCalibrationImageInterface {
public:
    // Loads "__ROLT_Default_Calibration.fxo", takes its "CalibrationTech" and loads the game's calibration picture.
    RDefaultCalibrationMaterial();
    // Unloads the effect and the picture.
    ~RDefaultCalibrationMaterial() override;

    float GetImageAspect() const override { return m_picture.GetAspect(); }
    // Null when the picture could not be loaded.
    RTexture* GetCalibrationTexture() const { return m_picture.GetTexture(); }

    // "wvpMat" the picture's placement, "OpacityColor" the menus' overlay colour, "CalibrationTex" the picture;
    // other names go to the chained informant.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

private:
    RMenuPicture m_picture;
};
