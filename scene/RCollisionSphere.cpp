#include "scene/RCollisionSphere.h"

#include <cmath>

RCollisionSphere::RCollisionSphere(const RVector2& center, float radius)
{
    m_radius = std::isfinite(radius) && radius > 0.0f ? radius : 0.0f;
    SetPosition(center);
}

void RCollisionSphere::SetRadius(float radius)
{
    m_radius = std::isfinite(radius) && radius > 0.0f ? radius : 0.0f;
    BoundsChanged();
}

void RCollisionSphere::GetBounds(RVector2* min, RVector2* max) const
{
    const RVector2& p = GetPosition();
    *min = RVector2{p.x - m_radius, p.y - m_radius};
    *max = RVector2{p.x + m_radius, p.y + m_radius};
}

ESweepResult RCollisionSphere::SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                                        RSweepHit* hit) const
{
    return SweepBoxCircle(center, half, delta, GetPosition(), m_radius, hit);
}
