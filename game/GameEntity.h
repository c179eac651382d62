// GameEntity: the base of the game's entities (Player, Platform, Hazard, HazardSpawner, Teleport, Checkpoint,
// Treasure, Powerup, Effect): a scene game entity, ticked in every fixed step and once per frame (mask 6, from
// construction to destruction), with its box's top left as the position of its spatial component, a collision box
// of its own in the collision world (a trigger the player's moves report, a one-way platform, or none) and a
// sprite it draws at its interpolated position. An entity goes by marking itself for deletion; the world owns the
// entities and is told when one is deleted.
#pragma once

#include "game/EntityTemplates.h"
#include "scene/RGameEntity.h"

class AdjustableSprite;
class Player;
class World;

class GameEntity : public RGameEntity {
    RRTTI_CLASS(GameEntity, RGameEntity)
public:
    // The entity's collision box: none, a trigger, or a platform (solid from above only).
    enum Shape { kNoShape, kTrigger, kPlatform };

    // An entity of the template with its box's top left at x, y; its sprite shows the template's tile in the
    // render group given.
    GameEntity(World& world, const EntityTemplates::Template& entry, float x, float y, float width, float height,
               Shape shape, RHashedString spriteGroup);
    // Tells the world it is gone.
    ~GameEntity() override;

    // Places the sprite at the displayed position, after the frame pass has interpolated every entity.
    void PostTick(float step, uint32_t mask) override;

    // The player's moves met this entity's trigger.
    virtual void OnTouch(Player& player) {}

    float GetX() const;
    float GetY() const;
    float GetWidth() const { return m_width; }
    float GetHeight() const { return m_height; }
    // Places the box at once, without a sweep or interpolation (spawning, a respawn, a teleport, a platform).
    void PlaceAt(float x, float y);

    EntityTemplates::Kind GetKind() const { return m_template.kind; }
    const EntityTemplates::Template& GetTemplate() const { return m_template; }
    // Marked entities tick no more and are deleted after the fixed step.
    void MarkDead();
    bool IsDead() const;

protected:
    // Nothing by default: entities that move do so in their own step.
    void FixedStep(float step) override {}
    World& GetWorld() const { return m_world; }
    AdjustableSprite* GetSprite() const { return m_sprite; }
    // The sprite's rectangle follows the box at x, y; a subclass may change the tile or hide the sprite.
    virtual void UpdateSprite(float x, float y);
    // The game entity the shape of a contact belongs to, or null.
    static GameEntity* OwnerOf(const RHandle& shape);

private:
    World& m_world;
    const EntityTemplates::Template& m_template;
    float m_width;
    float m_height;
    AdjustableSprite* m_sprite;  // owned by the renderable component
};
