#include "scene/RJumpComponent.h"

#include <cmath>

#include "scene/RCollisionInterface.h"
#include "scene/RCollisionWorld.h"
#include "scene/REntity.h"
#include "scene/RSpatialComponent.h"

namespace {

float NonNegative(float value) { return std::isfinite(value) && value > 0.0f ? value : 0.0f; }

}  // namespace

void RJumpComponent::SetLaunchSpeed(float speed) { m_launchSpeed = NonNegative(speed); }
void RJumpComponent::SetGravity(float gravity) { m_gravity = NonNegative(gravity); }
void RJumpComponent::SetWallJumpSpeed(float speed) { m_wallJumpSpeed = NonNegative(speed); }

bool RJumpComponent::DropThrough()
{
    RSpatialComponent* spatial = GetOwner() ? GetOwner()->GetComponent<RSpatialComponent>() : nullptr;
    if (!spatial || !m_grounded)
        return false;
    bool dropped = false;
    for (uint32_t i = 0; i < m_oneWayGround.getCount(); ++i) {
        if (!m_oneWayGround[i].Get())
            continue;
        spatial->IgnoreOneWay(m_oneWayGround[i]);
        dropped = true;
    }
    if (dropped) {
        m_grounded = false;
        m_oneWayGround.clear();
    }
    return dropped;
}

bool RJumpComponent::TryJump(RSpatialComponent* spatial)
{
    if (m_bufferLeft <= 0.0f)
        return false;
    const RVector2 up = RCollisionWorld::GetUp();
    RVector2 push = {0.0f, 0.0f};
    if (m_grounded) {
        m_extraJumpsLeft = m_extraJumps;
    } else if (m_touchingWall && m_wallJumpSpeed > 0.0f) {
        push = RVector2{m_wallNormal.x * m_wallJumpSpeed, m_wallNormal.y * m_wallJumpSpeed};
    } else if (m_extraJumpsLeft > 0) {
        --m_extraJumpsLeft;
    } else {
        return false;
    }
    // The upward part of the velocity becomes the launch speed; the rest is kept.
    RVector3 velocity = spatial->GetVelocity();
    const float along = velocity.x * up.x + velocity.y * up.y;
    velocity.x += up.x * (m_launchSpeed - along) + push.x;
    velocity.y += up.y * (m_launchSpeed - along) + push.y;
    spatial->SetVelocity(velocity);
    m_bufferLeft = 0.0f;
    m_grounded = false;
    m_oneWayGround.clear();
    return true;
}

void RJumpComponent::Step(float step)
{
    RSpatialComponent* spatial = GetOwner() ? GetOwner()->GetComponent<RSpatialComponent>() : nullptr;
    if (!spatial || !std::isfinite(step) || step < 0.0f)
        return;
    const RHandle self = GetHandle();
    m_justJumped = TryJump(spatial);
    if (m_bufferLeft > 0.0f)
        m_bufferLeft -= step;

    // Gravity pulls against up.
    const RVector2 up = RCollisionWorld::GetUp();
    RVector3 velocity = spatial->GetVelocity();
    velocity.x -= up.x * m_gravity * step;
    velocity.y -= up.y * m_gravity * step;
    spatial->SetVelocity(velocity);

    // This step's move decides the ground and the wall.
    m_wasGrounded = m_grounded;
    m_grounded = false;
    m_touchingWall = false;
    m_oneWayGround.clear();
    spatial->Step(step);
    if (!self.Get())
        return;  // a contact handler deleted the entity
    m_justLanded = m_grounded && !m_wasGrounded;
    if (m_grounded)
        m_extraJumpsLeft = m_extraJumps;
}

void RJumpComponent::OnContact(const RContact& contact)
{
    if (contact.trigger)
        return;
    const RVector2 up = RCollisionWorld::GetUp();
    const float upward = contact.normal.x * up.x + contact.normal.y * up.y;
    if (upward >= kGroundCosine) {
        m_grounded = true;
        const RCollisionInterface* shape = RCollisionInterface::FromHandle(contact.shape);
        if (shape && shape->IsOneWay())
            m_oneWayGround.pushUniqueElement(contact.shape);
    } else if (std::fabs(upward) < kGroundCosine) {
        m_touchingWall = true;
        m_wallNormal = contact.normal;
    }
}
