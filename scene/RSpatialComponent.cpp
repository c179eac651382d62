#include "scene/RSpatialComponent.h"

#include "scene/RCollisionInterface.h"

void RSpatialComponent::AddContact(RCollisionInterface* shape)
{
    if (!shape || shape->GetHandle().GetId() == 0)
        return;
    m_contacts.pushUniqueElement(shape->GetHandle());
}

uint32_t RSpatialComponent::Move(const RVector3& delta)
{
    m_position.x += delta.x;
    m_position.y += delta.y;
    m_position.z += delta.z;
    uint32_t told = 0;
    // A shape told may delete another shape (or itself), so each handle is resolved just before its use.
    for (uint32_t i = 0; i < m_contacts.getCount();) {
        RCollisionInterface* shape = Resolve(m_contacts[i]);
        if (!shape) {
            m_contacts.erase(i, 1);
            continue;
        }
        ++i;
        shape->OnContactMoved(this);
        ++told;
    }
    return told;
}

RCollisionInterface* RSpatialComponent::Resolve(const RHandle& handle)
{
    RRTTIBase* object = handle.Get();
    if (!object || !object->IsA(RCollisionInterface::StaticGetClassName()))
        return nullptr;
    return static_cast<RCollisionInterface*>(object);
}
