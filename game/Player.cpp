#include "game/Player.h"

#include "game/AdjustableSprite.h"
#include "game/RoomView.h"
#include "game/World.h"
#include "render/view/RCamera.h"
#include "scene/RBasingComponent.h"
#include "scene/RJumpComponent.h"
#include "scene/RPlayerControllerComponent.h"
#include "scene/RSpatialComponent.h"

#include <cmath>

namespace {

constexpr float kTile = static_cast<float>(TileSets::kTileSize);

}  // namespace

Player::Player(World& world, const EntityTemplates::Template& entry, float x, float y)
    : GameEntity(world, entry, x, y, kWidth, kHeight, kTrigger, RoomView::GetPlayerGroup())
{
    g_worldUp = RVector3{0.0f, -1.0f, 0.0f};
    m_controls = AddComponent<RPlayerControllerComponent>();
    m_controls->SetGroup(RHashedString("Gameplay"));
    m_jump = AddComponent<RJumpComponent>();
    m_jump->SetLaunchSpeed(kLaunchSpeed);
    m_jump->SetGravity(kGravity);
    AddComponent<RBasingComponent>();
}

void Player::Kill()
{
    if (m_killed)
        return;
    m_killed = true;
    m_respawnTimer = kRespawnDelay;
    GetComponent<RSpatialComponent>()->SetVelocity(RVector3{0.0f, 0.0f, 0.0f});
    GetWorld().OnPlayerDied();
}

void Player::Respawn(float x, float y)
{
    PlaceAt(x, y);
    GetComponent<RSpatialComponent>()->SetVelocity(RVector3{0.0f, 0.0f, 0.0f});
    m_killed = false;
    m_wallKick = 0.0f;
    m_teleportLock = true;
}

void Player::FixedStep(float step)
{
    World& world = GetWorld();
    if (m_killed) {
        m_respawnTimer -= step;
        if (m_respawnTimer <= 0.0f)
            world.Respawn();
        return;
    }

    static const RHashedString s_left("MoveLeft");
    static const RHashedString s_right("MoveRight");
    static const RHashedString s_jump("Jump");
    static const RHashedString s_jumpDown("JumpDown");
    m_jump->SetExtraJumps(world.HasPower(EntityTemplates::kDoubleJump) ? 1 : 0);
    m_jump->SetWallJumpSpeed(world.HasPower(EntityTemplates::kWallJump) ? kWallKickSpeed : 0.0f);
    if (m_controls->JustPressed(s_jump, 0.5f))
        m_jump->RequestJump();
    if (m_controls->JustPressed(s_jumpDown, 0.5f))
        m_jump->DropThrough();

    RSpatialComponent* spatial = GetComponent<RSpatialComponent>();
    const bool left = m_controls->IsDown(s_left, 0.5f);
    const bool right = m_controls->IsDown(s_right, 0.5f);
    m_wallKick -= step;
    if (m_wallKick <= 0.0f) {
        RVector3 velocity = spatial->GetVelocity();
        velocity.x = (right ? kWalkSpeed : 0.0f) - (left ? kWalkSpeed : 0.0f);
        spatial->SetVelocity(velocity);
        if (left != right)
            m_facingLeft = left;
    }

    m_touchingTeleport = false;
    StepMovement(step);
    if (m_jump->JustJumped()) {
        world.PlayTune("Jump");
        // A kick off a wall pushes faster than walking, away from the wall, for a moment.
        const float vx = spatial->GetVelocity().x;
        if (std::fabs(vx) > kWalkSpeed + 1.0f) {
            m_wallKick = kWallKickTime;
            m_facingLeft = vx < 0.0f;
        }
    }
    if (!m_touchingTeleport)
        m_teleportLock = false;
    if (m_killed)
        return;
    ThrowSwitches();
    CheckEdges();
}

void Player::OnContact(const RContact& contact)
{
    if (!contact.trigger || m_killed)
        return;
    GameEntity* entity = OwnerOf(contact.shape);
    if (entity && entity != this && !entity->IsDead())
        entity->OnTouch(*this);
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
    if (centreX < 0.0f && !world.LeaveRoom(-1, 0)) {
        PlaceAt(-kWidth * 0.5f, GetY());
    } else if (centreX > roomWidth && !world.LeaveRoom(1, 0)) {
        PlaceAt(roomWidth - kWidth * 0.5f, GetY());
    } else if (GetY() + kHeight * 0.5f < 0.0f && !world.LeaveRoom(0, -1)) {
        PlaceAt(GetX(), -kHeight * 0.5f);
        RSpatialComponent* spatial = GetComponent<RSpatialComponent>();
        spatial->SetVelocity(RVector3{spatial->GetVelocity().x, 0.0f, 0.0f});
    } else if (GetY() > roomHeight) {
        world.LeaveRoom(0, 1);
    }
}

void Player::UpdateSprite(float x, float y)
{
    GameEntity::UpdateSprite(x, y);
    AdjustableSprite* sprite = GetSprite();
    const bool grounded = m_jump && m_jump->IsGrounded();
    sprite->SetVisible(!m_killed);
    sprite->SetTile(GetTemplate().sprite + (grounded ? (m_facingLeft ? 1 : 0) : 2));
    sprite->SetFlipped(!grounded && m_facingLeft);
}
