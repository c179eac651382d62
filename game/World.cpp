#include "game/World.h"

#include "core/config/RLocMgr.h"
#include "basegame/RBaseGame.h"
#include "game/Checkpoint.h"
#include "game/Effect.h"
#include "game/Hazard.h"
#include "game/HazardSpawner.h"
#include "game/Platform.h"
#include "game/Player.h"
#include "game/Powerup.h"
#include "game/RoomView.h"
#include "game/Teleport.h"
#include "game/Treasure.h"
#include "platform/audio/RPCSTune.h"
#include "platform/audio/RStreamingAudio_PCS.h"
#include "scene/RCollisionBox.h"
#include "scene/RCollisionWorld.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr float kTile = static_cast<float>(TileSets::kTileSize);
constexpr float kRoomWidth = WorldMap::kWidth * kTile;
constexpr float kRoomHeight = WorldMap::kHeight * kTile;
// The rooms entered are bits of one word.
static_assert(WorldMap::kMaxRooms <= 64, "a map holds more rooms than the bits of the rooms entered");

// The kind of solid a tile is: walls and ledges are one; each switch block colour is its own.
uint8_t KindOf(uint8_t tile)
{
    return tile == WorldMap::kLedge ? static_cast<uint8_t>(WorldMap::kWall) : tile;
}

}  // namespace

World::World(RoomView& view, RStreamingAudio_PCS* toneGenerator) : m_view(view), m_toneGenerator(toneGenerator) {}

World::~World()
{
    ClearRoomEntities();
    delete m_player;
    m_player = nullptr;
    m_view.SetShown(false);
    m_view.UseTileSets(nullptr);
}

bool World::LoadCampaign(const char* fileName, char* error, size_t errorSize)
{
    m_warnings.free();
    if (!m_campaign.Load(fileName, error, errorSize) ||
        !m_tileSets.Load(m_campaign.GetTilesetsFile().GetString(), error, errorSize) ||
        !m_templates.Load(m_campaign.GetEntitiesFile().GetString(), error, errorSize))
        return false;
    for (const RString& warning : m_templates.GetWarnings())
        m_warnings.push(warning);
    if (!m_map.Load(m_campaign.GetMapFile().GetString(), m_campaign.GetRoomsFile().GetString(), m_templates, error,
                    errorSize))
        return false;
    for (const RString& warning : m_map.GetWarnings())
        m_warnings.push(warning);
    if (m_map.FindRoom(m_campaign.GetStartRoom().GetString()) < 0) {
        snprintf(error, errorSize, "The campaign starts in room %s, which the map does not hold",
                 m_campaign.GetStartRoom().GetString());
        return false;
    }
    bool hasPlayer = false;
    for (uint32_t i = 0; i < m_templates.GetCount(); ++i)
        hasPlayer = hasPlayer || m_templates.Get(static_cast<int32_t>(i))->kind == EntityTemplates::kPlayer;
    if (!hasPlayer) {
        snprintf(error, errorSize, "The entity templates hold no Player");
        return false;
    }
    if (!m_view.UseTileSets(&m_tileSets)) {
        snprintf(error, errorSize, "The tile sheets could not be made");
        return false;
    }
    m_treasureTotal = 0;
    m_treasureNumbers = 0;
    m_placedPowers = 0;
    for (uint32_t room = 0; room < m_map.GetRoomCount(); ++room) {
        for (const WorldMap::Placement& placement : m_map.GetRoom(static_cast<int32_t>(room))->placements) {
            const EntityTemplates::Template* entry = m_templates.Get(placement.templateIndex);
            if (entry->kind == EntityTemplates::kTreasure) {
                ++m_treasureTotal;
                m_treasureNumbers |= 1u << (placement.number - 1);
            } else if (entry->kind == EntityTemplates::kPowerup &&
                       (entry->power == EntityTemplates::kDoubleJump || entry->power == EntityTemplates::kWallJump)) {
                m_placedPowers |= 1u << entry->power;
            }
        }
    }
    return true;
}

