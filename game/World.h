// World: a running game of a campaign: the campaign's content (map, tile sets, entity templates), the room the
// player is in with its entities, the switch state, the powers, the treasures found, the respawn point and the
// game's figures. It answers the entities' questions (which tiles are solid, what stands where), carries out
// what they ask (tunes, effects, deaths, checkpoints and the saved game, room changes, the ending), and after each
// fixed step deletes the entities marked dead and enters the room asked for. It owns the entities and draws
// through the room view, which it does not own. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"
#include "game/Campaign.h"
#include "game/EntityTemplates.h"
#include "game/SaveGame.h"
#include "game/TileSets.h"
#include "game/WorldMap.h"

#include <cstddef>
#include <cstdint>

class GameEntity;
class Player;
class RoomView;
class RStreamingAudio_PCS;

class World {
public:
    // How a game ends: not yet, on the win orb, on the lose orb.
    enum Ending { kNoEnding, kWon, kLost };

    // A game's figures: its totals, which the saved game keeps, or what this session added to them.
    struct Stats {
        uint32_t roomsVisited = 0;  // rooms entered for the first time in the game
        uint32_t deaths = 0;
        uint32_t treasures = 0;
        float playSeconds = 0.0f;
    };

    // The most entities a room holds: its placed ones (WorldMap::kMaxEntities at most) and what spawns there. The
    // frame stays cheap and linear up to about this many (the room benchmark measures 2,000).
    static constexpr uint32_t kMaxEntities = 2048;

    // Tunes play on the tone generator when there is one.
    World(RoomView& view, RStreamingAudio_PCS* toneGenerator);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Reads the campaign and every content file it names; false, with the reason in error, when any of them is
    // refused. Refused entity templates and map entries are reported through warnings.
    bool LoadCampaign(const char* fileName, char* error, size_t errorSize);
    const RUtilVector<RString>& GetWarnings() const { return m_warnings; }

    // A new game in the start room at the difficulty (0 easy, 1 normal, 2 hard).
    void StartNew(uint32_t difficulty);
    // Whether the saved record can be this campaign's: its campaign's name, a room this map holds, only rooms entered
    // that it holds, and only treasures and powers the map places. False, with the reason in error, otherwise.
    bool CanContinue(const SaveGame& save, char* error, size_t errorSize) const;
    // The game of the saved record, its totals those of the save: the room it resumes in and the rooms it lists as
    // entered are no new visits. False, with the reason in error and nothing started, when CanContinue refuses it.
    bool Continue(const SaveGame& save, char* error, size_t errorSize);

    // After the fixed steps of a frame: deletes the entities marked dead, enters the room asked for, and
    // redraws the picture when the room, the switches or the status changed.
    void AfterFixedSteps();
    // Counts play time (called once per fixed step).
    void CountTime(float step);

    // Tiles: solid ones stop the player; outside the room nothing is solid.
    uint8_t GetTile(int32_t tileX, int32_t tileY) const;
    bool IsSolidAt(int32_t tileX, int32_t tileY) const;
    // Whether the box overlaps a solid tile.
    bool BoxHitsTiles(float x, float y, float width, float height) const;
    // An entity is being deleted: it leaves the room's list.
    void Forget(GameEntity* entity);

    // What entities ask. A spawn that would take the room beyond kMaxEntities is not made.
    void PlayTune(const char* name);
    void SpawnEffect(const char* templateName, float centreX, float centreY);
    void SpawnHazard(const char* templateName, float x, float y);
    void OnPlayerDied();
    // Puts the player back at the respawn point (in its room).
    void Respawn();
    // Makes x, y of this room the respawn point and saves the game there. A save in place that this game would
    // refuse, or cannot read, is first moved to a name of its own (SaveGame::KeepRefused); when it cannot be kept,
    // or the save fails, nothing is written over it and the status line says so.
    void SetCheckpoint(float x, float y);
    // Whether the respawn point is the checkpoint at x, y of this room.
    bool IsCheckpoint(float x, float y) const;
    void CollectTreasure(int32_t number);
    void GainPower(EntityTemplates::Power power);
    // The player left the room across an edge: dx, dy one of -1, 0, 1. Falling out of the bottom with no room
    // below counts as a death; other edges without a neighbour hold the player in.
    bool LeaveRoom(int32_t dx, int32_t dy);
    // Takes the player to the teleport of the same pair name that is not `from`.
    void TeleportPlayer(const GameEntity& from, const char* pair);
    void SetSwitch(bool magentaSolid);

