#include "game/Campaign.h"

#include "core/text/RINIFile.h"
#include "core/files/RStreamMgr.h"
#include "game/ContentFile.h"

#include <cstdio>
#include <cstdlib>

Campaign::~Campaign()
{
    Clear();
}

void Campaign::Clear()
{
    for (Tune* tune : m_tunes)
        delete tune;
    m_tunes.free();
    m_title = "";
    m_mapFile = "";
    m_roomsFile = "";
    m_tilesetsFile = "";
    m_entitiesFile = "";
    m_startRoom = "";
}

void Campaign::ListCampaigns(RUtilVector<RString>& out)
{
    RStreamMgr::GetInstance()->ListFiles(out, "*.gam", RStreamMgr::kPacksOnly);
}

bool Campaign::Load(const char* fileName, char* error, size_t errorSize)
{
    const bool loaded = ContentFile::Load(fileName, error, errorSize, [&](const char* text, uint32_t size) {
        return LoadFromText(text, size, error, errorSize);
    });
    if (loaded)
        m_fileName = fileName;
    return loaded;
}

bool Campaign::LoadFromText(const char* text, uint32_t length, char* error, size_t errorSize)
{
    Clear();
    RINIFile ini;
    ini.LoadFromMemory(text, length);

    const RHashedString section("Campaign");
    struct Required {
        const char* key;
        RString* target;
    } required[] = {{"Title", &m_title},       {"Map", &m_mapFile},           {"Rooms", &m_roomsFile},
                    {"Tilesets", &m_tilesetsFile}, {"Entities", &m_entitiesFile}, {"StartRoom", &m_startRoom}};
    for (const Required& entry : required) {
        RString value;
        if (!ini.GetValue(section, RHashedString(entry.key), value) || value.Trim().IsEmpty()) {
            snprintf(error, errorSize, "The campaign names no %s", entry.key);
            Clear();
            return false;
        }
        *entry.target = value.Trim();
    }

    RINIFile::SectionMap& sections = ini.GetSections();
    RUtilMapNode<RINIFile::Section, RHashedString>* tunes = sections.find(RHashedString("Tunes"));
    if (!tunes)
        return true;
    for (RUtilMapIter<RString, RHashedString> it(tunes->value); it.isValid(); it.next()) {
        if (m_tunes.getCount() >= kMaxTunes) {
            snprintf(error, errorSize, "The campaign names more than %u tunes", kMaxTunes);
            Clear();
            return false;
        }
        // "priority, music string": the priority is a whole number of at most four digits.
        const RString& value = it.getValue();
        const int comma = value.Find(RString(","));
        const RString priority = comma > 0 ? value.Left(comma).Trim() : RString();
        bool digits = !priority.IsEmpty() && priority.GetLength() <= 4;
        for (int i = 0; digits && i < priority.GetLength(); ++i)
            digits = priority.GetString()[i] >= '0' && priority.GetString()[i] <= '9';
        if (!digits) {
            snprintf(error, errorSize, "Tune %s is not \"priority, music string\"", RString(it.getKey()).GetString());
            Clear();
            return false;
        }
        Tune* tune = new Tune();
        tune->name = RString(it.getKey());
        tune->priority = atoi(priority.GetString());
        tune->notes = value.Mid(comma + 1, value.GetLength()).Trim();
        m_tunes.push(tune);
    }
    return true;
}

const Campaign::Tune* Campaign::FindTune(const char* name) const
{
    for (const Tune* tune : m_tunes) {
        if (tune->name.EqualsNoCase(name))
            return tune;
    }
    return nullptr;
}