void World::StartNew(uint32_t difficulty)
{
    m_difficulty = difficulty < 3 ? difficulty : 1;
    m_magentaSolid = true;
    m_powers = 0;
    m_treasureMask = 0;
    m_visitedRooms = 0;
    m_stats = Stats();
    m_sessionStats = Stats();
    const int32_t start = m_map.FindRoom(m_campaign.GetStartRoom().GetString());
    const WorldMap::Room* room = m_map.GetRoom(start);
    m_checkpointRoom = start;
    m_checkpointX = room->startX * kTile + 1.0f;
    m_checkpointY = room->startY * kTile;
    EnterRoom(start, m_checkpointX, m_checkpointY);
}

bool World::CanContinue(const SaveGame& save, char* error, size_t errorSize) const
{
    if (!m_campaign.GetFileName().EqualsNoCase(save.campaign)) {
        snprintf(error, errorSize, "The saved game belongs to campaign %s", save.campaign);
        return false;
    }
    if (m_map.FindRoom(save.room) < 0) {
        snprintf(error, errorSize, "The saved game names room %s, which the map no longer holds", save.room);
        return false;
    }
    for (uint32_t i = 0; i < save.enteredRoomCount; ++i) {
        if (m_map.FindRoom(save.enteredRooms[i]) < 0) {
            snprintf(error, errorSize, "The saved game has entered room %s, which the map no longer holds",
                     save.enteredRooms[i]);
            return false;
        }
    }
    if (save.treasures & ~m_treasureNumbers) {
        snprintf(error, errorSize, "The saved game holds treasures (0x%X) the map does not place (0x%X)",
                 save.treasures, m_treasureNumbers);
        return false;
    }
    if ((save.powers << 1) & ~m_placedPowers) {
        snprintf(error, errorSize, "The saved game holds powers that no power-up of the map gives");
        return false;
    }
    return true;
}

bool World::Continue(const SaveGame& save, char* error, size_t errorSize)
{
    if (!CanContinue(save, error, errorSize))
        return false;
    const int32_t room = m_map.FindRoom(save.room);
    // A respawn point outside the room, or inside solid tiles, is no place to stand: the room's start is taken.
    float x = static_cast<float>(save.x);
    float y = static_cast<float>(save.y);
    m_roomIndex = room;
    m_magentaSolid = save.magentaSolid != 0;
    if (x < 0.0f || y < 0.0f || x + Player::kWidth > kRoomWidth || y + Player::kHeight > kRoomHeight ||
        BoxHitsTiles(x, y, Player::kWidth, Player::kHeight)) {
        x = m_map.GetRoom(room)->startX * kTile + 1.0f;
        y = m_map.GetRoom(room)->startY * kTile;
    }
    m_difficulty = save.difficulty;
    m_powers = save.powers << 1;
    m_treasureMask = save.treasures;
    // The save's count holds the room it was made in and the rooms it lists; a room a save of version 1 does not
    // know about counts as new once.
    m_visitedRooms = uint64_t{1} << room;
    for (uint32_t i = 0; i < save.enteredRoomCount; ++i)
        m_visitedRooms |= uint64_t{1} << m_map.FindRoom(save.enteredRooms[i]);
    m_stats = Stats();
    m_sessionStats = Stats();
    m_stats.deaths = save.deaths;
    m_stats.roomsVisited = save.roomsVisited;
    m_stats.playSeconds = save.playSeconds;
    for (uint32_t mask = save.treasures; mask; mask &= mask - 1)
        ++m_stats.treasures;
    m_checkpointRoom = room;
    m_checkpointX = x;
    m_checkpointY = y;
    EnterRoom(room, x, y);
    return true;
}

