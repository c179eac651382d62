#include "game/Player.h"

#include "game/AdjustableSprite.h"
#include "game/Platform.h"
#include "game/RoomView.h"
#include "game/World.h"
#include "render/view/RCamera.h"
#include "scene/RPlayerControllerComponent.h"

#include <cmath>

namespace {

const RHashedString& MoveLeft()
{
    static const RHashedString s_name("MoveLeft");
    return s_name;
}
const RHashedString& MoveRight()
{
    static const RHashedString s_name("MoveRight");
    return s_name;
}
const RHashedString& JumpAction()
{
    static const RHashedString s_name("Jump");
    return s_name;
}
const RHashedString& JumpDown()
{
    static const RHashedString s_name("JumpDown");
    return s_name;
}

constexpr float kTile = static_cast<float>(TileSets::kTileSize);

}  // namespace

Player::Player(World& world, const EntityTemplates::Template& entry, float x, float y)
    : GameEntity(world, entry, x, y, kWidth, kHeight, RoomView::GetPlayerGroup())
{
    g_worldUp = RVector3{0.0f, -1.0f, 0.0f};
    m_controls = AddComponent<RPlayerControllerComponent>();
    m_controls->SetGroup(RHashedString("Gameplay"));
}

void Player::Kill()
{
    if (m_killed)
        return;
    m_killed = true;
    m_killedTimer = kRespawnDelay;
    m_vx = m_vy = 0.0f;
    m_ride = nullptr;
    GetWorld().OnPlayerDied();
}

void Player::Respawn(float x, float y)
{
    PlaceAt(x, y);
    m_killed = false;
    m_vx = m_vy = 0.0f;
    m_jumpBuffer = m_coyote = m_wallKick = m_dropThrough = 0.0f;
    m_ride = nullptr;
    m_grounded = false;
    m_teleportLock = true;
}

bool Player::TouchesWall(int32_t direction) const
{
    return GetWorld().BoxHitsTiles(GetX() + static_cast<float>(direction), GetY(), kWidth, kHeight);
}

bool Player::MoveX(float dx)
{
    const float x = GetX() + dx;
    if (!GetWorld().BoxHitsTiles(x, GetY(), kWidth, kHeight)) {
        SetPosition(x, GetY());
        return false;
    }
    // Up against the tile's side.
    if (dx > 0.0f)
        SetPosition(std::floor((x + kWidth) / kTile) * kTile - kWidth - 0.001f, GetY());
    else if (dx < 0.0f)
        SetPosition((std::floor(x / kTile) + 1.0f) * kTile, GetY());
    return true;
}

bool Player::MoveY(float dy)
{
    const float y = GetY() + dy;
    if (!GetWorld().BoxHitsTiles(GetX(), y, kWidth, kHeight)) {
        SetPosition(GetX(), y);
        return false;
    }
    if (dy > 0.0f)
        SetPosition(GetX(), std::floor((y + kHeight) / kTile) * kTile - kHeight);
    else if (dy < 0.0f)
        SetPosition(GetX(), (std::floor(y / kTile) + 1.0f) * kTile);
    return true;
}

void Player::Jump(float speed)
{
    m_vy = -speed;
    m_jumpBuffer = 0.0f;
    m_coyote = 0.0f;
    m_grounded = false;
    m_ride = nullptr;
    GetWorld().PlayTune("Jump");
}

