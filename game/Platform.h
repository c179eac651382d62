// Platform: a moving platform the player can ride: a row of the template's width in tiles that travels out from
// its place by the template's travel and back again, once per period, easing at both ends. The player stands on
// its top (it does not block from below or the sides) and is carried by its movement.
#pragma once

#include "game/GameEntity.h"

class Platform : public GameEntity {
    RRTTI_CLASS(Platform, GameEntity)
public:
    Platform(World& world, const EntityTemplates::Template& entry, float x, float y);

    void Step(float step) override;
    bool IsRidable() const override { return true; }
    // How far it moved in the last step.
    float GetStepX() const { return m_stepX; }
    float GetStepY() const { return m_stepY; }

private:
    float m_originX;
    float m_originY;
    float m_time = 0.0f;
    float m_stepX = 0.0f;
    float m_stepY = 0.0f;
};
