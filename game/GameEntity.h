// GameEntity: the base of the game's entities (Player, Platform, Hazard, HazardSpawner, Teleport, Checkpoint,
// Treasure, Powerup, Effect). Each is a scene entity with its position in a spatial component, a box in room
// pixels (x to the right, y downwards), a sprite it draws, and a fixed-step tickable registered with mask 6 at
// construction and unregistered in its destructor: every fixed step it runs Step, once per frame it places its
// sprite between its last two positions. The world owns the entities and deletes those marked dead after the
// fixed steps.
#pragma once

#include "core/RTickable.h"
#include "game/EntityTemplates.h"
#include "scene/RPlainEntity.h"

class AdjustableSprite;
class Player;
class World;

class GameEntity : public RPlainEntity, public RTickableGameFixed {
    RRTTI_CLASS(GameEntity, RPlainEntity)
public:
    // An entity of the template at x, y (the box's top left) of the box's size; its sprite shows the template's
    // tile in the render group given.
    GameEntity(World& world, const EntityTemplates::Template& entry, float x, float y, float width, float height,
               RHashedString spriteGroup);
    ~GameEntity() override;

    // Step on the fixed pass (mask 2), the sprite's placement on the frame pass (mask 4).
    void Tick(float step, uint32_t mask) override;
    void PostTick(float step, uint32_t mask) override {}

    // One fixed step of the entity's own behaviour.
    virtual void Step(float step) {}
    // The player's box overlaps this entity's box in this step.
    virtual void OnTouch(Player& player) {}
    // Whether the player stands on it as on a floor (one-way from above).
    virtual bool IsRidable() const { return false; }

    float GetX() const;
    float GetY() const;
    float GetWidth() const { return m_width; }
    float GetHeight() const { return m_height; }
    // Moves the box; the previous position is kept for the sprite's interpolation.
    void SetPosition(float x, float y);
    // Places the box at once, without interpolation (a respawn, a teleport).
    void PlaceAt(float x, float y);
    // Whether two boxes overlap (touching edges do not).
    bool Overlaps(const GameEntity& other) const;
    bool Overlaps(float x, float y, float width, float height) const;

    EntityTemplates::Kind GetKind() const { return m_template.kind; }
    const EntityTemplates::Template& GetTemplate() const { return m_template; }
    // Marked entities are deleted by the world after the fixed steps.
    void MarkDead() { m_dead = true; }
    bool IsDead() const { return m_dead; }

protected:
    World& GetWorld() const { return m_world; }
    AdjustableSprite* GetSprite() const { return m_sprite; }
    // The sprite's rectangle and tile follow the box; a subclass may change the tile or hide the sprite.
    virtual void UpdateSprite(float fraction);

private:
    World& m_world;
    const EntityTemplates::Template& m_template;
    float m_width;
    float m_height;
    float m_previousX;
    float m_previousY;
    bool m_dead = false;
    AdjustableSprite* m_sprite;  // owned by the renderable component
};
