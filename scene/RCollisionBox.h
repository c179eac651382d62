// RCollisionBox: an axis-aligned box, centred on the shape's position with non-negative half extents (zero
// extents make a point). Tiles, platforms, triggers and every moving entity's own shape are boxes. Owned by whoever
// created it.
#pragma once

#include "scene/RCollisionInterface.h"

class RCollisionBox : public RCollisionInterface {
    RRTTI_CLASS(RCollisionBox, RCollisionInterface)
public:
    RCollisionBox() = default;
    // Negative or non-finite half extents are taken as zero.
    RCollisionBox(const RVector2& center, const RVector2& halfExtents);

    const RVector2& GetHalfExtents() const { return m_half; }
    void SetHalfExtents(const RVector2& halfExtents);

    void GetBounds(RVector2* min, RVector2* max) const override;
    ESweepResult SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                          RSweepHit* hit) const override;

private:
    RVector2 m_half = {0.0f, 0.0f};
};
