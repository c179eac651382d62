#include "game/GameEntity.h"

#include "basegame/RBaseGame.h"
#include "game/AdjustableSprite.h"
#include "render/geometry/RMesh.h"
#include "game/RoomView.h"
#include "game/World.h"
#include "scene/RSpatialComponent.h"

GameEntity::GameEntity(World& world, const EntityTemplates::Template& entry, float x, float y, float width,
                       float height, RHashedString spriteGroup)
    : m_world(world), m_template(entry), m_width(width), m_height(height), m_previousX(x), m_previousY(y)
{
    AddComponent<RSpatialComponent>()->SetPosition(RVector3{x, y, 0.0f});
    m_sprite = new AdjustableSprite(world.GetView().GetSpriteMesh(), RoomView::GetSheetName(TileSets::kCGA),
                                    RoomView::GetSheetName(TileSets::kEGA));
    m_sprite->SetTile(entry.sprite);
    AttachRenderable(m_sprite, spriteGroup, RHashedString("Sprite"));
    UpdateSprite(1.0f);
}

GameEntity::~GameEntity() = default;

void GameEntity::Tick(float step, uint32_t mask)
{
    if (mask == kGameStep) {
        m_previousX = GetX();
        m_previousY = GetY();
        Step(step);
    } else if (mask == kGameFrame) {
        UpdateSprite(RBaseGame::GetInstance()->GetInterpolationFraction());
    }
}

float GameEntity::GetX() const
{
    return GetComponent<RSpatialComponent>()->GetPosition().x;
}

float GameEntity::GetY() const
{
    return GetComponent<RSpatialComponent>()->GetPosition().y;
}

void GameEntity::SetPosition(float x, float y)
{
    GetComponent<RSpatialComponent>()->SetPosition(RVector3{x, y, 0.0f});
}

void GameEntity::PlaceAt(float x, float y)
{
    SetPosition(x, y);
    m_previousX = x;
    m_previousY = y;
}

bool GameEntity::Overlaps(float x, float y, float width, float height) const
{
    return GetX() < x + width && x < GetX() + m_width && GetY() < y + height && y < GetY() + m_height;
}

bool GameEntity::Overlaps(const GameEntity& other) const
{
    return Overlaps(other.GetX(), other.GetY(), other.m_width, other.m_height);
}

void GameEntity::UpdateSprite(float fraction)
{
    // Sprites are whole tiles wide; an entity's box may be narrower and sits centred in it, feet on its bottom.
    const float x = m_previousX + (GetX() - m_previousX) * fraction;
    const float y = m_previousY + (GetY() - m_previousY) * fraction;
    const float spriteWidth = static_cast<float>(TileSets::kTileSize * ((static_cast<int>(m_width) + 7) / 8));
    const float spriteHeight = static_cast<float>(TileSets::kTileSize * ((static_cast<int>(m_height) + 7) / 8));
    m_sprite->SetRect(x - (spriteWidth - m_width) * 0.5f, y + m_height - spriteHeight, spriteWidth, spriteHeight);
}
