#include "game/EntityTemplates.h"

#include "core/text/RXMLFile.h"
#include "game/ContentFile.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

namespace {

const char* const kKindNames[EntityTemplates::kKindCount] = {
    "Player", "Platform", "Hazard", "HazardSpawner", "Teleport", "Checkpoint", "Treasure", "Powerup", "Effect"};

// A number attribute held to [low, high]; false when it is present but no finite number in range. The range is
// met by the value as it is kept, a float: "0.05" is 0.05f, the bound itself, though the decimal lies below it.
bool ReadFloat(const RXMLTree* element, const char* name, float low, float high, float* out)
{
    RString text;
    if (!element->GetAttribute(name, &text))
        return true;
    char* end = nullptr;
    const double value = strtod(text.GetString(), &end);
    if (end == text.GetString() || *end != '\0' || !std::isfinite(value) || std::fabs(value) > FLT_MAX)
        return false;
    const float kept = static_cast<float>(value);
    if (!(kept >= low && kept <= high))
        return false;
    *out = kept;
    return true;
}

bool ReadInt(const RXMLTree* element, const char* name, int32_t low, int32_t high, int32_t* out)
{
    float value = static_cast<float>(*out);
    if (!ReadFloat(element, name, static_cast<float>(low), static_cast<float>(high), &value))
        return false;
    if (value != std::floor(value))
        return false;
    *out = static_cast<int32_t>(value);
    return true;
}

}  // namespace

EntityTemplates::~EntityTemplates()
{
    Clear();
}

void EntityTemplates::Clear()
{
    for (Template* entry : m_templates)
        delete entry;
    m_templates.free();
    m_warnings.free();
}

EntityTemplates::Kind EntityTemplates::KindFromName(const char* name)
{
    for (int32_t kind = 0; kind < kKindCount; ++kind) {
        if (RString(name).Equals(kKindNames[kind]))
            return static_cast<Kind>(kind);
    }
    return kKindCount;
}

bool EntityTemplates::Load(const char* fileName, char* error, size_t errorSize)
{
    return ContentFile::Load(fileName, error, errorSize, [&](const char* text, uint32_t size) {
        return LoadFromText(text, size, error, errorSize);
    });
}

bool EntityTemplates::LoadFromText(const char* text, uint32_t length, char* error, size_t errorSize)
{
    Clear();
    RXMLFile document;
    document.Parse(text, length);
    char line[256];

    uint32_t index = 0;
    while (RXMLTree* element = document.FindElement(RString("Entity"), &index)) {
        if (m_templates.getCount() >= kMaxTemplates) {
            snprintf(error, errorSize, "More than %u entity templates", kMaxTemplates);
            Clear();
            return false;
        }
        Template entry;
        RString className;
        element->GetAttribute("name", &entry.name);
        element->GetAttribute("class", &className);
        entry.name = entry.name.Trim();
        if (entry.name.IsEmpty() || entry.name.GetLength() > 31) {
            m_warnings.push(RString("An entity template without a name of 1 to 31 characters is left out"));
            continue;
        }
        if (Find(entry.name.GetString())) {
            snprintf(line, sizeof(line), "Entity template %s is given twice; the second is left out",
                     entry.name.GetString());
            m_warnings.push(RString(line));
            continue;
        }
        entry.kind = KindFromName(className.GetString());
        if (entry.kind == kKindCount) {
            snprintf(line, sizeof(line), "Entity template %s has an unknown class \"%.40s\" and is left out",
                     entry.name.GetString(), className.GetString());
            m_warnings.push(RString(line));
            continue;
        }
        RString power;
        element->GetAttribute("power", &power);
        if (power.Equals("DoubleJump"))
            entry.power = kDoubleJump;
        else if (power.Equals("WallJump"))
            entry.power = kWallJump;
        else if (power.Equals("WinOrb"))
            entry.power = kWinOrb;
        else if (power.Equals("LoseOrb"))
            entry.power = kLoseOrb;
        element->GetAttribute("spawns", &entry.spawns);
        const bool numbersFit = ReadInt(element, "sprite", 0, 255, &entry.sprite) &&
                                ReadInt(element, "frames", 1, 8, &entry.frames) &&
                                ReadInt(element, "width", 1, 8, &entry.width) &&
                                ReadFloat(element, "travelX", -40.0f, 40.0f, &entry.travelX) &&
                                ReadFloat(element, "travelY", -24.0f, 24.0f, &entry.travelY) &&
                                ReadFloat(element, "period", 0.05f, 60.0f, &entry.period) &&
                                ReadFloat(element, "speed", 0.0f, 1000.0f, &entry.speed);
        const bool powerFits = entry.kind != kPowerup || entry.power != kNoPower;
        const bool spawnsFits = entry.kind != kHazardSpawner || !entry.spawns.IsEmpty();
        if (!numbersFit || !powerFits || !spawnsFits) {
            snprintf(line, sizeof(line), "Entity template %s has a value out of range and is left out",
                     entry.name.GetString());
            m_warnings.push(RString(line));
            continue;
        }
        m_templates.push(new Template(entry));
    }
    LeaveOutEndlessSpawners();
    return true;
}

void EntityTemplates::LeaveOutEndlessSpawners()
{
    // What a spawner makes must fall out of its room; a hazard that stays would pile up there without end. The
    // spawned template may come after its spawner, so this waits for the whole file.
    char line[256];
    for (uint32_t i = 0; i < m_templates.getCount();) {
        const Template* entry = m_templates[i];
        const Template* spawned = entry->kind == kHazardSpawner ? Find(entry->spawns.GetString()) : nullptr;
        if (entry->kind != kHazardSpawner || (spawned && spawned->kind == kHazard && spawned->speed > 0.0f)) {
            ++i;
            continue;
        }
        snprintf(line, sizeof(line), "Entity template %s spawns no falling hazard and is left out",
                 entry->name.GetString());
        m_warnings.push(RString(line));
        delete entry;
        m_templates.erase(i, 1);
    }
}

const EntityTemplates::Template* EntityTemplates::Find(const char* name, int32_t* outIndex) const
{
    for (uint32_t i = 0; i < m_templates.getCount(); ++i) {
        if (m_templates[i]->name.EqualsNoCase(name)) {
            if (outIndex)
                *outIndex = static_cast<int32_t>(i);
            return m_templates[i];
        }
    }
    return nullptr;
}

const EntityTemplates::Template* EntityTemplates::Get(int32_t index) const
{
    return index >= 0 && static_cast<uint32_t>(index) < m_templates.getCount() ? m_templates[index] : nullptr;
}
