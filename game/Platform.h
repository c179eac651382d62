// Platform: a moving platform the player can ride: a row of the template's width in tiles that travels out from
// its place by the template's travel and back again, once per period, easing at both ends. Its box is solid from
// above only: the player stands on its top, drops through it on "JumpDown", and is carried by its movement.
#pragma once

#include "game/GameEntity.h"

class Platform : public GameEntity {
    RRTTI_CLASS(Platform, GameEntity)
public:
    Platform(World& world, const EntityTemplates::Template& entry, float x, float y);

protected:
    void FixedStep(float step) override;
    void UpdateSprite(float x, float y) override;

private:
    float m_originX;
    float m_originY;
    float m_time = 0.0f;
};
