// The fixed content the game's map and room-title targets read beside their input: entity templates of every
// class (with the names the shipped map places), and a map of two rooms for the titles to name.
#pragma once

#include "game/EntityTemplates.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

inline const EntityTemplates& FuzzTemplates()
{
    static EntityTemplates* templates = [] {
        static const char kText[] =
            "<Entity name=\"Hero\" class=\"Player\" sprite=\"16\" />"
            "<Entity name=\"Checkpoint\" class=\"Checkpoint\" sprite=\"19\" />"
            "<Entity name=\"Gem\" class=\"Treasure\" sprite=\"26\" />"
            "<Entity name=\"Spikes\" class=\"Hazard\" sprite=\"21\" />"
            "<Entity name=\"Drop\" class=\"Hazard\" sprite=\"22\" speed=\"80\" />"
            "<Entity name=\"Dripper\" class=\"HazardSpawner\" sprite=\"23\" spawns=\"Drop\" period=\"1.5\" />"
            "<Entity name=\"Lift\" class=\"Platform\" sprite=\"24\" width=\"3\" travelX=\"6\" period=\"5\" />"
            "<Entity name=\"Teleport\" class=\"Teleport\" sprite=\"25\" />"
            "<Entity name=\"DoubleJump\" class=\"Powerup\" sprite=\"27\" power=\"DoubleJump\" />"
            "<Entity name=\"WallJump\" class=\"Powerup\" sprite=\"28\" power=\"WallJump\" />"
            "<Entity name=\"WinOrb\" class=\"Powerup\" sprite=\"29\" power=\"WinOrb\" />"
            "<Entity name=\"LoseOrb\" class=\"Powerup\" sprite=\"30\" power=\"LoseOrb\" />"
            "<Entity name=\"Burst\" class=\"Effect\" sprite=\"32\" frames=\"2\" period=\"0.6\" />";
        EntityTemplates* loaded = new EntityTemplates();
        char error[256];
        if (!loaded->LoadFromText(kText, static_cast<uint32_t>(strlen(kText)), error, sizeof error) ||
            loaded->GetCount() != 13)
            abort();
        return loaded;
    }();
    return *templates;
}

// A room section of the map text: walls around, the start at (2, 22) on the floor.
inline std::string FuzzRoom(const char* id, int x, int y, const char* entities)
{
    std::string text = std::string("[") + id + "]\nX: " + std::to_string(x) + "\nY: " + std::to_string(y) +
                       "\nStart: 2 22\n";
    for (int row = 0; row < 24; ++row) {
        char key[16];
        snprintf(key, sizeof key, "Row%02d: ", row);
        const bool edge = row == 0 || row == 23;
        text += key + (edge ? std::string(40, '#') : "#" + std::string(38, '.') + "#") + "\n";
    }
    return text + entities;
}