SaveGame World::MakeSave() const
{
    SaveGame save;
    snprintf(save.campaign, sizeof(save.campaign), "%s", m_campaign.GetFileName().GetString());
    const WorldMap::Room* room = m_map.GetRoom(m_checkpointRoom);
    snprintf(save.room, sizeof(save.room), "%s", room ? room->id.GetString() : "");
    save.x = static_cast<int32_t>(std::lround(m_checkpointX));
    save.y = static_cast<int32_t>(std::lround(m_checkpointY));
    save.powers = m_powers >> 1;
    save.magentaSolid = m_magentaSolid ? 1u : 0u;
    save.treasures = m_treasureMask;
    save.deaths = m_stats.deaths;
    save.roomsVisited = m_stats.roomsVisited;
    save.playSeconds = m_stats.playSeconds;
    save.difficulty = m_difficulty;
    for (uint32_t index = 0; index < m_map.GetRoomCount(); ++index) {
        if (m_visitedRooms & (uint64_t{1} << index))
            snprintf(save.enteredRooms[save.enteredRoomCount++], sizeof(save.enteredRooms[0]), "%s",
                     m_map.GetRoom(static_cast<int32_t>(index))->id.GetString());
    }
    return save;
}

void World::EnterRoom(int32_t roomIndex, float playerX, float playerY)
{
    ClearRoomEntities();
    m_roomIndex = roomIndex;
    if (!(m_visitedRooms & (uint64_t{1} << roomIndex))) {
        m_visitedRooms |= uint64_t{1} << roomIndex;
        Count(&Stats::roomsVisited);
    }
    const WorldMap::Room* room = m_map.GetRoom(roomIndex);
    MakeTileBoxes(*room);
    for (const WorldMap::Placement& placement : room->placements) {
        const EntityTemplates::Template* entry = m_templates.Get(placement.templateIndex);
        if (GameEntity* entity = entry ? MakeEntity(*entry, placement) : nullptr)
            m_entities.push(entity);
    }
    if (!m_player) {
        int32_t hero = 0;
        while (m_templates.Get(hero)->kind != EntityTemplates::kPlayer)
            ++hero;
        m_player = new Player(*this, *m_templates.Get(hero), playerX, playerY);
    }
    m_player->Carry(playerX, playerY);
    m_view.SetShown(true);
    m_redraw = true;
    Redraw();
}

GameEntity* World::MakeEntity(const EntityTemplates::Template& entry, const WorldMap::Placement& placement)
{
    const float x = placement.x * kTile;
    const float y = placement.y * kTile;
    switch (entry.kind) {
    case EntityTemplates::kPlatform:
        return new Platform(*this, entry, x, y);
    case EntityTemplates::kHazard:
        return new Hazard(*this, entry, x, y);
    case EntityTemplates::kHazardSpawner:
        return new HazardSpawner(*this, entry, x, y);
    case EntityTemplates::kTeleport:
        return new Teleport(*this, entry, x, y, placement.pair);
    case EntityTemplates::kCheckpoint:
        return new Checkpoint(*this, entry, x, y);
    case EntityTemplates::kTreasure:
        if (m_treasureMask & (1u << (placement.number - 1)))
            return nullptr;
        return new Treasure(*this, entry, x, y, placement.number);
    case EntityTemplates::kPowerup:
        if (entry.power != EntityTemplates::kWinOrb && entry.power != EntityTemplates::kLoseOrb && HasPower(entry.power))
            return nullptr;
        return new Powerup(*this, entry, x, y);
    case EntityTemplates::kEffect:
        return new Effect(*this, entry, x + 4.0f, y + 4.0f);
    default:
        // A player placed in a room is not a second player.
        return nullptr;
    }
}

void World::ClearRoomEntities()
{
    // Each entity takes itself out of the list as it goes.
    while (!m_entities.isEmpty())
        delete m_entities[m_entities.getCount() - 1];
    for (const TileBox& tileBox : m_tileBoxes)
        delete tileBox.box;
    m_tileBoxes.free();
}

void World::Forget(GameEntity* entity)
{
    m_entities.eraseElement(entity);
    if (entity == m_player)
        m_player = nullptr;
}

