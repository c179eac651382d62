// Effect: a short animation (a death burst, a pickup sparkle): the template's frames shown in turn over its
// period, after which it is deleted. It touches nothing.
#pragma once

#include "game/GameEntity.h"

class Effect : public GameEntity {
    RRTTI_CLASS(Effect, GameEntity)
public:
    // Centred on the point.
    Effect(World& world, const EntityTemplates::Template& entry, float centreX, float centreY);

protected:
    void FixedStep(float step) override;
    void UpdateSprite(float x, float y) override;

private:
    float m_time = 0.0f;
};
