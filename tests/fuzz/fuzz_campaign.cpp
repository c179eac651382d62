// Campaign descriptions (".gam"): read through the stream manager; a description that loads names every
// content file and its start room, and holds at most the tunes a campaign may, each with a priority of at most
// four digits, found again by its name.
#include "FuzzSupport.h"
#include "game/Campaign.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WriteInput("Fuzz.gam", data, size);
    Campaign campaign;
    char error[256] = "";
    if (!campaign.Load("Fuzz.gam", error, sizeof error)) {
        FUZZ_CHECK(error[0] != '\0');
        return 0;
    }
    for (const RString* name : {&campaign.GetTitle(), &campaign.GetMapFile(), &campaign.GetRoomsFile(),
                                &campaign.GetTilesetsFile(), &campaign.GetEntitiesFile(), &campaign.GetStartRoom()})
        FUZZ_CHECK(!name->IsEmpty());
    FUZZ_CHECK(campaign.GetFileName().Equals("Fuzz.gam"));
    for (const char* tune : {"Jump", "Pickup", "Death", "Ending"}) {
        const Campaign::Tune* found = campaign.FindTune(tune);
        if (found) {
            FUZZ_CHECK(found->name.EqualsNoCase(tune));
            FUZZ_CHECK(found->priority >= 0 && found->priority <= 9999);
        }
    }
    return 0;
}
