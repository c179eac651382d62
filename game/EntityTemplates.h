// EntityTemplates: the game's entity templates ("Entities.xml"): each names an entity class of the game, the tile
// its sprite shows and the numbers that class reads (a platform's width, travel and period, a spawner's period,
// a falling hazard's speed, an effect's frames and length, a power-up's power). Rooms place entities by template
// name. Owns its records. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cstddef>
#include <cstdint>

class EntityTemplates {
public:
    static constexpr uint32_t kMaxTemplates = 64;

    // The game's entity classes.
    enum Kind : int32_t {
        kPlayer,
        kPlatform,
        kHazard,
        kHazardSpawner,
        kTeleport,
        kCheckpoint,
        kTreasure,
        kPowerup,
        kEffect,
        kKindCount
    };
    // What a power-up gives when touched: a power to keep, or the end of the game.
    enum Power : int32_t { kNoPower = 0, kDoubleJump = 1, kWallJump = 2, kWinOrb = 3, kLoseOrb = 4 };

    struct Template {
        RString name;
        Kind kind = kHazard;
        int32_t sprite = 0;      // tile index, 0 to 255
        int32_t frames = 1;      // sprite tiles shown in turn (effects), 1 to 8
        int32_t width = 1;       // in tiles (platforms), 1 to 8
        float travelX = 0.0f;    // tiles a platform travels out and back
        float travelY = 0.0f;
        float period = 1.0f;     // seconds: a platform's round trip, a spawner's interval, an effect's length
        float speed = 0.0f;      // pixels per second a hazard falls (0: it stays)
        Power power = kNoPower;
        RString spawns;          // the template a spawner spawns
    };

    EntityTemplates() = default;
    ~EntityTemplates();
    EntityTemplates(const EntityTemplates&) = delete;
    EntityTemplates& operator=(const EntityTemplates&) = delete;

    // Reads the file through the stream manager; false, with the reason in error, for a missing or oversized
    // file or one LoadFromText refuses.
    bool Load(const char* fileName, char* error, size_t errorSize);
    // Reads "<Entity name=... class=... sprite=...>" elements with the optional attributes "frames", "width",
    // "travelX", "travelY", "period", "speed", "power" and "spawns". A template of an unknown class, without a
    // name, with a name given before, or with a number out of its range (the bounds included, as floats) is
    // refused: left out, with a line in warnings; so is a spawner whose template is not a hazard that falls
    // (one that stayed would pile up in its room). False (with the reason in error) only when more than
    // kMaxTemplates are given.
    bool LoadFromText(const char* text, uint32_t length, char* error, size_t errorSize);

    // The template of that name (any case), its index into *outIndex when given; null when there is none.
    const Template* Find(const char* name, int32_t* outIndex = nullptr) const;
    const Template* Get(int32_t index) const;
    uint32_t GetCount() const { return m_templates.getCount(); }
    // Why templates were left out, one line each.
    const RUtilVector<RString>& GetWarnings() const { return m_warnings; }

    // The class of that name, or kKindCount.
    static Kind KindFromName(const char* name);

private:
    void Clear();
    void LeaveOutEndlessSpawners();

    RUtilVector<Template*> m_templates;
    RUtilVector<RString> m_warnings;
};
