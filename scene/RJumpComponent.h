// RJumpComponent: the platform-game movement of an entity with a spatial component: gravity against the world's
// up direction, a jump that replaces the upward part of the velocity with the launch speed, a jump buffer (a jump
// asked for shortly before landing happens on landing), the ground test from the contacts of the moves, wall
// contact for a wall jump, extra jumps in the air (a double jump), and dropping through one-way platforms. It
// owns nothing; the spatial component reports its contacts to it. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHandle.h"
#include "core/types/RMath.h"
#include "core/types/RUtilVector.h"
#include "scene/RComponent.h"
#include "scene/RContact.h"

class RJumpComponent : public RComponent {
    RRTTI_CLASS(RJumpComponent, RComponent)
public:
    // How long an asked-for jump waits for the entity to be able to jump, in seconds.
    static constexpr float kJumpBufferTime = 0.1f;
    // A contact normal within about 45 degrees of up is ground; one nearer the side than that, a wall.
    static constexpr float kGroundCosine = 0.7f;

    RJumpComponent() = default;

    // Speed along up given by a jump (world units a second) and gravity's acceleration (world units a second
    // squared). Negative or non-finite values are taken as zero.
    void SetLaunchSpeed(float speed);
    void SetGravity(float gravity);
    float GetLaunchSpeed() const { return m_launchSpeed; }
    float GetGravity() const { return m_gravity; }
    // The jumps allowed in the air before landing again (1: a double jump).
    void SetExtraJumps(int32_t count) { m_extraJumps = count > 0 ? count : 0; }
    int32_t GetExtraJumpsLeft() const { return m_extraJumpsLeft; }
    // A jump while touching a wall in the air pushes away from it at this speed (0: no wall jump).
    void SetWallJumpSpeed(float speed);

    // Arms the jump buffer: the next Step that can jump within kJumpBufferTime does.
    void RequestJump() { m_bufferLeft = kJumpBufferTime; }
    // Drops through the one-way platforms the entity stands on. False when it stands on none.
    bool DropThrough();

    // One fixed step: jumps when armed and able, applies gravity, then moves the spatial component by its
    // velocity. The ground, wall and landing states are those of this step's move.
    void Step(float step);

    bool IsGrounded() const { return m_grounded; }
    bool JustLanded() const { return m_justLanded; }
    bool JustJumped() const { return m_justJumped; }
    bool IsTouchingWall() const { return m_touchingWall; }
    // The normal of the wall touched, pointing away from it.
    const RVector2& GetWallNormal() const { return m_wallNormal; }

    // Told by the spatial component of each contact of a move.
    void OnContact(const RContact& contact);

private:
    // Jumps when the buffer is armed and the entity can; true when it did.
    bool TryJump(class RSpatialComponent* spatial);

    float m_launchSpeed = 0.0f;
    float m_gravity = 0.0f;
    float m_wallJumpSpeed = 0.0f;
    int32_t m_extraJumps = 0;
    int32_t m_extraJumpsLeft = 0;
    float m_bufferLeft = 0.0f;
    bool m_grounded = false;
    bool m_wasGrounded = false;
    bool m_justLanded = false;
    bool m_justJumped = false;
    bool m_touchingWall = false;
    RVector2 m_wallNormal = {0.0f, 0.0f};
    // The one-way shapes stood on in the latest move.
    RUtilVector<RHandle> m_oneWayGround;
};
