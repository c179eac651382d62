#include "render/passes/RRiftAwarePassMaterial.h"

#include "core/types/RMath.h"
#include "render/effects/RShaderParam.h"

bool RRiftAwarePassMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                                RShaderParamInformant* requester)
{
    static const RHashedString s_lensCenter("LensCenter");
    static const RHashedString s_riftScale("Rift_Scale");
    static const RHashedString s_riftOffset("Rift_Offset");
    static const RHashedString s_vertScale("VertScale");
    static const RHashedString s_fovScale("FOVScale");
    static const RHashedString s_hmdWarpParam("HmdWarpParam");

    const RHashedString name = mapping->name;
    if (name == s_lensCenter || name == s_riftOffset) {
        mapping->SetFloat(0.0f);
        return true;
    }
    if (name == s_riftScale || name == s_vertScale || name == s_fovScale) {
        mapping->SetFloat(1.0f);
        return true;
    }
    if (name == s_hmdWarpParam) {
        const RVector4 warp{1.0f, 0.0f, 0.0f, 0.0f};
        mapping->SetVector(&warp);
        return true;
    }
    return RMaterial::InformShaderParams(mapping, renderPassId, requester);
}
