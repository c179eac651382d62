#include "scene/RCollisionSweep.h"

#include <cmath>
#include <limits>

namespace {

const float kInfinity = std::numeric_limits<float>::infinity();

float Dot(const RVector2& a, const RVector2& b) { return a.x * b.x + a.y * b.y; }

// The separating-axis sweep: the box and the shape projected on each axis in turn. Entry is the latest time the
// projections start to overlap, exit the earliest they stop; on an axis where they already overlap, the
// penetration and its way out are kept instead, for a box that overlaps on every axis.
struct AxisSweep {
    float entry = -kInfinity;
    float exit = kInfinity;
    RVector2 entryNormal = {0.0f, 0.0f};
    float penetration = kInfinity;
    RVector2 outNormal = {0.0f, 0.0f};
    bool missed = false;

    // axis: unit length. The box spans [boxLow, boxHigh] on it and moves by velocity; the shape spans
    // [shapeLow, shapeHigh].
    void Add(const RVector2& axis, float boxLow, float boxHigh, float velocity, float shapeLow, float shapeHigh)
    {
        const float gapBelow = shapeLow - boxHigh;  // >= 0: the box lies on the low side
        const float gapAbove = boxLow - shapeHigh;  // >= 0: the box lies on the high side
        if (gapBelow >= 0.0f || gapAbove >= 0.0f) {
            const bool below = gapBelow >= 0.0f;
            const float approach = below ? velocity : -velocity;
            if (approach <= 0.0f) {
                missed = true;
                return;
            }
            const float enter = (below ? gapBelow : gapAbove) / approach;
            const float leave = (below ? shapeHigh - boxLow : boxHigh - shapeLow) / approach;
            if (enter > entry) {
                entry = enter;
                entryNormal = below ? RVector2{-axis.x, -axis.y} : axis;
            }
            if (leave < exit)
                exit = leave;
            return;
        }
        // Overlapping on this axis.
        const float outBelow = -gapBelow;  // distance to leave towards the low side
        const float outAbove = -gapAbove;
        const bool towardsLow = outBelow < outAbove;
        const float depth = towardsLow ? outBelow : outAbove;
        if (depth < penetration) {
            penetration = depth;
            outNormal = towardsLow ? RVector2{-axis.x, -axis.y} : axis;
        }
        if (velocity > 0.0f) {
            const float leave = (shapeHigh - boxLow) / velocity;
            if (leave < exit)
                exit = leave;
        } else if (velocity < 0.0f) {
            const float leave = (boxHigh - shapeLow) / -velocity;
            if (leave < exit)
                exit = leave;
        }
    }

    ESweepResult Finish(const RVector2& delta, RSweepHit* hit) const
    {
        if (missed)
            return SWEEP_MISS;
        if (entry == -kInfinity) {
            // Overlapping on every axis: a box only touching and moving in is stopped at once.
            hit->time = 0.0f;
            hit->normal = outNormal;
            if (penetration <= kCollisionTouchDepth && Dot(delta, outNormal) < 0.0f)
                return SWEEP_HIT;
            return SWEEP_OVERLAP;
        }
        if (entry >= exit || entry > 1.0f)
            return SWEEP_MISS;
        hit->time = entry;
        hit->normal = entryNormal;
        return SWEEP_HIT;
    }
};

// A ray from origin along delta (times 0 to 1) into the box [min, max] from outside or its boundary.
bool RayBox(const RVector2& origin, const RVector2& delta, const RVector2& min, const RVector2& max, float* time,
            RVector2* normal)
{
    AxisSweep sweep;
    sweep.Add(RVector2{1.0f, 0.0f}, origin.x, origin.x, delta.x, min.x, max.x);
    sweep.Add(RVector2{0.0f, 1.0f}, origin.y, origin.y, delta.y, min.y, max.y);
    RSweepHit hit;
    if (sweep.missed || sweep.entry == -kInfinity || sweep.Finish(delta, &hit) != SWEEP_HIT)
        return false;
    *time = hit.time;
    *normal = hit.normal;
    return true;
}

// A ray from origin along delta (times 0 to 1) into the circle from outside; a graze is no hit.
bool RayCircle(const RVector2& origin, const RVector2& delta, const RVector2& center, float radius, float* time,
               RVector2* normal)
{
    const RVector2 offset = {origin.x - center.x, origin.y - center.y};
    const float a = Dot(delta, delta);
    const float b = 2.0f * Dot(offset, delta);
    const float c = Dot(offset, offset) - radius * radius;
    if (a <= 0.0f || radius <= 0.0f)
        return false;
    const float discriminant = b * b - 4.0f * a * c;
    if (discriminant <= 0.0f)
        return false;
    float t = (-b - std::sqrt(discriminant)) / (2.0f * a);
    if (t < 0.0f) {
        if (b >= 0.0f || c > 0.0f)
            return false;
        t = 0.0f;  // starting on the edge (within rounding) and moving in
    }
    if (t > 1.0f)
        return false;
    *time = t;
    const RVector2 at = {origin.x + delta.x * t - center.x, origin.y + delta.y * t - center.y};
    const float length = std::sqrt(Dot(at, at));
    *normal = length > 0.0f ? RVector2{at.x / length, at.y / length} : RVector2{0.0f, 0.0f};
    return true;
}

}  // namespace