void World::MakeTileBoxes(const WorldMap::Room& room)
{
    for (int32_t y = 0; y < WorldMap::kHeight; ++y) {
        int32_t x = 0;
        while (x < WorldMap::kWidth) {
            const uint8_t tile = room.tiles[y][x];
            const uint8_t kind = KindOf(tile);
            if (kind != WorldMap::kWall && kind != WorldMap::kMagenta && kind != WorldMap::kCyan) {
                ++x;
                continue;
            }
            int32_t end = x + 1;
            while (end < WorldMap::kWidth && KindOf(room.tiles[y][end]) == kind)
                ++end;
            const RVector2 half = {(end - x) * kTile * 0.5f, kTile * 0.5f};
            m_tileBoxes.push(TileBox{new RCollisionBox(RVector2{x * kTile + half.x, y * kTile + half.y}, half), kind});
            x = end;
        }
    }
    ApplySwitchToBoxes();
}

void World::ApplySwitchToBoxes()
{
    // Open blocks leave the collision world; solid ones are in it (once).
    RCollisionWorld* collision = RCollisionWorld::GetInstance();
    for (const TileBox& tileBox : m_tileBoxes) {
        if (WorldMap::IsSolid(tileBox.tile, m_magentaSolid))
            collision->AddShape(tileBox.box);
        else
            collision->RemoveShape(tileBox.box);
    }
}

void World::AfterFixedSteps()
{
    if (m_pendingRoom >= 0) {
        const int32_t room = m_pendingRoom;
        m_pendingRoom = -1;
        if (room != m_roomIndex)
            EnterRoom(room, m_pendingX, m_pendingY);
        else
            m_player->Carry(m_pendingX, m_pendingY);
    }
    Redraw();
}

void World::Redraw()
{
    if (!m_redraw || m_pictureFrozen)
        return;
    m_redraw = false;
    const WorldMap::Room* room = GetRoom();
    if (!room)
        return;
    m_view.DrawRoom(*room, m_magentaSolid);
    m_shownMessage = RString();
    m_view.ClearStatus();
    m_view.DrawText(2, RoomView::kStatusY + 1, room->title.GetString());
    char status[64];
    uint32_t found = 0;
    for (uint32_t mask = m_treasureMask; mask; mask &= mask - 1)
        ++found;
    snprintf(status, sizeof(status), "TREASURE %u/%u  %s %s", found, m_treasureTotal,
             HasPower(EntityTemplates::kDoubleJump) ? "DOUBLE" : "", HasPower(EntityTemplates::kWallJump) ? "WALL" : "");
    m_view.DrawText(RoomView::kPictureWidth / 2, RoomView::kStatusY + 1, status);
    m_view.Present();
}

void World::ShowMessage(const char* text)
{
    Redraw();
    m_shownMessage = RString(text);
    m_view.ClearStatus();
    m_view.DrawText(2, RoomView::kStatusY + 1, text);
    m_view.Present();
}

void World::ShowGameMessage(const char* key, const char* detail)
{
    const RString text =
        RLocMgr::GetInstance()->GetString(RHashedString("Wendro"), RHashedString("Messages"), RHashedString(key));
    char line[160];
    snprintf(line, sizeof(line), "%s%s%s", text.GetString(), detail[0] ? " " : "", detail);
    ShowMessage(line);
}

void World::SetPictureFrozen(bool frozen)
{
    m_pictureFrozen = frozen;
    m_view.SetSpritesShown(!frozen);
    if (!frozen)
        m_redraw = true;
}

uint8_t World::GetTile(int32_t tileX, int32_t tileY) const
{
    const WorldMap::Room* room = GetRoom();
    if (!room || tileX < 0 || tileY < 0 || tileX >= WorldMap::kWidth || tileY >= WorldMap::kHeight)
        return WorldMap::kEmpty;
    return room->tiles[tileY][tileX];
}