void Player::Step(float step)
{
    World& world = GetWorld();
    if (m_killed) {
        m_killedTimer -= step;
        if (m_killedTimer <= 0.0f)
            world.Respawn();
        return;
    }

    const bool left = m_controls->IsDown(MoveLeft(), 0.5f);
    const bool right = m_controls->IsDown(MoveRight(), 0.5f);
    m_jumpBuffer = m_controls->JustPressed(JumpAction(), 0.5f) ? kJumpBuffer : m_jumpBuffer - step;
    if (m_grounded && m_ride && m_controls->JustPressed(JumpDown(), 0.5f)) {
        m_dropThrough = 0.25f;
        m_ride = nullptr;
        m_grounded = false;
    }
    m_dropThrough -= step;
    m_wallKick -= step;

    // Carried by the platform stood on, then the player's own walk.
    if (m_ride) {
        const Platform* platform = static_cast<const Platform*>(m_ride);
        MoveX(platform->GetStepX());
        SetPosition(GetX(), platform->GetY() - kHeight);
    }
    if (m_wallKick <= 0.0f) {
        m_vx = (right ? kWalkSpeed : 0.0f) - (left ? kWalkSpeed : 0.0f);
        if (left != right)
            m_facingLeft = left;
    }

    // Jumps: from the ground (or just after leaving it), off a wall, or the extra one in the air.
    m_coyote = m_grounded ? kCoyoteTime : m_coyote - step;
    if (m_jumpBuffer > 0.0f) {
        if (m_grounded || m_coyote > 0.0f) {
            m_extraJumps = world.HasPower(EntityTemplates::kDoubleJump) ? 1 : 0;
            Jump(kLaunchSpeed);
        } else if (world.HasPower(EntityTemplates::kWallJump) && (TouchesWall(-1) || TouchesWall(1))) {
            const float away = TouchesWall(-1) ? 1.0f : -1.0f;
            m_vx = away * kWallKickSpeed;
            m_facingLeft = away < 0.0f;
            m_wallKick = kWallKickTime;
            Jump(kLaunchSpeed);
        } else if (m_extraJumps > 0) {
            --m_extraJumps;
            Jump(kLaunchSpeed * 0.9f);
        }
    }

    m_vy = std::fmin(m_vy + kGravity * step, kMaxFallSpeed);
    MoveX(m_vx * step);
    const float before = GetY();
    const float dy = m_vy * step;
    const bool stopped = MoveY(dy);
    m_grounded = false;
    m_ride = nullptr;
    if (stopped) {
        if (dy > 0.0f)
            m_grounded = true;
        m_vy = 0.0f;
    } else if (dy >= 0.0f && m_dropThrough <= 0.0f) {
        if (GameEntity* ride = world.FindRideUnder(GetX(), before, kWidth, kHeight, dy)) {
            SetPosition(GetX(), ride->GetY() - kHeight);
            m_vy = 0.0f;
            m_grounded = true;
            m_ride = ride;
        }
    }
    if (!m_grounded && m_vy >= 0.0f && world.BoxHitsTiles(GetX(), GetY() + 1.0f, kWidth, kHeight))
        m_grounded = true;

    ThrowSwitches();
    m_touchingTeleport = false;
    world.TouchEntities(*this);
    if (!m_touchingTeleport)
        m_teleportLock = false;
    if (!m_killed)
        CheckEdges();
}

void Player::ThrowSwitches()
{
    const int32_t left = static_cast<int32_t>(std::floor(GetX() / kTile));
    const int32_t right = static_cast<int32_t>(std::floor((GetX() + kWidth - 0.01f) / kTile));
    const int32_t top = static_cast<int32_t>(std::floor(GetY() / kTile));
    const int32_t bottom = static_cast<int32_t>(std::floor((GetY() + kHeight - 0.01f) / kTile));
    for (int32_t y = top; y <= bottom; ++y) {
        for (int32_t x = left; x <= right; ++x) {
            const uint8_t tile = GetWorld().GetTile(x, y);
            if (tile == WorldMap::kRedSwitch)
                GetWorld().SetSwitch(true);
            else if (tile == WorldMap::kBlueSwitch)
                GetWorld().SetSwitch(false);
        }
    }
}

void Player::CheckEdges()
{
    const float roomWidth = static_cast<float>(WorldMap::kWidth * TileSets::kTileSize);
    const float roomHeight = static_cast<float>(WorldMap::kHeight * TileSets::kTileSize);
    const float centreX = GetX() + kWidth * 0.5f;
    World& world = GetWorld();
    if (centreX < 0.0f && !world.LeaveRoom(-1, 0))
        SetPosition(-kWidth * 0.5f, GetY());
    else if (centreX > roomWidth && !world.LeaveRoom(1, 0))
        SetPosition(roomWidth - kWidth * 0.5f, GetY());
    else if (GetY() + kHeight * 0.5f < 0.0f && !world.LeaveRoom(0, -1)) {
        SetPosition(GetX(), -kHeight * 0.5f);
        m_vy = 0.0f;
    } else if (GetY() > roomHeight) {
        world.LeaveRoom(0, 1);
    }
}

void Player::UpdateSprite(float fraction)
{
    GameEntity::UpdateSprite(fraction);
    AdjustableSprite* sprite = GetSprite();
    sprite->SetVisible(!m_killed);
    sprite->SetTile(GetTemplate().sprite + (m_grounded ? (m_facingLeft ? 1 : 0) : 2));
    sprite->SetFlipped(!m_grounded && m_facingLeft);
}
