#include "scene/RBasingComponent.h"

#include "scene/RCollisionInterface.h"
#include "scene/RCollisionWorld.h"
#include "scene/REntity.h"
#include "scene/RJumpComponent.h"
#include "scene/RSpatialComponent.h"

void RBasingComponent::Carry()
{
    RCollisionInterface* base = m_stoodOn ? RCollisionInterface::FromHandle(m_base) : nullptr;
    m_stoodOn = false;
    if (!base) {
        m_base.Clear();
        return;
    }
    const RVector2 position = base->GetPosition();
    const RVector3 delta = {position.x - m_basePosition.x, position.y - m_basePosition.y, 0.0f};
    m_basePosition = position;
    RSpatialComponent* spatial = GetOwner() ? GetOwner()->GetComponent<RSpatialComponent>() : nullptr;
    if (!spatial || (delta.x == 0.0f && delta.y == 0.0f))
        return;
    // The carry is a move of its own: it keeps the velocity and the base it found.
    const RHandle self = GetHandle();
    const RHandle keptBase = m_base;
    const RVector3 velocity = spatial->GetVelocity();
    spatial->Move(delta);
    if (!self.Get())
        return;
    spatial->SetVelocity(velocity);
    m_base = keptBase;
    m_stoodOn = false;
}

void RBasingComponent::OnContact(const RContact& contact)
{
    if (contact.trigger)
        return;
    const RVector2 up = RCollisionWorld::GetUp();
    if (contact.normal.x * up.x + contact.normal.y * up.y < RJumpComponent::kGroundCosine)
        return;
    RCollisionInterface* shape = RCollisionInterface::FromHandle(contact.shape);
    if (!shape)
        return;
    if (shape->GetHandle() != m_base) {
        m_base = contact.shape;
        m_basePosition = shape->GetPosition();
    }
    m_stoodOn = true;
}
