// Hazard: touching it kills the player, who comes back at the last checkpoint. A hazard of a template with a
// speed falls at that speed (a drop from a spawner), killing the player it passes through, and is gone when it
// meets anything solid or leaves the room; one without stays where it was placed (spikes, whose box is the tile's
// lower half). A spawned hazard is gone after kSpawnedLife seconds at the latest, wherever it is.
#pragma once

#include "game/GameEntity.h"

class Hazard : public GameEntity {
    RRTTI_CLASS(Hazard, GameEntity)
public:
    static constexpr float kSpawnedLife = 20.0f;

    // x, y: the top left of the tile it is placed in; spawned: made by a spawner, so its life is bounded.
    Hazard(World& world, const EntityTemplates::Template& entry, float x, float y, bool spawned = false);

    void OnTouch(Player& player) override;
    // What a falling hazard's move met.
    void OnContact(const RContact& contact) override;

protected:
    void FixedStep(float step) override;

private:
    bool m_spawned;
    float m_age = 0.0f;  // seconds since it was made
};
