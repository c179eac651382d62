// RCameraComponent: a view that follows an entity within bounds. Each update centres the view on the target's
// displayed position, then shifts it so the view rectangle stays inside the bounds (centred in them on an axis
// where the view is larger), and puts an optional camera's x and y there. The target is kept by handle (the owner
// when none is set); the camera is not owned. Main thread only.
#pragma once

#include "core/types/RHandle.h"
#include "core/types/RMath.h"
#include "scene/RComponent.h"

class RCamera;
class REntity;

class RCameraComponent : public RComponent {
    RRTTI_CLASS(RCameraComponent, RComponent)
public:
    RCameraComponent() = default;

    // The entity followed (null: the owner).
    void SetTarget(REntity* target);
    // The world rectangle the view stays within; min above max on an axis leaves that axis unbounded.
    void SetBounds(const RVector2& min, const RVector2& max);
    // The size of the view in world units.
    void SetViewSize(const RVector2& size) { m_viewSize = size; }
    // The camera moved by Update (null: none).
    void SetCamera(RCamera* camera) { m_camera = camera; }

    // Follows the target (a target gone or without a spatial component leaves the centre where it is).
    void Update();
    const RVector2& GetCenter() const { return m_center; }

private:
    RHandle m_target;
    RVector2 m_boundsMin = {0.0f, 0.0f}, m_boundsMax = {-1.0f, -1.0f};
    RVector2 m_viewSize = {0.0f, 0.0f};
    RVector2 m_center = {0.0f, 0.0f};
    RCamera* m_camera = nullptr;
};
