#include "game/GameEntity.h"

#include "game/AdjustableSprite.h"
#include "game/RoomView.h"
#include "game/SpriteMesh.h"
#include "game/World.h"
#include "scene/RCollisionBox.h"
#include "scene/RDeleteComponent.h"
#include "scene/RSpatialComponent.h"

GameEntity::GameEntity(World& world, const EntityTemplates::Template& entry, float x, float y, float width,
                       float height, Shape shape, RHashedString spriteGroup)
    : m_world(world), m_template(entry), m_width(width), m_height(height)
{
    RSpatialComponent* spatial = AddComponent<RSpatialComponent>();
    spatial->SetPosition(RVector3{x, y, 0.0f});
    if (shape != kNoShape) {
        const RVector2 half = {width * 0.5f, height * 0.5f};
        RCollisionBox* box = spatial->SetBox(half, half);
        box->SetTrigger(shape == kTrigger);
        box->SetOneWay(shape == kPlatform);
    }
    m_sprite = new AdjustableSprite(world.GetView().GetSpriteMesh());
    m_sprite->SetTile(entry.sprite);
    AttachRenderable(m_sprite, spriteGroup, RHashedString("Sprite"));
    UpdateSprite(x, y);
}

GameEntity::~GameEntity()
{
    m_world.Forget(this);
}

void GameEntity::PostTick(float step, uint32_t mask)
{
    if (mask != kGameFrame || IsDead())
        return;
    const RVector3& display = GetComponent<RSpatialComponent>()->GetDisplayPosition();
    UpdateSprite(display.x, display.y);
}

float GameEntity::GetX() const
{
    return GetComponent<RSpatialComponent>()->GetPosition().x;
}

float GameEntity::GetY() const
{
    return GetComponent<RSpatialComponent>()->GetPosition().y;
}

void GameEntity::PlaceAt(float x, float y)
{
    GetComponent<RSpatialComponent>()->SetPosition(RVector3{x, y, 0.0f});
}

void GameEntity::MarkDead()
{
    AddComponent<RDeleteComponent>();
}

bool GameEntity::IsDead() const
{
    return GetComponent<RDeleteComponent>() != nullptr;
}

GameEntity* GameEntity::OwnerOf(const RHandle& shape)
{
    RRTTIBase* object = shape.Get();
    if (!object || !object->IsA(RCollisionInterface::StaticGetClassName()))
        return nullptr;
    REntity* owner = static_cast<RCollisionInterface*>(object)->GetOwner();
    return owner && owner->IsA(GameEntity::StaticGetClassName()) ? static_cast<GameEntity*>(owner) : nullptr;
}

void GameEntity::UpdateSprite(float x, float y)
{
    // Sprites are whole tiles; a box narrower or lower than its sprite sits centred in it, on its bottom edge.
    const float spriteWidth = static_cast<float>(TileSets::kTileSize * ((static_cast<int>(m_width) + 7) / 8));
    const float spriteHeight = static_cast<float>(TileSets::kTileSize * ((static_cast<int>(m_height) + 7) / 8));
    m_sprite->SetRect(x - (spriteWidth - m_width) * 0.5f, y + m_height - spriteHeight, spriteWidth, spriteHeight);
}
