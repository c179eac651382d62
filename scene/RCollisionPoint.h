// RCollisionPoint: a single point at the shape's position, met by boxes moving onto it. Owned by whoever created
// it.
#pragma once

#include "scene/RCollisionInterface.h"

class RCollisionPoint : public RCollisionInterface {
    RRTTI_CLASS(RCollisionPoint, RCollisionInterface)
public:
    RCollisionPoint() = default;
    explicit RCollisionPoint(const RVector2& position) { SetPosition(position); }

    void GetBounds(RVector2* min, RVector2* max) const override;
    ESweepResult SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                          RSweepHit* hit) const override;
};
