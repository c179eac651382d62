#include "scene/RCollisionInterface.h"

#include "core/types/RHandle.h"
#include "scene/RCollisionWorld.h"

RCollisionInterface::~RCollisionInterface()
{
    if (m_world)
        m_world->RemoveShape(this);
}

RCollisionInterface* RCollisionInterface::FromHandle(const RHandle& handle)
{
    RRTTIBase* object = handle.Get();
    if (!object || !object->IsA(StaticGetClassName()))
        return nullptr;
    return static_cast<RCollisionInterface*>(object);
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
