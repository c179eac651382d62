#include "game/Hazard.h"

#include "game/Player.h"
#include "game/RoomView.h"
#include "game/World.h"
#include "scene/RSpatialComponent.h"

namespace {

bool Falls(const EntityTemplates::Template& entry)
{
    return entry.speed > 0.0f;
}

}  // namespace

Hazard::Hazard(World& world, const EntityTemplates::Template& entry, float x, float y, bool spawned)
    : GameEntity(world, entry, Falls(entry) ? x + 2.0f : x + 1.0f, Falls(entry) ? y : y + 4.0f,
                 Falls(entry) ? 4.0f : 6.0f, Falls(entry) ? 6.0f : 4.0f, kTrigger, RoomView::GetSpriteGroup()),
      m_spawned(spawned)
{
    SetPriority(1);
}

void Hazard::FixedStep(float step)
{
    m_age += step;
    if (m_spawned && m_age >= kSpawnedLife) {
        MarkDead();
        return;
    }
    if (!Falls(GetTemplate()))
        return;
    GetComponent<RSpatialComponent>()->Move(RVector3{0.0f, GetTemplate().speed * step, 0.0f});
    if (GetY() > static_cast<float>(WorldMap::kHeight * TileSets::kTileSize))
        MarkDead();
}

void Hazard::OnContact(const RContact& contact)
{
    GameEntity* met = OwnerOf(contact.shape);
    if (met && met->GetKind() == EntityTemplates::kPlayer)
        static_cast<Player*>(met)->Kill();
    else if (!contact.trigger)
        MarkDead();
}

void Hazard::OnTouch(Player& player)
{
    player.Kill();
}
