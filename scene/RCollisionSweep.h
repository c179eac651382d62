// The exact swept tests of the collision shapes, in the world's x-y plane: a moving axis-aligned box (a point when
// its half extents are zero) against a box, a convex polygon or a circle. Each gives the first time of contact in
// [0, 1] and the normal from the shape towards the box, or tells that the box already overlaps the shape. Plain
// functions on values; nothing is kept.
#pragma once

#include <cstdint>

#include "core/types/RMath.h"

// The result of one swept test.
enum ESweepResult : int32_t {
    SWEEP_MISS = 0,     // the moving box does not reach the shape within the move
    SWEEP_HIT = 1,      // time and normal hold the first contact
    SWEEP_OVERLAP = 2,  // the box already overlaps the shape by more than the touch depth, or touches it without
                        // moving into it while overlapping; normal is the way out (zero when there is none)
};

struct RSweepHit {
    float time = 1.0f;
    RVector2 normal = {0.0f, 0.0f};
};

// A box that overlaps a shape by no more than this depth counts as touching it: moving into the shape is a hit at
// time 0, moving away or along it is free.
constexpr float kCollisionTouchDepth = 0.005f;

// The box of centre and half extents moved by delta against the box [boxMin, boxMax] (equal corners make a point).
ESweepResult SweepBoxBox(const RVector2& center, const RVector2& half, const RVector2& delta, const RVector2& boxMin,
                         const RVector2& boxMax, RSweepHit* hit);
// Against the convex polygon of count vertices in either winding (one vertex is a point, two a segment). The
// vertices must make a convex polygon: for any other the test separates only along its own edges' normals.
ESweepResult SweepBoxConvex(const RVector2& center, const RVector2& half, const RVector2& delta,
                            const RVector2* vertices, uint32_t count, RSweepHit* hit);
// Against the circle of centre and radius (a radius of zero is a point).
ESweepResult SweepBoxCircle(const RVector2& center, const RVector2& half, const RVector2& delta,
                            const RVector2& circleCenter, float radius, RSweepHit* hit);
