// Treasure: a numbered treasure; touching it counts it (each number once per game) and it is gone with a
// sparkle. A treasure already found is not placed again.
#pragma once

#include "game/GameEntity.h"

class Treasure : public GameEntity {
    RRTTI_CLASS(Treasure, GameEntity)
public:
    Treasure(World& world, const EntityTemplates::Template& entry, float x, float y, int32_t number);

    void OnTouch(Player& player) override;

private:
    int32_t m_number;
};