bool World::IsSolidAt(int32_t tileX, int32_t tileY) const
{
    return WorldMap::IsSolid(GetTile(tileX, tileY), m_magentaSolid);
}

bool World::BoxHitsTiles(float x, float y, float width, float height) const
{
    const int32_t left = static_cast<int32_t>(std::floor(x / kTile));
    const int32_t right = static_cast<int32_t>(std::floor((x + width - 0.001f) / kTile));
    const int32_t top = static_cast<int32_t>(std::floor(y / kTile));
    const int32_t bottom = static_cast<int32_t>(std::floor((y + height - 0.001f) / kTile));
    for (int32_t ty = top; ty <= bottom; ++ty) {
        for (int32_t tx = left; tx <= right; ++tx) {
            if (IsSolidAt(tx, ty))
                return true;
        }
    }
    return false;
}

void World::PlayTune(const char* name)
{
    const Campaign::Tune* tune = m_campaign.FindTune(name);
    if (!tune || !m_toneGenerator)
        return;
    RPCSTune playing;
    ParsePCSTune(tune->notes, playing.notes);
    playing.loop = 0;
    playing.priority = tune->priority;
    m_toneGenerator->PlayTune(playing);
}

void World::SpawnEffect(const char* templateName, float centreX, float centreY)
{
    const EntityTemplates::Template* entry = m_templates.Find(templateName);
    if (entry && entry->kind == EntityTemplates::kEffect && m_entities.getCount() < kMaxEntities)
        m_entities.push(new Effect(*this, *entry, centreX, centreY));
}

void World::SpawnHazard(const char* templateName, float x, float y)
{
    const EntityTemplates::Template* entry = m_templates.Find(templateName);
    if (entry && entry->kind == EntityTemplates::kHazard && m_entities.getCount() < kMaxEntities)
        m_entities.push(new Hazard(*this, *entry, x, y, true));
}

void World::CountTime(float step)
{
    m_stats.playSeconds = std::fmin(m_stats.playSeconds + step, SaveGame::kMaxPlaySeconds);
    m_sessionStats.playSeconds = std::fmin(m_sessionStats.playSeconds + step, SaveGame::kMaxPlaySeconds);
}

void World::Count(uint32_t Stats::*count)
{
    for (Stats* stats : {&m_stats, &m_sessionStats}) {
        if (stats->*count < SaveGame::kMaxCount)
            ++(stats->*count);
    }
}

void World::OnPlayerDied()
{
    Count(&Stats::deaths);
    PlayTune("Death");
    SpawnEffect("Burst", m_player->GetX() + Player::kWidth * 0.5f, m_player->GetY() + Player::kHeight * 0.5f);
}

void World::Respawn()
{
    m_player->Respawn(m_checkpointX, m_checkpointY);
    if (m_checkpointRoom != m_roomIndex) {
        m_pendingRoom = m_checkpointRoom;
        m_pendingX = m_checkpointX;
        m_pendingY = m_checkpointY;
    }
}

bool World::IsCheckpoint(float x, float y) const
{
    return m_checkpointRoom == m_roomIndex && std::fabs(m_checkpointX - (x + 1.0f)) < 0.5f &&
           std::fabs(m_checkpointY - y) < 0.5f;
}

void World::SetCheckpoint(float x, float y)
{
    m_checkpointRoom = m_roomIndex;
    m_checkpointX = x + 1.0f;
    m_checkpointY = y;
    PlayTune("Checkpoint");
    if (!SaveAtCheckpoint())
        ShowGameMessage("SaveFailed");
}

