// Teleport: takes the player who steps on it to its paired teleport (the one other teleport of the map with the
// same pair name, in this room or another). The player must step off a teleport before another one works.
#pragma once

#include "game/GameEntity.h"

class Teleport : public GameEntity {
    RRTTI_CLASS(Teleport, GameEntity)
public:
    Teleport(World& world, const EntityTemplates::Template& entry, float x, float y, const char* pair);

    void OnTouch(Player& player) override;

private:
    char m_pair[8];
};