    // The ending the player reached, handed out once.
    Ending TakeEnding();

    bool HasPower(EntityTemplates::Power power) const { return (m_powers & (1u << power)) != 0; }
    uint32_t GetDifficulty() const { return m_difficulty; }
    const WorldMap::Room* GetRoom() const { return m_map.GetRoom(m_roomIndex); }
    bool IsMagentaSolid() const { return m_magentaSolid; }
    uint32_t GetTreasureTotal() const { return m_treasureTotal; }
    // The game's totals, as the saved game keeps them.
    const Stats& GetStats() const { return m_stats; }
    // What this session added to them: the figures of the session's report.
    const Stats& GetSessionStats() const { return m_sessionStats; }
    Player* GetPlayer() const { return m_player; }
    RoomView& GetView() const { return m_view; }
    uint32_t GetEntityCount() const { return m_entities.getCount(); }
    // The saved record of the game as it stands at the respawn point.
    SaveGame MakeSave() const;
    // Draws the room and status again at the next chance (a new look).
    void RequestRedraw() { m_redraw = true; }
    // Shows a line on the status line until the status next changes.
    void ShowMessage(const char* text);
    // The line shown on the status line in place of the status; empty while the status is shown.
    const RString& GetShownMessage() const { return m_shownMessage; }
    // Freezes the picture for a cinematic: the room and status are not redrawn and the sprites are hidden.
    void SetPictureFrozen(bool frozen);

private:
    void EnterRoom(int32_t roomIndex, float playerX, float playerY);
    void ClearRoomEntities();
    // The room's solid tiles as collision boxes, one per run of tiles of a kind along a row; the switch blocks'
    // boxes are in the collision world while their blocks are solid.
    void MakeTileBoxes(const WorldMap::Room& room);
    void ApplySwitchToBoxes();
    GameEntity* MakeEntity(const EntityTemplates::Template& entry, const WorldMap::Placement& placement);
    void Redraw();
    // Writes the saved record at the respawn point (see SetCheckpoint); false when the game is not saved.
    bool SaveAtCheckpoint();
    // Shows the game's text [Messages] key, followed by detail when given.
    void ShowGameMessage(const char* key, const char* detail = "");
    // Adds one to a count of the game's totals and of the session's, each held at the most a save keeps.
    void Count(uint32_t Stats::*count);

    RoomView& m_view;
    RStreamingAudio_PCS* m_toneGenerator;
    Campaign m_campaign;
    TileSets m_tileSets;
    EntityTemplates m_templates;
    WorldMap m_map;
    RUtilVector<RString> m_warnings;

    RUtilVector<GameEntity*> m_entities;  // the room's, not the player
    struct TileBox {
        class RCollisionBox* box;
        uint8_t tile;  // what the run is made of
    };
    RUtilVector<TileBox> m_tileBoxes;
    Player* m_player = nullptr;
    int32_t m_roomIndex = -1;
    bool m_magentaSolid = true;
    uint32_t m_powers = 0;         // bit n for power n
    uint32_t m_treasureMask = 0;   // bit n-1 for treasure n
    uint32_t m_treasureTotal = 0;
    uint32_t m_treasureNumbers = 0;  // bit n-1 for each treasure n the map places
    uint32_t m_placedPowers = 0;     // bit n for each power n a power-up of the map gives
    uint32_t m_difficulty = 1;
    uint64_t m_visitedRooms = 0;   // bit n for room n, entered in this game
    Stats m_stats;
    Stats m_sessionStats;
    // The respawn point.
    int32_t m_checkpointRoom = -1;
    float m_checkpointX = 0.0f;
    float m_checkpointY = 0.0f;
    // A room change asked for during the fixed steps.
    int32_t m_pendingRoom = -1;
    float m_pendingX = 0.0f;
    float m_pendingY = 0.0f;
    bool m_redraw = false;
    RString m_shownMessage;
    bool m_pictureFrozen = false;
    Ending m_ending = kNoEnding;
};
