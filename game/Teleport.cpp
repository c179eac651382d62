#include "game/Teleport.h"

#include "game/Player.h"
#include "game/RoomView.h"
#include "game/World.h"

#include <cstdio>

Teleport::Teleport(World& world, const EntityTemplates::Template& entry, float x, float y, const char* pair)
    : GameEntity(world, entry, x, y, 8.0f, 8.0f, kTrigger, RoomView::GetSpriteGroup())
{
    snprintf(m_pair, sizeof(m_pair), "%s", pair);
    SetPriority(1);
}

void Teleport::OnTouch(Player& player)
{
    player.NoteTouchingTeleport();
    if (player.CanTeleport())
        GetWorld().TeleportPlayer(*this, m_pair);
}
