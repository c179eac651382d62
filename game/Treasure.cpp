#include "game/Treasure.h"

#include "game/RoomView.h"
#include "game/World.h"

Treasure::Treasure(World& world, const EntityTemplates::Template& entry, float x, float y, int32_t number)
    : GameEntity(world, entry, x + 1.0f, y + 2.0f, 6.0f, 6.0f, kTrigger, RoomView::GetSpriteGroup()),
      m_number(number)
{
    SetPriority(1);
}

void Treasure::OnTouch(Player& player)
{
    if (IsDead())
        return;
    GetWorld().CollectTreasure(m_number);
    GetWorld().SpawnEffect("Sparkle", GetX() + GetWidth() * 0.5f, GetY() + GetHeight() * 0.5f);
    MarkDead();
}
