// Player: the player's entity. Every fixed step it reads the "Gameplay" actions through its player controller
// component, walks, asks its jump component to jump (buffered; the double jump and the wall jump once their powers
// are found; "JumpDown" drops through the platform stood on) and moves through it: carried by the platform it
// stands on, then swept through the collision world, whose contacts tell the jump component of ground and walls
// and tell the player of the triggers it touches. Each jump plays the jump tune. It throws the switches it stands
// in and leaves the room by its edges. Its constructor turns the engine's world-up vector to (0, -1, 0): the
// game's y runs down the screen.
#pragma once

#include "game/GameEntity.h"

class RPlayerControllerComponent;
class RJumpComponent;

class Player : public GameEntity {
    RRTTI_CLASS(Player, GameEntity)
public:
    static constexpr float kWidth = 6.0f;
    static constexpr float kHeight = 8.0f;
    static constexpr float kWalkSpeed = 64.0f;    // pixels per second
    static constexpr float kGravity = 700.0f;     // pixels per second squared
    static constexpr float kLaunchSpeed = 215.0f;
    static constexpr float kWallKickSpeed = 90.0f;
    static constexpr float kWallKickTime = 0.15f;  // seconds the kick off a wall outweighs walking
    static constexpr float kRespawnDelay = 0.8f;

    Player(World& world, const EntityTemplates::Template& entry, float x, float y);

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

    // The triggers the player's moves meet are touched.
    void OnContact(const RContact& contact) override;

protected:
    void FixedStep(float step) override;
    void UpdateSprite(float x, float y) override;

private:
    void ThrowSwitches();
    void CheckEdges();

    RPlayerControllerComponent* m_controls = nullptr;
    RJumpComponent* m_jump = nullptr;
    float m_wallKick = 0.0f;
    float m_respawnTimer = 0.0f;
    bool m_facingLeft = false;
    bool m_killed = false;
    bool m_teleportLock = false;
    bool m_touchingTeleport = false;
};
