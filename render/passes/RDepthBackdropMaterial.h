// RDepthBackdropMaterial: the flat grey of the depth backdrop's far-plane quad. It holds one reference on
// "__Depth_Backdrop Shader" from construction to destruction.
#pragma once

#include "render/materials/RMaterial.h"

class RDepthBackdropMaterial : public RMaterial {
public:
    // Loads "__ROLT_Depth_Backdrop.fxo" and takes its "BackdropTech".
    RDepthBackdropMaterial();
    // Unloads the effect.
    ~RDepthBackdropMaterial() override;
    RDepthBackdropMaterial(const RDepthBackdropMaterial&) = delete;
    RDepthBackdropMaterial& operator=(const RDepthBackdropMaterial&) = delete;

    // "BackdropColor" (0.5, 0.5, 0.5, 0.5); other names go to the chained informant.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;
};
