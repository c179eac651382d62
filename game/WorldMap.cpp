#include "game/WorldMap.h"

#include "core/text/RINIFile.h"
#include "core/text/RXMLFile.h"
#include "game/ContentFile.h"
#include "game/EntityTemplates.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The tile of a map letter; false for a letter that is no tile.
bool TileFromLetter(char letter, uint8_t* tile)
{
    switch (letter) {
    case '.': *tile = WorldMap::kEmpty; return true;
    case '#': *tile = WorldMap::kWall; return true;
    case '=': *tile = WorldMap::kLedge; return true;
    case 'M': *tile = WorldMap::kMagenta; return true;
    case 'C': *tile = WorldMap::kCyan; return true;
    case 'r': *tile = WorldMap::kRedSwitch; return true;
    case 'b': *tile = WorldMap::kBlueSwitch; return true;
    case ':': *tile = WorldMap::kSpeck; return true;
    default: return false;
    }
}

// A whole number of at most six characters (an optional minus sign, then digits); false for anything else.
bool ParseSmallInt(const char* text, int32_t* out)
{
    const size_t length = strlen(text);
    if (length == 0 || length > 6)
        return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == length)
        return false;
    for (; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    *out = atoi(text);
    return true;
}

// Splits text at blanks into at most maxWords words of up to 31 characters; the word count, or -1 when there
// are more words or a longer one.
int SplitWords(const char* text, char words[][32], int maxWords)
{
    int count = 0;
    const char* p = text;
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t')
            ++p;
        const size_t length = static_cast<size_t>(p - start);
        if (count == maxWords || length > 31)
            return -1;
        memcpy(words[count], start, length);
        words[count][length] = '\0';
        ++count;
    }
    return count;
}

}  // namespace

WorldMap::~WorldMap()
{
    Clear();
}

void WorldMap::Clear()
{
    for (Room* room : m_rooms)
        delete room;
    m_rooms.free();
    m_warnings.free();
}

bool WorldMap::IsSolid(uint8_t tile, bool magentaSolid)
{
    switch (tile) {
    case kWall:
    case kLedge:
        return true;
    case kMagenta:
        return magentaSolid;
    case kCyan:
        return !magentaSolid;
    default:
        return false;
    }
}

bool WorldMap::Load(const char* mapFile, const char* titlesFile, const EntityTemplates& templates, char* error,
                    size_t errorSize)
{
    uint32_t mapSize = 0;
    char* mapText = ContentFile::Read(mapFile, &mapSize, error, errorSize);
    if (!mapText)
        return false;
    uint32_t titlesSize = 0;
    char* titlesText = ContentFile::Read(titlesFile, &titlesSize, error, errorSize);
    if (!titlesText) {
        delete[] mapText;
        return false;
    }
    const bool loaded = LoadFromText(mapText, mapSize, titlesText, titlesSize, templates, error, errorSize);
    delete[] mapText;
    delete[] titlesText;
    return loaded;
}

