#include "game/Effect.h"

#include "game/AdjustableSprite.h"
#include "game/RoomView.h"

Effect::Effect(World& world, const EntityTemplates::Template& entry, float centreX, float centreY)
    : GameEntity(world, entry, centreX - 4.0f, centreY - 4.0f, 8.0f, 8.0f, kNoShape, RoomView::GetSpriteGroup())
{
    SetPriority(2);
}

void Effect::FixedStep(float step)
{
    m_time += step;
    if (m_time >= GetTemplate().period)
        MarkDead();
}

void Effect::UpdateSprite(float x, float y)
{
    GameEntity::UpdateSprite(x, y);
    const EntityTemplates::Template& entry = GetTemplate();
    int32_t frame = static_cast<int32_t>(m_time / entry.period * static_cast<float>(entry.frames));
    if (frame >= entry.frames)
        frame = entry.frames - 1;
    GetSprite()->SetTile(entry.sprite + frame);
}
