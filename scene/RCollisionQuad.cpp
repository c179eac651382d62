#include "scene/RCollisionQuad.h"

#include <cmath>

bool RCollisionQuad::SetCorners(const RVector2 corners[4])
{
    for (int i = 0; i < 4; ++i) {
        if (!std::isfinite(corners[i].x) || !std::isfinite(corners[i].y))
            return false;
    }
    for (int i = 0; i < 4; ++i)
        m_corners[i] = corners[i];
    BoundsChanged();
    return true;
}

void RCollisionQuad::GetBounds(RVector2* min, RVector2* max) const
{
    const RVector2& p = GetPosition();
    *min = *max = RVector2{p.x + m_corners[0].x, p.y + m_corners[0].y};
    for (int i = 1; i < 4; ++i) {
        min->x = std::fmin(min->x, p.x + m_corners[i].x);
        min->y = std::fmin(min->y, p.y + m_corners[i].y);
        max->x = std::fmax(max->x, p.x + m_corners[i].x);
        max->y = std::fmax(max->y, p.y + m_corners[i].y);
    }
}

ESweepResult RCollisionQuad::SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                                      RSweepHit* hit) const
{
    // In the quad's own frame, so the corners need no copy.
    const RVector2& p = GetPosition();
    return SweepBoxConvex(RVector2{center.x - p.x, center.y - p.y}, half, delta, m_corners, 4, hit);
}