ESweepResult SweepBoxBox(const RVector2& center, const RVector2& half, const RVector2& delta, const RVector2& boxMin,
                         const RVector2& boxMax, RSweepHit* hit)
{
    AxisSweep sweep;
    sweep.Add(RVector2{1.0f, 0.0f}, center.x - half.x, center.x + half.x, delta.x, boxMin.x, boxMax.x);
    if (sweep.missed)
        return SWEEP_MISS;
    sweep.Add(RVector2{0.0f, 1.0f}, center.y - half.y, center.y + half.y, delta.y, boxMin.y, boxMax.y);
    return sweep.Finish(delta, hit);
}

ESweepResult SweepBoxConvex(const RVector2& center, const RVector2& half, const RVector2& delta,
                            const RVector2* vertices, uint32_t count, RSweepHit* hit)
{
    if (count == 0)
        return SWEEP_MISS;
    AxisSweep sweep;
    auto project = [&](const RVector2& axis) {
        float low = Dot(vertices[0], axis), high = low;
        for (uint32_t i = 1; i < count; ++i) {
            const float d = Dot(vertices[i], axis);
            low = d < low ? d : low;
            high = d > high ? d : high;
        }
        const float c = Dot(center, axis);
        const float r = half.x * std::fabs(axis.x) + half.y * std::fabs(axis.y);
        sweep.Add(axis, c - r, c + r, Dot(delta, axis), low, high);
    };
    project(RVector2{1.0f, 0.0f});
    project(RVector2{0.0f, 1.0f});
    for (uint32_t i = 0; i < count && !sweep.missed; ++i) {
        const RVector2& a = vertices[i];
        const RVector2& b = vertices[(i + 1) % count];
        const RVector2 edge = {b.x - a.x, b.y - a.y};
        const float length = std::sqrt(Dot(edge, edge));
        // Axis-aligned edges repeat the box's axes; repeated corners give no edge.
        if (length <= 0.0f || edge.x == 0.0f || edge.y == 0.0f)
            continue;
        project(RVector2{-edge.y / length, edge.x / length});
    }
    return sweep.Finish(delta, hit);
}

ESweepResult SweepBoxCircle(const RVector2& center, const RVector2& half, const RVector2& delta,
                            const RVector2& circleCenter, float radius, RSweepHit* hit)
{
    if (radius <= 0.0f)
        return SweepBoxBox(center, half, delta, circleCenter, circleCenter, hit);
    // The point of the box nearest the circle's centre tells overlap.
    const RVector2 nearest = {std::fmin(std::fmax(circleCenter.x, center.x - half.x), center.x + half.x),
                              std::fmin(std::fmax(circleCenter.y, center.y - half.y), center.y + half.y)};
    const RVector2 away = {nearest.x - circleCenter.x, nearest.y - circleCenter.y};
    const float distance = std::sqrt(Dot(away, away));
    if (distance < radius) {
        hit->time = 0.0f;
        hit->normal = distance > 0.0f ? RVector2{away.x / distance, away.y / distance} : RVector2{0.0f, 0.0f};
        if (radius - distance <= kCollisionTouchDepth && Dot(delta, hit->normal) < 0.0f)
            return SWEEP_HIT;
        return SWEEP_OVERLAP;
    }
    // The box's centre as a ray against the circle grown by the box: two boxes and four corner circles.
    float best = kInfinity;
    RVector2 bestNormal = {0.0f, 0.0f};
    float time;
    RVector2 normal;
    const RVector2 wide = {half.x + radius, half.y};
    const RVector2 tall = {half.x, half.y + radius};
    if (RayBox(center, delta, RVector2{circleCenter.x - wide.x, circleCenter.y - wide.y},
               RVector2{circleCenter.x + wide.x, circleCenter.y + wide.y}, &time, &normal) && time < best) {
        best = time;
        bestNormal = normal;
    }
    if (RayBox(center, delta, RVector2{circleCenter.x - tall.x, circleCenter.y - tall.y},
               RVector2{circleCenter.x + tall.x, circleCenter.y + tall.y}, &time, &normal) && time < best) {
        best = time;
        bestNormal = normal;
    }
    for (int corner = 0; corner < 4; ++corner) {
        const RVector2 at = {circleCenter.x + ((corner & 1) ? half.x : -half.x),
                             circleCenter.y + ((corner & 2) ? half.y : -half.y)};
        if (RayCircle(center, delta, at, radius, &time, &normal) && time < best) {
            best = time;
            bestNormal = normal;
        }
    }
    if (best == kInfinity)
        return SWEEP_MISS;
    hit->time = best;
    hit->normal = bestNormal;
    return SWEEP_HIT;
}
