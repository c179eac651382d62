// RCollisionQuad: a convex quadrilateral of four corners, relative to the shape's position, in either winding
// (slopes and tilted blocks). Collinear or repeated corners make a triangle, a segment or a point. Owned by
// whoever created it.
#pragma once

#include "scene/RCollisionInterface.h"

class RCollisionQuad : public RCollisionInterface {
    RRTTI_CLASS(RCollisionQuad, RCollisionInterface)
public:
    RCollisionQuad() = default;
    // The corners in order around the quad; false, the quad unchanged, when a corner is not finite.
    bool SetCorners(const RVector2 corners[4]);
    const RVector2& GetCorner(int index) const { return m_corners[index & 3]; }

    void GetBounds(RVector2* min, RVector2* max) const override;
    ESweepResult SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                          RSweepHit* hit) const override;

private:
    RVector2 m_corners[4] = {};
};
