// RCamera: an eye position with an orthonormal basis (direction, side to the left, up) and a perspective or
// orthographic lens, producing the view, projection and view x projection matrices in RMatrix4's row-vector
// reading. Setters only mark the camera dirty; every matrix getter rebuilds first when it is. Whoever creates a
// camera owns it. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RMath.h"

// The engine's world-up vector, (0, 0, 1) at start. Cameras with the world-up flag read it; the game sets it.
extern RVector3 g_worldUp;

class RCamera {
public:
    // The largest angle, in radians (89 degrees), between the direction and the horizontal plane that Pitch
    // allows.
    static constexpr float kMaxPitch = 1.5533431f;

    // At the origin looking along +x with +z up; the field of view in degrees.
    RCamera(float fovDegrees, float aspect, float nearZ, float farZ);
    virtual ~RCamera() = default;

    void SetPosition(const RVector3& position);
    // The vector normalised; a vector of no length gives the zero direction, and a degenerate basis.
    void SetDirection(const RVector3& direction);
    void SetUp(const RVector3& up);
    // Looks from the position towards the point.
    void LookAt(const RVector3& point);
    // Degrees for a perspective camera; for an orthographic one the view height in world units, unconverted.
    void SetFOV(float value);
    // The flag, and the view height in world units stored as the field of view.
    void SetOrthographic(bool orthographic, float height);
    void SetAspect(float aspect);
    void SetNear(float nearZ);
    void SetFar(float farZ);
    // Below this aspect the perspective keeps the horizontal extent of this aspect; -1 keeps the vertical field.
    void SetMinAspect(float minAspect);
    // When set (the default), the basis and the turns use g_worldUp instead of the camera's own up.
    void SetUseWorldUp(bool useWorldUp);

    const RVector3& GetPosition() const { return m_position; }
    const RVector3& GetDirection() const { return m_direction; }
    const RVector3& GetSide() const { return m_side; }
    const RVector3& GetUp() const { return m_up; }
    float GetFOV() const { return m_fov; }  // radians, or the orthographic view height
    float GetAspect() const { return m_aspect; }
    float GetNear() const { return m_near; }
    float GetFar() const { return m_far; }
    float GetMinAspect() const { return m_minAspect; }
    bool IsOrthographic() const { return m_orthographic != 0; }
    bool UsesWorldUp() const { return m_useWorldUp != 0; }

    // Each rebuilds the camera first when it is dirty.
    RMatrix4 GetViewMatrix();
    RMatrix4 GetProjectionMatrix();
    RMatrix4 GetViewProjectionMatrix();

    // The world point in normalised device coordinates: (x, y, z, 1) through the view x projection, divided by
    // w. A point in the eye's plane (w = 0) has no projection: the result is zero and *projected, when given,
    // is false.
    RVector3 Project(const RVector3& point, bool* projected = nullptr);
    // The inverse of Project. A camera whose view x projection cannot be inverted (a degenerate basis or lens)
    // gives zero and *unprojected false.
    RVector3 Unproject(const RVector3& point, bool* unprojected = nullptr);

    // Free-fly turns (radians) and moves (world units). Pitch raises the direction towards up' and keeps it
    // within kMaxPitch of the horizontal; Yaw turns the direction about up'; Roll turns the up about the
    // direction. up' is g_worldUp with the world-up flag, else the camera's up. A turn about an axis of no
    // length changes nothing.
    void Pitch(float angle);
    void Yaw(float angle);
    void Roll(float angle);
    void MoveForward(float distance);       // along the direction
    void MoveRight(float distance);         // along the side
    void MoveUp(float distance);            // along the camera's up
    void MoveForwardLevel(float distance);  // along the direction's horizontal part, side x up'
    void MoveRightLevel(float distance);    // along up' x direction
    void MoveUpWorld(float distance);       // along up'
    void Translate(const RVector3& offset);
    void MoveAlong(const RVector3& vector, float distance);

    // Rebuilds the basis, the view and the projection when the camera is dirty.
    void Update();

private:
    const RVector3& WorldUp() const;
    // side = normalise(up' x direction). A direction along up' (or an up' of no length) keeps the previous side,
    // made square to the direction, rather than collapsing the basis; only a zero direction gives a zero side.
    void UpdateSide();
    // UpdateSide, then up = normalise(direction x side); the camera's own up is overwritten either way.
    void OrthonormaliseBasis();
    // The projection from the lens; one that would hold infinities or NaNs (no aspect, no field of view, the
    // near plane on the far one) is not taken and the last good one stays.
    void UpdateProjection();

    RVector3 m_position = {0.0f, 0.0f, 0.0f};
    RVector3 m_direction = {1.0f, 0.0f, 0.0f};
    RVector3 m_side = {0.0f, 1.0f, 0.0f};
    RVector3 m_up = {0.0f, 0.0f, 1.0f};
    RMatrix4 m_view;
    RMatrix4 m_projection;
    RMatrix4 m_viewProjection;
    float m_fov = 0.0f;
    float m_aspect = 1.0f;
    float m_near = 1.0f;
    float m_far = 1000.0f;
    float m_minAspect = -1.0f;
    uint8_t m_orthographic = 0;
    uint8_t m_useWorldUp = 1;
    uint8_t m_dirty = 1;
};
