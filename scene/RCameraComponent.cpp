#include "scene/RCameraComponent.h"

#include <cmath>

#include "render/view/RCamera.h"
#include "scene/REntity.h"
#include "scene/RSpatialComponent.h"

namespace {

// The centre on one axis: the target, moved so [centre - view / 2, centre + view / 2] lies within [min, max];
// in the middle of them when the view is wider; the target itself when the axis is unbounded.
float Fit(float target, float view, float min, float max)
{
    if (min > max)
        return target;
    if (view >= max - min)
        return (min + max) * 0.5f;
    const float half = view * 0.5f;
    if (target - half < min)
        return min + half;
    if (target + half > max)
        return max - half;
    return target;
}

}  // namespace

void RCameraComponent::SetTarget(REntity* target)
{
    if (target)
        m_target = target->GetHandle();
    else
        m_target.Clear();
}

void RCameraComponent::SetBounds(const RVector2& min, const RVector2& max)
{
    m_boundsMin = min;
    m_boundsMax = max;
}

void RCameraComponent::Update()
{
    REntity* target = GetOwner();
    if (m_target.GetId() != 0) {
        RRTTIBase* object = m_target.Get();
        target = object && object->IsA(REntity::StaticGetClassName()) ? static_cast<REntity*>(object) : nullptr;
    }
    RSpatialComponent* spatial = target ? target->GetComponent<RSpatialComponent>() : nullptr;
    if (!spatial)
        return;
    const RVector3& position = spatial->GetDisplayPosition();
    const RVector2 center = {Fit(position.x, m_viewSize.x, m_boundsMin.x, m_boundsMax.x),
                             Fit(position.y, m_viewSize.y, m_boundsMin.y, m_boundsMax.y)};
    if (!std::isfinite(center.x) || !std::isfinite(center.y))
        return;
    m_center = center;
    if (m_camera) {
        RVector3 eye = m_camera->GetPosition();
        eye.x = m_center.x;
        eye.y = m_center.y;
        m_camera->SetPosition(eye);
    }
}
