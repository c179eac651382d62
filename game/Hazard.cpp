#include "game/Hazard.h"

#include "game/Player.h"
#include "game/RoomView.h"
#include "game/World.h"

namespace {

bool Falls(const EntityTemplates::Template& entry)
{
    return entry.speed > 0.0f;
}

}  // namespace

Hazard::Hazard(World& world, const EntityTemplates::Template& entry, float x, float y)
    : GameEntity(world, entry, Falls(entry) ? x + 2.0f : x + 1.0f, Falls(entry) ? y : y + 4.0f,
                 Falls(entry) ? 4.0f : 6.0f, Falls(entry) ? 6.0f : 4.0f, RoomView::GetSpriteGroup())
{
    SetPriority(1);
}

void Hazard::Step(float step)
{
    if (!Falls(GetTemplate()))
        return;
    const float y = GetY() + GetTemplate().speed * step;
    SetPosition(GetX(), y);
    if (GetWorld().BoxHitsTiles(GetX(), y, GetWidth(), GetHeight()) ||
        y > static_cast<float>(WorldMap::kHeight * TileSets::kTileSize))
        MarkDead();
}

void Hazard::OnTouch(Player& player)
{
    player.Kill();
}
