// Entity templates ("Entities.xml"): read through the stream manager; templates that load are at most 64, of
// distinct names, each of a known class with every number within its range, found again by name; a spawner's
// template is one that falls.
#include "FuzzSupport.h"
#include "game/EntityTemplates.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteInput("Entities.xml", data, size);
    EntityTemplates templates;
    char error[256] = "";
    if (!templates.Load("Entities.xml", error, sizeof error)) {
        FUZZ_CHECK(error[0] != '\0' && templates.GetCount() == 0);
        return 0;
    }
    FUZZ_CHECK(templates.GetCount() <= EntityTemplates::kMaxTemplates);
    for (uint32_t i = 0; i < templates.GetCount(); ++i) {
        const EntityTemplates::Template* entry = templates.Get(static_cast<int32_t>(i));
        FUZZ_CHECK(entry && !entry->name.IsEmpty() && entry->name.GetLength() <= 31);
        int32_t found = -1;
        FUZZ_CHECK(templates.Find(entry->name.GetString(), &found) == entry && found == static_cast<int32_t>(i));
        FUZZ_CHECK(entry->kind >= 0 && entry->kind < EntityTemplates::kKindCount);
        FUZZ_CHECK(entry->sprite >= 0 && entry->sprite <= 255);
        FUZZ_CHECK(entry->frames >= 1 && entry->frames <= 8 && entry->width >= 1 && entry->width <= 8);
        FUZZ_CHECK(std::fabs(entry->travelX) <= 40.0f && std::fabs(entry->travelY) <= 24.0f);
        FUZZ_CHECK(entry->period >= 0.05f && entry->period <= 60.0f);
        FUZZ_CHECK(entry->speed >= 0.0f && entry->speed <= 1000.0f);
        FUZZ_CHECK(entry->kind != EntityTemplates::kPowerup || entry->power != EntityTemplates::kNoPower);
        const EntityTemplates::Template* spawned = templates.Find(entry->spawns.GetString());
        FUZZ_CHECK(entry->kind != EntityTemplates::kHazardSpawner ||
                   (spawned && spawned->kind == EntityTemplates::kHazard && spawned->speed > 0.0f));
    }
    FUZZ_CHECK(!templates.Get(static_cast<int32_t>(templates.GetCount())) && !templates.Get(-1));
    return 0;
}
