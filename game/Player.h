// Player: the player's entity. Every fixed step it reads the "Gameplay" actions through its player controller
// component, walks, falls and jumps (a jump buffered for a moment before landing, the double jump and the wall
// jump once their powers are found, a drop through a platform on "JumpDown"), rides platforms, is stopped by solid
// tiles, throws the switches it touches, touches the room's entities and leaves the room by its edges. Each jump
// plays the jump tune. Its constructor turns the engine's world-up vector to (0, -1, 0): the game's y runs down.
#pragma once

#include "game/GameEntity.h"

class RPlayerControllerComponent;

class Player : public GameEntity {
    RRTTI_CLASS(Player, GameEntity)
public:
    static constexpr float kWidth = 6.0f;
    static constexpr float kHeight = 8.0f;
    static constexpr float kWalkSpeed = 64.0f;    // pixels per second
    static constexpr float kGravity = 700.0f;     // pixels per second squared
    static constexpr float kLaunchSpeed = 215.0f;
    static constexpr float kMaxFallSpeed = 320.0f;
    static constexpr float kJumpBuffer = 0.1f;    // seconds a jump press waits for the ground
    static constexpr float kCoyoteTime = 0.08f;   // seconds after leaving a ledge a jump still counts as from it
    static constexpr float kWallKickSpeed = 90.0f;
    static constexpr float kWallKickTime = 0.15f;
    static constexpr float kRespawnDelay = 0.8f;

    Player(World& world, const EntityTemplates::Template& entry, float x, float y);

    void Step(float step) override;

    // Dies (once until respawned): the sprite goes, and after a moment the world puts it back at the respawn
    // point.
    void Kill();
    bool IsAlive() const { return !m_killed; }
    // Puts the player at x, y, alive and at rest.
    void Respawn(float x, float y);
    // Moves the player across an edge into the next room, keeping its speed.
    void Carry(float x, float y) { PlaceAt(x, y); }
    // A teleport works only for a player that stood outside every teleport since the last one.
    bool CanTeleport() const { return !m_teleportLock; }
    void OnTeleported() { m_teleportLock = true; }
    void NoteTouchingTeleport() { m_touchingTeleport = true; }
    bool IsGrounded() const { return m_grounded; }
    float GetVelocityY() const { return m_vy; }

protected:
    void UpdateSprite(float fraction) override;

private:
    // Moves along one axis, stopping at solid tiles; true when it was stopped.
    bool MoveX(float dx);
    bool MoveY(float dy);
    bool TouchesWall(int32_t direction) const;
    void Jump(float speed);
    void ThrowSwitches();
    void CheckEdges();

    RPlayerControllerComponent* m_controls;
    float m_vx = 0.0f;
    float m_vy = 0.0f;
    float m_jumpBuffer = 0.0f;
    float m_coyote = 0.0f;
    float m_wallKick = 0.0f;
    float m_dropThrough = 0.0f;
    float m_killedTimer = 0.0f;
    int32_t m_extraJumps = 0;
    bool m_facingLeft = false;
    bool m_grounded = false;
    bool m_killed = false;
    bool m_teleportLock = false;
    bool m_touchingTeleport = false;
    GameEntity* m_ride = nullptr;  // the platform stood on, valid for the current room
};