bool WorldMap::LoadFromText(const char* mapText, uint32_t mapLength, const char* titlesText, uint32_t titlesLength,
                            const EntityTemplates& templates, char* error, size_t errorSize)
{
    Clear();
    RINIFile ini;
    ini.LoadFromMemory(mapText, mapLength);
    RString list;
    ini.GetValue(RHashedString("Map"), RHashedString("Rooms"), list);
    char ids[kMaxRooms + 1][32];
    const int count = SplitWords(list.GetString(), ids, kMaxRooms);
    if (count <= 0) {
        snprintf(error, errorSize, "The map lists no rooms, more than %u, or an id longer than 31 characters",
                 kMaxRooms);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (FindRoom(ids[i]) >= 0) {
            snprintf(error, errorSize, "The map lists room %s twice", ids[i]);
            Clear();
            return false;
        }
        if (!ReadRoom(ini, RString(ids[i]), templates, error, errorSize)) {
            Clear();
            return false;
        }
        const Room* room = m_rooms[m_rooms.getCount() - 1];
        for (uint32_t j = 0; j + 1 < m_rooms.getCount(); ++j) {
            if (m_rooms[j]->gridX == room->gridX && m_rooms[j]->gridY == room->gridY) {
                snprintf(error, errorSize, "Rooms %s and %s lie on one grid cell", m_rooms[j]->id.GetString(),
                         room->id.GetString());
                Clear();
                return false;
            }
        }
    }

    if (titlesText) {
        RXMLFile titles;
        titles.Parse(titlesText, titlesLength);
        uint32_t index = 0;
        while (RXMLTree* element = titles.FindElement(RString("Room"), &index)) {
            RString id, title;
            element->GetAttribute("id", &id);
            element->GetAttribute("title", &title);
            const int32_t room = FindRoom(id.GetString());
            if (room >= 0 && !title.IsEmpty())
                m_rooms[room]->title = title.Left(40);
        }
    }
    PairTeleports(templates);
    return true;
}

bool WorldMap::ReadRoom(RINIFile& ini, const RString& id, const EntityTemplates& templates, char* error,
                        size_t errorSize)
{
    const RHashedString section(id.GetString());
    RString value;
    Room* room = new Room();
    room->id = id;
    room->title = id;
    m_rooms.push(room);

    if (!ini.GetSections().find(section)) {
        snprintf(error, errorSize, "The map names a missing room: %s", id.GetString());
        return false;
    }
    int32_t numbers[4];
    const char* const numberKeys[2] = {"X", "Y"};
    for (int i = 0; i < 2; ++i) {
        if (!ini.GetValue(section, RHashedString(numberKeys[i]), value) ||
            !ParseSmallInt(value.Trim().GetString(), &numbers[i]) || numbers[i] < -kGridLimit ||
            numbers[i] > kGridLimit) {
            snprintf(error, errorSize, "Room %s has no grid %s from -1000 to 1000",
                     id.GetString(), numberKeys[i]);
            return false;
        }
    }
    room->gridX = numbers[0];
    room->gridY = numbers[1];

    char words[4][32];
    if (!ini.GetValue(section, RHashedString("Start"), value) || SplitWords(value.GetString(), words, 2) != 2 ||
        !ParseSmallInt(words[0], &numbers[2]) || !ParseSmallInt(words[1], &numbers[3]) || numbers[2] < 0 ||
        numbers[2] >= kWidth || numbers[3] < 0 || numbers[3] + 1 >= kHeight) {
        snprintf(error, errorSize, "Room %s has no start inside the room", id.GetString());
        return false;
    }
    room->startX = numbers[2];
    room->startY = numbers[3];

    for (int row = 0; row < kHeight; ++row) {
        char key[8];
        snprintf(key, sizeof(key), "Row%02d", row);
        bool valid = ini.GetValue(section, RHashedString(key), value);
        value = value.Trim();
        valid = valid && value.GetLength() == kWidth;
        for (int x = 0; valid && x < kWidth; ++x)
            valid = TileFromLetter(value.GetString()[x], &room->tiles[row][x]);
        if (!valid) {
            snprintf(error, errorSize, "Row %d of room %s is not 40 tile letters", row, id.GetString());
            return false;
        }
    }
    // The game starts with the magenta blocks solid.
    if (IsSolid(room->tiles[room->startY][room->startX], true) ||
        !IsSolid(room->tiles[room->startY + 1][room->startX], true)) {
        snprintf(error, errorSize, "Room %s has no solid floor under its start", id.GetString());
        return false;
    }

    char line[256];
    for (int entity = 1; entity <= kMaxEntities; ++entity) {
        char key[16];
        snprintf(key, sizeof(key), "Entity%02d", entity);
        if (!ini.GetValue(section, RHashedString(key), value))
            continue;
        const int wordCount = SplitWords(value.GetString(), words, 4);
        Placement placement;
        const EntityTemplates::Template* entry =
            wordCount >= 3 ? templates.Find(words[0], &placement.templateIndex) : nullptr;
        if (!entry) {
            snprintf(line, sizeof(line), "Room %s: %s names no known template and is left out", id.GetString(), key);
            m_warnings.push(RString(line));
            continue;
        }
        if (!ParseSmallInt(words[1], &placement.x) || !ParseSmallInt(words[2], &placement.y) || placement.x < 0 ||
            placement.x >= kWidth || placement.y < 0 || placement.y >= kHeight) {
            snprintf(line, sizeof(line), "Room %s: %s lies outside the room and is left out", id.GetString(), key);
            m_warnings.push(RString(line));
            continue;
        }
        if (entry->kind == EntityTemplates::kTreasure &&
            (wordCount < 4 || !ParseSmallInt(words[3], &placement.number) || placement.number < 1 ||
             placement.number > 32)) {
            snprintf(line, sizeof(line), "Room %s: treasure %s has no number from 1 to 32 and is left out",
                     id.GetString(), key);
            m_warnings.push(RString(line));
            continue;
        }
        if (entry->kind == EntityTemplates::kTeleport) {
            if (wordCount < 4 || strlen(words[3]) >= sizeof(placement.pair)) {
                snprintf(line, sizeof(line), "Room %s: teleport %s has no pair name of 1 to 7 letters and is left out",
                         id.GetString(), key);
                m_warnings.push(RString(line));
                continue;
            }
            memcpy(placement.pair, words[3], strlen(words[3]) + 1);
        }
        room->placements.push(placement);
    }
    return true;
}

