// Hazard: touching it kills the player, who comes back at the last checkpoint. A hazard of a template with a
// speed falls at that speed (a drop from a spawner), killing the player it passes through, and is gone when it
// meets anything solid or leaves the room; one without stays where it was placed (spikes, whose box is the tile's
// lower half).
#pragma once

#include "game/GameEntity.h"

class Hazard : public GameEntity {
    RRTTI_CLASS(Hazard, GameEntity)
public:
    // x, y: the top left of the tile it is placed in.
    Hazard(World& world, const EntityTemplates::Template& entry, float x, float y);

    void OnTouch(Player& player) override;
    // What a falling hazard's move met.
    void OnContact(const RContact& contact) override;

protected:
    void FixedStep(float step) override;
};
