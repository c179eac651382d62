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

void RCollisionInterface::BoundsChanged()
{
    if (m_world)
        m_world->UpdateShape(this);
}
