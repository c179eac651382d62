// RFinalPassMaterial: draws the finished picture ("__ROLT_Final_Pass_Texture") to the screen, turned by the game's
// tate mode and multiplied by its brightness. It holds one reference on "__Final_Pass Shader" from construction
// to destruction.
#pragma once

#include "core/types/RMath.h"
#include "render/passes/RRiftAwarePassMaterial.h"

class RFinalPassMaterial : public RRiftAwarePassMaterial {
public:
    static constexpr int32_t kTateModeCount = 4;

    // Sets the four turn matrices, loads "__ROLT_Final_Pass.fxo" and takes its "FinalPassTechnique".
    RFinalPassMaterial();
    // Unloads the effect.
    ~RFinalPassMaterial() override;

    // The matrix of a tate mode: turns of 0, 90, 180 and 270 degrees; a mode outside 0 to 3 gets mode 0's.
    const RMatrix4& GetTateMatrix(int32_t tateMode) const;

    // "FinalPassBackbuffer" the texture "__ROLT_Final_Pass_Texture", "tateMat" the matrix of the game's tate
    // mode, "Brightness" the game's brightness; other names as the base.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

private:
    RMatrix4 m_tateMatrices[kTateModeCount];
};