bool World::SaveAtCheckpoint()
{
    RBaseGame* game = RBaseGame::GetInstance();
    char path[PATH_MAX];
    if (!SaveGame::GetPath(path, sizeof(path))) {
        game->ReportFailure("The game could not be saved: there is no user folder for it");
        return false;
    }
    // A save in place that this game would refuse (another version, damaged, a room the map no longer holds, or
    // one it may not read) may be hours of play: it is kept under a name of its own before the new save takes its
    // place.
    struct stat info;
    SaveGame old;
    // A reason may name the save's path.
    char error[PATH_MAX + 256] = "";
    if (stat(path, &info) == 0 && S_ISREG(info.st_mode) &&
        !(old.Read(path, error, sizeof(error)) && CanContinue(old, error, sizeof(error)))) {
        char kept[PATH_MAX];
        char reason[256];
        if (!SaveGame::KeepRefused(path, kept, sizeof(kept), reason, sizeof(reason))) {
            game->ReportFailure("The game is not saved: the refused save %s could not be kept (%s)", path, reason);
            return false;
        }
        game->ReportFailure("The refused save (%s) is kept as %s", error, kept);
        const char* name = strrchr(kept, '/');
        ShowGameMessage("SaveKept", name ? name + 1 : kept);
    }
    if (!MakeSave().Write(path)) {
        game->ReportFailure("The game could not be saved to %s", path);
        return false;
    }
    return true;
}

void World::CollectTreasure(int32_t number)
{
    const uint32_t bit = 1u << (number - 1);
    if (m_treasureMask & bit)
        return;
    m_treasureMask |= bit;
    Count(&Stats::treasures);
    PlayTune("Pickup");
    m_redraw = true;
}

void World::GainPower(EntityTemplates::Power power)
{
    if (power == EntityTemplates::kWinOrb || power == EntityTemplates::kLoseOrb) {
        if (m_ending == kNoEnding)
            m_ending = power == EntityTemplates::kWinOrb ? kWon : kLost;
        return;
    }
    m_powers |= 1u << power;
    PlayTune("Power");
    m_redraw = true;
}

World::Ending World::TakeEnding()
{
    const Ending ending = m_ending;
    m_ending = kNoEnding;
    return ending;
}

bool World::LeaveRoom(int32_t dx, int32_t dy)
{
    const WorldMap::Room* room = GetRoom();
    const int32_t next = m_map.FindRoomAt(room->gridX + dx, room->gridY + dy);
    if (next < 0) {
        // Below the room with nothing there: the player would fall forever.
        if (dy > 0)
            m_player->Kill();
        return false;
    }
    m_pendingRoom = next;
    m_pendingX = m_player->GetX() - static_cast<float>(dx) * kRoomWidth;
    m_pendingY = m_player->GetY() - static_cast<float>(dy) * kRoomHeight;
    return true;
}

void World::TeleportPlayer(const GameEntity& from, const char* pair)
{
    // The partner may lie in any room: search the map's placements, skipping the one the player stands on.
    for (uint32_t roomIndex = 0; roomIndex < m_map.GetRoomCount(); ++roomIndex) {
        const WorldMap::Room* room = m_map.GetRoom(static_cast<int32_t>(roomIndex));
        for (const WorldMap::Placement& placement : room->placements) {
            const EntityTemplates::Template* entry = m_templates.Get(placement.templateIndex);
            if (!entry || entry->kind != EntityTemplates::kTeleport || strcmp(placement.pair, pair) != 0)
                continue;
            const float x = placement.x * kTile;
            const float y = placement.y * kTile;
            if (static_cast<int32_t>(roomIndex) == m_roomIndex && std::fabs(x - from.GetX()) < 0.5f &&
                std::fabs(y - from.GetY()) < 0.5f)
                continue;
            m_player->OnTeleported();
            m_pendingRoom = static_cast<int32_t>(roomIndex);
            m_pendingX = x + 1.0f;
            m_pendingY = y;
            if (m_pendingRoom == m_roomIndex)
                m_player->Carry(m_pendingX, m_pendingY);
            PlayTune("Teleport");
            return;
        }
    }
}

void World::SetSwitch(bool magentaSolid)
{
    if (m_magentaSolid == magentaSolid)
        return;
    m_magentaSolid = magentaSolid;
    ApplySwitchToBoxes();
    PlayTune("Switch");
    m_redraw = true;
}