void WorldMap::PairTeleports(const EntityTemplates& templates)
{
    // Count each teleport's pair name over the whole map (kept in the teleport's unused number), then leave out
    // the teleports whose name is not given exactly twice.
    for (Room* room : m_rooms) {
        for (Placement& placement : room->placements) {
            const EntityTemplates::Template* entry = templates.Get(placement.templateIndex);
            if (!entry || entry->kind != EntityTemplates::kTeleport)
                continue;
            placement.number = 0;
            for (const Room* other : m_rooms) {
                for (const Placement& candidate : other->placements) {
                    const EntityTemplates::Template* otherEntry = templates.Get(candidate.templateIndex);
                    if (otherEntry && otherEntry->kind == EntityTemplates::kTeleport &&
                        strcmp(candidate.pair, placement.pair) == 0)
                        ++placement.number;
                }
            }
        }
    }
    for (Room* room : m_rooms) {
        for (uint32_t i = 0; i < room->placements.getCount();) {
            const Placement& placement = room->placements[i];
            const EntityTemplates::Template* entry = templates.Get(placement.templateIndex);
            if (!entry || entry->kind != EntityTemplates::kTeleport || placement.number == 2) {
                ++i;
                continue;
            }
            char line[160];
            snprintf(line, sizeof(line), "Room %s: teleport %s has no single pair and is left out",
                     room->id.GetString(), placement.pair);
            m_warnings.push(RString(line));
            room->placements.erase(i, 1);
        }
    }
}

const WorldMap::Room* WorldMap::GetRoom(int32_t index) const
{
    return index >= 0 && static_cast<uint32_t>(index) < m_rooms.getCount() ? m_rooms[index] : nullptr;
}

int32_t WorldMap::FindRoom(const char* id) const
{
    for (uint32_t i = 0; i < m_rooms.getCount(); ++i) {
        if (m_rooms[i]->id.EqualsNoCase(id))
            return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t WorldMap::FindRoomAt(int32_t gridX, int32_t gridY) const
{
    for (uint32_t i = 0; i < m_rooms.getCount(); ++i) {
        if (m_rooms[i]->gridX == gridX && m_rooms[i]->gridY == gridY)
            return static_cast<int32_t>(i);
    }
    return -1;
}
