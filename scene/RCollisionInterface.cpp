#include "scene/RCollisionInterface.h"

#include "scene/RCollisionWorld.h"

RCollisionInterface::~RCollisionInterface()
{
    if (m_world)
        m_world->RemoveShape(this);
}

void RCollisionInterface::SetPosition(const RVector2& position)
{
    m_position = position;
    BoundsChanged();
}

bool RCollisionInterface::OverlapsBox(const RVector2& center, const RVector2& half) const
{
    RSweepHit hit;
    return SweepBox(center, half, RVector2{0.0f, 0.0f}, &hit) == SWEEP_OVERLAP;
}

void RCollisionInterface::BoundsChanged()
{
    if (m_world)
        m_world->UpdateShape(this);
}
