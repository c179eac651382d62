// RGameEntity: the base of the game's moving entities: a plain entity ticked in every fixed step and once per
// frame in the game pass (mask 6). In a fixed step it remembers its position and runs FixedStep (by default the
// standard movement: carried by its base, then the jump movement or a plain move by its velocity); in the game
// pass it runs FrameStep and interpolates its displayed position with the fraction the base game sets. It answers
// the shader parameters "EntityPosition" (the displayed position, w 1) and any vector set by name. A marked entity
// (RDeleteComponent) ticks no more. Main thread only.
#pragma once

#include "core/types/RMath.h"
#include "core/system/RTickable.h"
#include "core/types/RUtilMap.h"
#include "scene/RPlainEntity.h"

class RGameEntity : public RPlainEntity, public RTickableGameFixed {
    RRTTI_CLASS(RGameEntity, RPlainEntity)
public:
    RGameEntity() = default;
    ~RGameEntity() override = default;

    // How far the game time is between the last two fixed steps (0 to 1; clamped, NaN counts as 1). The base
    // game sets it every frame before the game pass.
    static void SetInterpolationFraction(float fraction);
    static float GetInterpolationFraction() { return s_fraction; }

    void Tick(float step, uint32_t mask) override;
    void PostTick(float step, uint32_t mask) override {}

    // A vector answered for the shader parameter of that name.
    void SetShaderVector(RHashedString name, const RVector4& value);
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

protected:
    // One fixed step; this version runs StepMovement.
    virtual void FixedStep(float step);
    // Once per frame in the game pass, before the displayed position is interpolated.
    virtual void FrameStep(float step) {}
    // The standard movement: the basing component's carry, then the jump component's step or, without one, the
    // spatial component's move by its velocity.
    void StepMovement(float step);

private:
    static float s_fraction;
    RUtilMap<RVector4, RHashedString> m_shaderVectors;
};
