#include "scene/RCollisionBox.h"

#include <cmath>

namespace {

float Extent(float value) { return std::isfinite(value) && value > 0.0f ? value : 0.0f; }

}  // namespace

RCollisionBox::RCollisionBox(const RVector2& center, const RVector2& halfExtents)
{
    m_half = RVector2{Extent(halfExtents.x), Extent(halfExtents.y)};
    SetPosition(center);
}

void RCollisionBox::SetHalfExtents(const RVector2& halfExtents)
{
    m_half = RVector2{Extent(halfExtents.x), Extent(halfExtents.y)};
    BoundsChanged();
}

void RCollisionBox::GetBounds(RVector2* min, RVector2* max) const
{
    const RVector2& p = GetPosition();
    *min = RVector2{p.x - m_half.x, p.y - m_half.y};
    *max = RVector2{p.x + m_half.x, p.y + m_half.y};
}

ESweepResult RCollisionBox::SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                                     RSweepHit* hit) const
{
    RVector2 min, max;
    GetBounds(&min, &max);
    return SweepBoxBox(center, half, delta, min, max, hit);
}
