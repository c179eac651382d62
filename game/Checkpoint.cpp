#include "game/Checkpoint.h"

#include "game/AdjustableSprite.h"
#include "game/RoomView.h"
#include "game/World.h"

Checkpoint::Checkpoint(World& world, const EntityTemplates::Template& entry, float x, float y)
    : GameEntity(world, entry, x, y, 8.0f, 8.0f, kTrigger, RoomView::GetSpriteGroup())
{
    SetPriority(1);
}

void Checkpoint::OnTouch(Player& player)
{
    if (!GetWorld().IsCheckpoint(GetX(), GetY()))
        GetWorld().SetCheckpoint(GetX(), GetY());
}

void Checkpoint::UpdateSprite(float x, float y)
{
    GameEntity::UpdateSprite(x, y);
    // The reached flag is the tile after the template's.
    GetSprite()->SetTile(GetTemplate().sprite + (GetWorld().IsCheckpoint(GetX(), GetY()) ? 1 : 0));
}
