#include "scene/RCollisionPoint.h"

void RCollisionPoint::GetBounds(RVector2* min, RVector2* max) const
{
    *min = GetPosition();
    *max = GetPosition();
}

ESweepResult RCollisionPoint::SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                                       RSweepHit* hit) const
{
    return SweepBoxBox(center, half, delta, GetPosition(), GetPosition(), hit);
}
