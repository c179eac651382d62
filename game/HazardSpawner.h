// HazardSpawner: spawns a hazard of the template it names just below itself once per period (longer on the easy
// difficulty, shorter on the hard one). It does not harm the player itself.
#pragma once

#include "game/GameEntity.h"

class HazardSpawner : public GameEntity {
    RRTTI_CLASS(HazardSpawner, GameEntity)
public:
    HazardSpawner(World& world, const EntityTemplates::Template& entry, float x, float y);

protected:
    void FixedStep(float step) override;

private:
    float m_period;
    float m_timer;
};
