#include "game/Powerup.h"

#include "game/RoomView.h"
#include "game/World.h"

Powerup::Powerup(World& world, const EntityTemplates::Template& entry, float x, float y)
    : GameEntity(world, entry, x, y, 8.0f, 8.0f, kTrigger, RoomView::GetSpriteGroup())
{
    SetPriority(1);
}

void Powerup::OnTouch(Player& player)
{
    if (IsDead())
        return;
    GetWorld().GainPower(GetTemplate().power);
    GetWorld().SpawnEffect("Sparkle", GetX() + 4.0f, GetY() + 4.0f);
    MarkDead();
}
