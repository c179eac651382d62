// Campaign: one campaign description (".gam", INI text): its title, the content files it names (world map, room
// titles, tile sets, entity templates), the room the player starts in, and the game's tunes, each a music string
// with the priority it plays at. Owns its texts. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cstddef>
#include <cstdint>

class Campaign {
public:
    // The most tunes a campaign names.
    static constexpr uint32_t kMaxTunes = 32;

    struct Tune {
        RString name;
        int32_t priority = 0;
        RString notes;  // a music string
    };

    Campaign() = default;
    ~Campaign();
    Campaign(const Campaign&) = delete;
    Campaign& operator=(const Campaign&) = delete;

    // The campaign descriptions the game's packs hold ("*.gam", pack entries only), in source order.
    static void ListCampaigns(RUtilVector<RString>& out);

    // Reads the description through the stream manager. False, with the reason in error, for a missing or
    // oversized file or one LoadFromText refuses.
    bool Load(const char* fileName, char* error, size_t errorSize);
    // Reads a description from text: "[Campaign]" with "Title", "Map", "Rooms", "Tilesets", "Entities" and
    // "StartRoom" (each required, none empty), and "[Tunes]" with lines "name: priority, music string". False,
    // with the reason in error, when a required key is missing, a tune line is malformed or there are more
    // than kMaxTunes tunes.
    bool LoadFromText(const char* text, uint32_t length, char* error, size_t errorSize);

    const RString& GetFileName() const { return m_fileName; }
    const RString& GetTitle() const { return m_title; }
    const RString& GetMapFile() const { return m_mapFile; }
    const RString& GetRoomsFile() const { return m_roomsFile; }
    const RString& GetTilesetsFile() const { return m_tilesetsFile; }
    const RString& GetEntitiesFile() const { return m_entitiesFile; }
    const RString& GetStartRoom() const { return m_startRoom; }
    // The tune of that name (any case), or null.
    const Tune* FindTune(const char* name) const;

private:
    void Clear();

    RString m_fileName;
    RString m_title;
    RString m_mapFile;
    RString m_roomsFile;
    RString m_tilesetsFile;
    RString m_entitiesFile;
    RString m_startRoom;
    RUtilVector<Tune*> m_tunes;
};
