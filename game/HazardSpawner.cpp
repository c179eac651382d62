#include "game/HazardSpawner.h"

#include "game/RoomView.h"
#include "game/World.h"

namespace {

// The spawn period's factor on each difficulty: easy, normal, hard.
const float kPeriodFactor[3] = {1.5f, 1.0f, 0.7f};

}  // namespace

HazardSpawner::HazardSpawner(World& world, const EntityTemplates::Template& entry, float x, float y)
    : GameEntity(world, entry, x, y, 8.0f, 8.0f, kNoShape, RoomView::GetSpriteGroup())
{
    m_period = entry.period * kPeriodFactor[world.GetDifficulty() < 3 ? world.GetDifficulty() : 1];
    m_timer = m_period;
    SetPriority(1);
}

void HazardSpawner::FixedStep(float step)
{
    m_timer -= step;
    if (m_timer > 0.0f)
        return;
    m_timer += m_period;
    GetWorld().SpawnHazard(GetTemplate().spawns.GetString(), GetX(), GetY() + GetHeight());
}
