// Powerup: touching it gives its power (the double jump, the wall jump) for the rest of the game, or, for the win
// and lose orbs, ends the game with the ending or the failure cinematic. A power already held is not placed again.
#pragma once

#include "game/GameEntity.h"

class Powerup : public GameEntity {
    RRTTI_CLASS(Powerup, GameEntity)
public:
    Powerup(World& world, const EntityTemplates::Template& entry, float x, float y);

    void OnTouch(Player& player) override;
};
