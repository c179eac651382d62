#include "render/view/RCamera.h"

#include <cmath>

RVector3 g_worldUp = {0.0f, 0.0f, 1.0f};

namespace {

const float kDegreesToRadians = 0.017453292f;

float Dot(const RVector3& a, const RVector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

RVector3 Cross(const RVector3& a, const RVector3& b)
{
    return RVector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

RVector3 Scaled(const RVector3& v, float s)
{
    return RVector3{v.x * s, v.y * s, v.z * s};
}

RVector3 Sum(const RVector3& a, const RVector3& b)
{
    return RVector3{a.x + b.x, a.y + b.y, a.z + b.z};
}

bool IsZero(const RVector3& v)
{
    return Dot(v, v) == 0.0f;
}

// The unit vector along v; a vector of no length gives the zero vector.
RVector3 Normalised(const RVector3& v)
{
    float inverse = 1.0f / std::sqrt(Dot(v, v));
    if (!std::isfinite(inverse))
        return RVector3{0.0f, 0.0f, 0.0f};
    return Scaled(v, inverse);
}

// v turned about the axis by angle; an axis of no length leaves v as it is.
RVector3 Rotated(const RVector3& v, const RVector3& axis, float angle)
{
    if (IsZero(axis))
        return v;
    RMatrix4 rotation;
    RMatrix4::MakeRotationAxis(rotation, axis, angle);
    return RMatrix4::TransformPoint3D(rotation, v);
}

// A unit vector square to the unit vector d: d crossed with the world axis it is least aligned with.
RVector3 AnyPerpendicular(const RVector3& d)
{
    float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    RVector3 axis = {0.0f, 0.0f, 1.0f};
    if (ax <= ay && ax <= az)
        axis = RVector3{1.0f, 0.0f, 0.0f};
    else if (ay <= az)
        axis = RVector3{0.0f, 1.0f, 0.0f};
    return Normalised(Cross(axis, d));
}

bool IsFinite(const RMatrix4& matrix)
{
    for (float value : matrix.m) {
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

}  // namespace

RCamera::RCamera(float fovDegrees, float aspect, float nearZ, float farZ)
    : m_fov(fovDegrees * kDegreesToRadians), m_aspect(aspect), m_near(nearZ), m_far(farZ)
{
    m_view.SetIdentity();
    m_projection.SetIdentity();
    m_viewProjection.SetIdentity();
    Update();
}

void RCamera::SetPosition(const RVector3& position)
{
    m_position = position;
    m_dirty = 1;
}

void RCamera::SetDirection(const RVector3& direction)
{
    m_direction = Normalised(direction);
    m_dirty = 1;
}

void RCamera::SetUp(const RVector3& up)
{
    m_up = Normalised(up);
    m_dirty = 1;
}

void RCamera::LookAt(const RVector3& point)
{
    m_direction = Normalised(Sum(point, Scaled(m_position, -1.0f)));
    m_dirty = 1;
}

void RCamera::SetFOV(float value)
{
    m_fov = m_orthographic ? value : value * kDegreesToRadians;
    m_dirty = 1;
}

void RCamera::SetOrthographic(bool orthographic, float height)
{
    m_orthographic = orthographic ? 1 : 0;
    m_fov = height;
    m_dirty = 1;
}

void RCamera::SetAspect(float aspect)
{
    m_aspect = aspect;
    m_dirty = 1;
}

void RCamera::SetNear(float nearZ)
{
    m_near = nearZ;
    m_dirty = 1;
}

void RCamera::SetFar(float farZ)
{
    m_far = farZ;
    m_dirty = 1;
}

void RCamera::SetMinAspect(float minAspect)
{
    m_minAspect = minAspect;
    m_dirty = 1;
}

void RCamera::SetUseWorldUp(bool useWorldUp)
{
    m_useWorldUp = useWorldUp ? 1 : 0;
    m_dirty = 1;
}

RMatrix4 RCamera::GetViewMatrix()
{
    Update();
    return m_view;
}

RMatrix4 RCamera::GetProjectionMatrix()
{
    Update();
    return m_projection;
}

RMatrix4 RCamera::GetViewProjectionMatrix()
{
    Update();
    return m_viewProjection;
}

RVector3 RCamera::Project(const RVector3& point, bool* projected)
{
    Update();
    RMatrix4 transposed;
    RMatrix4::Transpose(transposed, m_viewProjection);
    RVector4 clip = RMatrix4::TransformVector4(transposed, RVector4{point.x, point.y, point.z, 1.0f});
    RVector3 result = {clip.x / clip.w, clip.y / clip.w, clip.z / clip.w};
    bool ok = clip.w != 0.0f && std::isfinite(result.x) && std::isfinite(result.y) && std::isfinite(result.z);
    if (projected)
        *projected = ok;
    return ok ? result : RVector3{0.0f, 0.0f, 0.0f};
}

RVector3 RCamera::Unproject(const RVector3& point, bool* unprojected)
{
    Update();
    RMatrix4 transposed, inverse;
    RMatrix4::Transpose(transposed, m_viewProjection);
    RMatrix4::Inverse(inverse, transposed);
    RVector4 world = RMatrix4::TransformVector4(inverse, RVector4{point.x, point.y, point.z, 1.0f});
    RVector3 result = {world.x / world.w, world.y / world.w, world.z / world.w};
    bool ok = IsFinite(inverse) && world.w != 0.0f && std::isfinite(result.x) && std::isfinite(result.y) &&
              std::isfinite(result.z);
    if (unprojected)
        *unprojected = ok;
    return ok ? result : RVector3{0.0f, 0.0f, 0.0f};
}

const RVector3& RCamera::WorldUp() const
{
    return m_useWorldUp ? g_worldUp : m_up;
}

void RCamera::UpdateSide()
{
    RVector3 side = Normalised(Cross(WorldUp(), m_direction));
    if (IsZero(side) && !IsZero(m_direction)) {
        // The direction lies along up' (or up' has no length): the old side, made square to the direction,
        // keeps the view turned as it was; failing that, any square vector does.
        side = Normalised(Sum(m_side, Scaled(m_direction, -Dot(m_side, m_direction))));
        if (IsZero(side))
            side = AnyPerpendicular(m_direction);
    }
    m_side = side;
}

void RCamera::OrthonormaliseBasis()
{
    UpdateSide();
    m_up = Normalised(Cross(m_direction, m_side));
}

void RCamera::Update()
{
    if (!m_dirty)
        return;
    m_dirty = 0;
    OrthonormaliseBasis();
    RMatrix4::MakeViewFromAxes(m_view, m_position, m_direction, m_side, m_up);
    UpdateProjection();
    RMatrix4::Multiply(m_viewProjection, m_view, m_projection);
}

void RCamera::UpdateProjection()
{
    RMatrix4 projection;
    if (m_orthographic) {
        const float halfHeight = 0.5f * m_fov;
        const float halfWidth = halfHeight * m_aspect;
        RMatrix4::MakeOrtho(projection, -halfWidth, halfWidth, halfHeight, -halfHeight, m_near, m_far);
    } else {
        RMatrix4::MakePerspective(projection, m_fov, m_aspect, m_near, m_far, m_minAspect);
    }
    if (IsFinite(projection))
        m_projection = projection;
}

void RCamera::Pitch(float angle)
{
    m_dirty = 1;
    UpdateSide();
    const RVector3 up = Normalised(WorldUp());
    if (IsZero(up) || IsZero(m_side))
        return;
    // The direction is its horizontal part raised by its elevation; turning about the side changes only the
    // elevation, which is kept within the limit so that the turn never passes over a pole, however large.
    const RVector3 forward = Normalised(Cross(m_side, up));
    float elevation = std::atan2(Dot(m_direction, up), Dot(m_direction, forward)) + angle;
    if (elevation > kMaxPitch)
        elevation = kMaxPitch;
    else if (elevation < -kMaxPitch)
        elevation = -kMaxPitch;
    m_direction = Normalised(Sum(Scaled(forward, std::cos(elevation)), Scaled(up, std::sin(elevation))));
}

void RCamera::Yaw(float angle)
{
    m_direction = Normalised(Rotated(m_direction, WorldUp(), angle));
    m_dirty = 1;
}

void RCamera::Roll(float angle)
{
    m_up = Normalised(Rotated(m_up, m_direction, angle));
    m_dirty = 1;
}

void RCamera::MoveForward(float distance)
{
    MoveAlong(m_direction, distance);
}

void RCamera::MoveRight(float distance)
{
    MoveAlong(m_side, distance);
}

void RCamera::MoveUp(float distance)
{
    MoveAlong(m_up, distance);
}

void RCamera::MoveForwardLevel(float distance)
{
    MoveAlong(Normalised(Cross(m_side, WorldUp())), distance);
}

void RCamera::MoveRightLevel(float distance)
{
    MoveAlong(Normalised(Cross(WorldUp(), m_direction)), distance);
}

void RCamera::MoveUpWorld(float distance)
{
    MoveAlong(WorldUp(), distance);
}

void RCamera::Translate(const RVector3& offset)
{
    m_position = Sum(m_position, offset);
    m_dirty = 1;
}

void RCamera::MoveAlong(const RVector3& vector, float distance)
{
    Translate(Scaled(vector, distance));
}
