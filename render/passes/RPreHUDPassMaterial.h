// RPreHUDPassMaterial: draws the scene's off-screen picture ("__ROLT_PreHUD_Pass_Texture") to the next target
// with the edge smoothing of the chosen FXAA quality. It holds one reference on its quality's effect from
// construction to destruction.
#pragma once

#include <cstdint>

#include "render/passes/RRiftAwarePassMaterial.h"

class RPreHUDPassMaterial : public RRiftAwarePassMaterial {
public:
    // Loads the effect of the quality (0 or less: none, 1 low, 2 medium, 3 high, 4 or more ultra) and takes its
    // "PreHUDPassTechnique".
    explicit RPreHUDPassMaterial(int32_t fxaaQuality);
    // Unloads the effect.
    ~RPreHUDPassMaterial() override;

    // The effect file and the effect name of a quality, clamped to the five levels.
    static const char* GetEffectFileName(int32_t fxaaQuality);
    static const char* GetEffectName(int32_t fxaaQuality);

    RHashedString GetEffectName() const { return m_effectName; }

    // "PreHUDPassBackbuffer" the texture "__ROLT_PreHUD_Pass_Texture", "rcpFrame" (1 / width, 1 / height, 0, 0)
    // of the game's current screen size, "bUseFXAA" true; other names as the base.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

private:
    RHashedString m_effectName;
};
