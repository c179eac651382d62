// RCollisionSphere: a sphere cut by the world's x-y plane, that is a circle of non-negative radius centred on the
// shape's position. Owned by whoever created it.
#pragma once

#include "scene/RCollisionInterface.h"

class RCollisionSphere : public RCollisionInterface {
    RRTTI_CLASS(RCollisionSphere, RCollisionInterface)
public:
    RCollisionSphere() = default;
    // A negative or non-finite radius is taken as zero.
    RCollisionSphere(const RVector2& center, float radius);

    float GetRadius() const { return m_radius; }
    void SetRadius(float radius);

    void GetBounds(RVector2* min, RVector2* max) const override;
    ESweepResult SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                          RSweepHit* hit) const override;

private:
    float m_radius = 0.0f;
};
