#include "game/Platform.h"

#include "game/AdjustableSprite.h"
#include "game/RoomView.h"

#include <cmath>

Platform::Platform(World& world, const EntityTemplates::Template& entry, float x, float y)
    : GameEntity(world, entry, x, y, static_cast<float>(entry.width * TileSets::kTileSize), 4.0f, kPlatform,
                 RoomView::GetSpriteGroup()),
      m_originX(x), m_originY(y)
{
    // Platforms move before the player, who is carried by the step they made.
    SetPriority(-1);
}

void Platform::FixedStep(float step)
{
    const EntityTemplates::Template& entry = GetTemplate();
    m_time = std::fmod(m_time + step, entry.period);
    const float out = 0.5f - 0.5f * std::cos(6.2831855f * m_time / entry.period);
    const float x = m_originX + entry.travelX * TileSets::kTileSize * out;
    const float y = m_originY + entry.travelY * TileSets::kTileSize * out;
    PlaceAt(x, y);
}

void Platform::UpdateSprite(float x, float y)
{
    // The plank is the top of its tiles.
    GameEntity::UpdateSprite(x, y);
    GetSprite()->SetRect(x, y, GetWidth(), static_cast<float>(TileSets::kTileSize));
}
