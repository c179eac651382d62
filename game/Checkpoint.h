// Checkpoint: touching it makes it the player's respawn point and saves the game; its flag shows whether it is
// the respawn point.
#pragma once

#include "game/GameEntity.h"

class Checkpoint : public GameEntity {
    RRTTI_CLASS(Checkpoint, GameEntity)
public:
    Checkpoint(World& world, const EntityTemplates::Template& entry, float x, float y);

    void OnTouch(Player& player) override;

protected:
    void UpdateSprite(float x, float y) override;
};
