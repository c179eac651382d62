// RRiftAwarePassMaterial: the base of the full-screen pass materials. It answers the head-mounted display's lens
// warp parameters with neutral values (no warp, no offset, unit scales), so a pass effect written for such a
// display draws the plain picture. Subclasses load their effect; this class loads and owns nothing.
#pragma once

#include "render/materials/RMaterial.h"

class RRiftAwarePassMaterial : public RMaterial {
public:
    RRiftAwarePassMaterial() = default;
    ~RRiftAwarePassMaterial() override = default;
    RRiftAwarePassMaterial(const RRiftAwarePassMaterial&) = delete;
    RRiftAwarePassMaterial& operator=(const RRiftAwarePassMaterial&) = delete;

    // "LensCenter" 0, "Rift_Scale" 1, "Rift_Offset" 0, "VertScale" 1, "FOVScale" 1, "HmdWarpParam" (1, 0, 0, 0);
    // any other name goes to the chained informant.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;
};
