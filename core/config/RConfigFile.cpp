#include "core/config/RConfigFile.h"

#include "core/files/RFile.h"
#include "core/text/RINIParser.h"
#include "core/files/RSafeFileWriter.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

const char* NameText(RHashedString name)
{
    const char* text = name.GetString();
    return text ? text : "";
}

const char* BoolText(bool value)
{
    return value ? "true" : "false";
}

} // namespace

RConfigFile::RConfigFile() = default;

RConfigFile& RConfigFile::GetInstance()
{
    static RConfigFile instance;
    return instance;
}

RConfigFile::ConfigVariableSet& RConfigFile::FindSection(RHashedString section)
{
    for (ConfigVariableSet& set : m_sections) {
        if (set.section == section)
            return set;
    }
    ConfigVariableSet set;
    set.section = section;
    m_sections.push(std::move(set));
    return m_sections[m_sections.getCount() - 1];
}

const RConfigFile::ConfigVariable* RConfigFile::FindVariable(RHashedString section, RHashedString key)
{
    for (const ConfigVariable& variable : FindSection(section).variables) {
        if (variable.key == key)
            return &variable;
    }
    return nullptr;
}

void RConfigFile::Register(RHashedString section, RHashedString key, uint32_t type, void* target,
                           const DefaultValue& defaultValue, RConfigCallback callback, double minimum,
                           double maximum, bool alsoZero)
{
    if (!target)
        return;
    ConfigVariable variable;
    variable.key = key;
    variable.type = type;
    variable.target = target;
    variable.defaultValue = defaultValue;
    variable.callback = callback;
    variable.minimum = minimum;
    variable.maximum = maximum;
    variable.alsoZero = alsoZero && minimum > 0.0;
    variable.heldValue = DefaultValue{};
    FindSection(section).variables.push(variable);
    StoreValue(variable, defaultValue);
    if (callback)
        callback();
}

void RConfigFile::RegisterInt(RHashedString section, RHashedString key, int32_t* target, int32_t defaultValue,
                              RConfigCallback callback, int32_t minimum, int32_t maximum)
{
    DefaultValue value = {};
    value.intValue = defaultValue;
    Register(section, key, kInt, target, value, callback, minimum, maximum);
}

void RConfigFile::RegisterFloat(RHashedString section, RHashedString key, float* target, RConfigCallback callback,
                                float defaultValue, float minimum, float maximum, bool alsoZero)
{
    DefaultValue value = {};
    value.floatValue = defaultValue;
    Register(section, key, kFloat, target, value, callback, minimum, maximum, alsoZero);
}

void RConfigFile::RegisterBool(RHashedString section, RHashedString key, bool* target, bool defaultValue,
                               RConfigCallback callback)
{
    DefaultValue value = {};
    value.boolValue = defaultValue;
    Register(section, key, kBool, target, value, callback, 0.0, 0.0);
}

void RConfigFile::RegisterString(RHashedString section, RHashedString key, RHashedString* target,
                                 RHashedString defaultValue, RConfigCallback callback)
{
    DefaultValue value = {};
    value.nameId = defaultValue.GetId();
    Register(section, key, kHashedString, target, value, callback, 0.0, 0.0);
}

void RConfigFile::RegisterColor(RHashedString section, RHashedString key, RColor* target, RConfigCallback callback,
                                float red, float green, float blue, float alpha)
{
    DefaultValue value = {};
    value.color[0] = red;
    value.color[1] = green;
    value.color[2] = blue;
    value.color[3] = alpha;
    Register(section, key, kColor, target, value, callback, 0.0, 0.0);
}

void RConfigFile::StoreValue(const ConfigVariable& variable, const DefaultValue& value)
{
    switch (variable.type) {
    case kInt:
        *static_cast<int32_t*>(variable.target) = value.intValue;
        break;
    case kFloat:
        *static_cast<float*>(variable.target) = value.floatValue;
        break;
    case kBool:
        *static_cast<bool*>(variable.target) = value.boolValue;
        break;
    case kHashedString:
        *static_cast<RHashedString*>(variable.target) = RHashedString::FromId(value.nameId);
        break;
    case kColor: {
        RColor* colour = static_cast<RColor*>(variable.target);
        colour->r = value.color[0];
        colour->g = value.color[1];
        colour->b = value.color[2];
        colour->a = value.color[3];
        break;
    }
    default:
        break;
    }
}

void RConfigFile::ParseValue(uint32_t type, const char* text, DefaultValue& out)
{
    out = DefaultValue{};
    switch (type) {
    case kInt: {
        // atoi's result, with numbers beyond the 32-bit range held at its ends instead of undefined.
        long long number = strtoll(text, nullptr, 10);
        out.intValue = (int32_t)(number < INT32_MIN ? INT32_MIN : (number > INT32_MAX ? INT32_MAX : number));
        break;
    }
    case kFloat: {
        double number = atof(text);
        out.floatValue = number > FLT_MAX ? HUGE_VALF : (number < -FLT_MAX ? -HUGE_VALF : (float)number);
        break;
    }
    case kBool:
        out.boolValue = StringToBool(text);
        break;
    case kHashedString:
        out.nameId = RHashedString(text).GetId();
        break;
    case kColor:
        sscanf(text, "%f,%f,%f,%f", &out.color[0], &out.color[1], &out.color[2], &out.color[3]);
        break;
    default:
        break;
    }
}

bool RConfigFile::ClampValue(const ConfigVariable& variable, DefaultValue& value)
{
    switch (variable.type) {
    case kInt: {
        const int32_t clamped = value.intValue < variable.minimum   ? (int32_t)variable.minimum
                                : value.intValue > variable.maximum ? (int32_t)variable.maximum
                                                                    : value.intValue;
        const bool changed = clamped != value.intValue;
        value.intValue = clamped;
        return changed;
    }
    case kFloat: {
        const float given = value.floatValue;
        if (std::isnan(given))
            value.floatValue = variable.defaultValue.floatValue;
        else if (variable.alsoZero && given < variable.minimum * 0.5)
            value.floatValue = 0.0f;
        else if (given < variable.minimum)
            value.floatValue = (float)variable.minimum;
        else if (given > variable.maximum)
            value.floatValue = (float)variable.maximum;
        return memcmp(&given, &value.floatValue, sizeof given) != 0;
    }
    case kColor: {
        bool changed = false;
        for (int i = 0; i < 4; ++i) {
            if (std::isnan(value.color[i])) {
                value.color[i] = variable.defaultValue.color[i];
                changed = true;
            }
        }
        return changed;
    }
    default:
        return false;
    }
}

bool RConfigFile::SameValue(uint32_t type, const DefaultValue& a, const DefaultValue& b)
{
    switch (type) {
    case kInt:
        return a.intValue == b.intValue;
    case kFloat:
        return memcmp(&a.floatValue, &b.floatValue, sizeof a.floatValue) == 0;
    case kBool:
        return a.boolValue == b.boolValue;
    case kHashedString:
        return a.nameId == b.nameId;
    case kColor:
        return memcmp(a.color, b.color, sizeof a.color) == 0;
    default:
        return false;
    }
}

RConfigFile::DefaultValue RConfigFile::CurrentValue(const ConfigVariable& variable)
{
    DefaultValue value = {};
    switch (variable.type) {
    case kInt:
        value.intValue = *static_cast<const int32_t*>(variable.target);
        break;
    case kFloat:
        value.floatValue = *static_cast<const float*>(variable.target);
        break;
    case kBool:
        value.boolValue = *static_cast<const bool*>(variable.target);
        break;
    case kHashedString:
        value.nameId = static_cast<const RHashedString*>(variable.target)->GetId();
        break;
    case kColor: {
        const RColor* colour = static_cast<const RColor*>(variable.target);
        value.color[0] = colour->r;
        value.color[1] = colour->g;
        value.color[2] = colour->b;
        value.color[3] = colour->a;
        break;
    }
    default:
        break;
    }
    return value;
}

bool RConfigFile::SetFromText(const char* section, const char* key, const char* value)
{
    RHashedString sectionId = section ? RHashedString(section) : RHashedString();
    return SetFromText(sectionId, RHashedString(key ? key : ""), value);
}

template <typename ValueOf>
bool RConfigFile::SetMatches(RHashedString section, RHashedString key, ValueOf valueOf, const char* text)
{
    // Positions and copies, not references: a callback may register more variables and so move the arrays.
    FindSection(section);
    m_refusal = RString();
    m_setBack = RString();
    bool matched = false;
    for (uint32_t s = 0; s < m_sections.getCount(); ++s) {
        if (m_sections[s].section != section)
            continue;
        for (uint32_t v = 0; v < m_sections[s].variables.getCount(); ++v) {
            ConfigVariable variable = m_sections[s].variables[v];
            DefaultValue value;
            if (variable.key != key || !valueOf(variable, value))
                continue;
            const bool clamped = ClampValue(variable, value);
            const DefaultValue before = CurrentValue(variable);
            StoreValue(variable, value);
            m_sections[s].variables[v].heldText = RString(clamped && text ? text : "");
            m_sections[s].variables[v].heldValue = value;
            matched = true;
            if (!variable.callback)
                continue;
            m_refused = false;
            variable.callback();
            if (m_refused) {
                // The callback applied nothing: the value, and the text it was read from, are as they were.
                StoreValue(variable, before);
                m_sections[s].variables[v].heldText = variable.heldText;
                m_sections[s].variables[v].heldValue = variable.heldValue;
            }
        }
        break;
    }
    return matched;
}

bool RConfigFile::SetFromText(RHashedString section, RHashedString key, const char* value)
{
    const char* text = value ? value : "";
    if (strcasecmp(text, "def") == 0 || strcasecmp(text, "default") == 0)
        return ResetToDefault(section, key);
    return SetMatches(
        section, key,
        [text](const ConfigVariable& variable, DefaultValue& out) {
            ParseValue(variable.type, text, out);
            return true;
        },
        text);
}

bool RConfigFile::ResetToDefault(RHashedString section, RHashedString key)
{
    return SetMatches(section, key, [](const ConfigVariable& variable, DefaultValue& out) {
        out = variable.defaultValue;
        return true;
    });
}

void RConfigFile::Refuse(const char* reason)
{
    m_refused = true;
    m_refusal = reason && reason[0] ? reason : "the setting does not take it";
}

void RConfigFile::SetBack(const char* reason)
{
    m_setBack = reason && reason[0] ? reason : "the setting does not take it";
}

bool RConfigFile::SetTyped(RHashedString section, RHashedString key, uint32_t type, const DefaultValue& value)
{
    return SetMatches(section, key, [type, &value](const ConfigVariable& variable, DefaultValue& out) {
        out = value;
        return variable.type == type;
    });
}

bool RConfigFile::SetInt(RHashedString section, RHashedString key, int32_t value)
{
    DefaultValue typed = {};
    typed.intValue = value;
    return SetTyped(section, key, kInt, typed);
}

bool RConfigFile::SetFloat(RHashedString section, RHashedString key, float value)
{
    DefaultValue typed = {};
    typed.floatValue = value;
    return SetTyped(section, key, kFloat, typed);
}

bool RConfigFile::SetBool(RHashedString section, RHashedString key, bool value)
{
    DefaultValue typed = {};
    typed.boolValue = value;
    return SetTyped(section, key, kBool, typed);
}

bool RConfigFile::SetHashedString(RHashedString section, RHashedString key, RHashedString value)
{
    DefaultValue typed = {};
    typed.nameId = value.GetId();
    return SetTyped(section, key, kHashedString, typed);
}

bool RConfigFile::SetColor(RHashedString section, RHashedString key, const RColor& value)
{
    DefaultValue typed = {};
    typed.color[0] = value.r;
    typed.color[1] = value.g;
    typed.color[2] = value.b;
    typed.color[3] = value.a;
    return SetTyped(section, key, kColor, typed);
}

RConfigFile::ConfigVariableSet* RConfigFile::FindReadSection(const char* section)
{
    // Names are compared as text: interning every name of a file full of unknown ones would cost more than
    // reading it. The empty id's text is "NULL", so that a header of that name, as interned, is its section.
    const char* sectionText = section ? section : NameText(RHashedString());
    for (ConfigVariableSet& existing : m_sections) {
        if (strcasecmp(NameText(existing.section), sectionText) == 0)
            return &existing;
    }
    return nullptr;
}

void RConfigFile::ApplyLine(const char* section, const char* key, const char* value, void* config)
{
    RConfigFile* self = static_cast<RConfigFile*>(config);
    ConfigVariableSet* set = self->FindReadSection(section);
    bool registered = false;
    for (uint32_t v = 0; set && v < set->variables.getCount() && !registered; ++v)
        registered = strcasecmp(NameText(set->variables[v].key), key) == 0;
    if (registered) {
        self->SetFromText(set->section, RHashedString(key), value);
        return;
    }
    // Written as the settings are, unless the blank would take a line that was read whole past the reader's limit.
    char line[RINIParser::kKeyBytes + RINIParser::kValueBytes + 2];
    if (snprintf(line, sizeof line, "%s: %s", key, value) >= (int)RINIParser::kLineBytes)
        snprintf(line, sizeof line, "%s:%s", key, value);
    if (RINIParser::ReadsBack(section, line, key, value))
        self->KeepUnknownLine(section, line);
}

void RConfigFile::KeepNote(const char* section, const char* line, void* config)
{
    static_cast<RConfigFile*>(config)->KeepUnknownLine(section, line);
}

void RConfigFile::KeepSection(const char* section, void* config)
{
    static_cast<RConfigFile*>(config)->KeepReadSection(section);
}

RConfigFile::ConfigVariableSet* RConfigFile::KeepReadSection(const char* section)
{
    ConfigVariableSet* set = FindReadSection(section);
    if (set)
        return set;
    if (m_unknownSections >= kMaxUnknownSections) {
        m_droppedUnknownSections = true;
        return nullptr;
    }
    ++m_unknownSections;
    return &FindSection(section ? RHashedString(section) : RHashedString());
}

void RConfigFile::KeepUnknownLine(const char* section, const char* text)
{
    if (m_unknownLines >= kMaxUnknownLines) {
        m_droppedUnknownLines = true;
        return;
    }
    ConfigVariableSet* set = KeepReadSection(section);
    if (!set)
        return;
    UnknownLine line;
    line.text = RString(text);
    set->unknownLines.push(std::move(line));
    ++m_unknownLines;
}

bool RConfigFile::Load(const char* path)
{
    bool present = false;
    FILE* file = RFile::OpenRegular(path, &present);
    if (!file && !present)
        return Save(path);
    char* text = nullptr;
    uint32_t size = 0;
    const bool measured = file && RFile::GetSize(file, &size);
    const bool tooLarge = measured && size > kMaxFileBytes;
    const bool read = measured && !tooLarge && RFile::ReadWhole(file, &text, &size);
    if (file)
        fclose(file);
    m_droppedNote = RString();
    if (!read) {
        fprintf(stderr, "%s cannot be read%s: the settings stay at their defaults and the file is left as it is\n",
                path, tooLarge ? " (it is larger than 1 MiB, more than settings can be)" : "");
        m_unreadablePath = RString(path);
        return true;
    }
    // Lines kept from an earlier load give way to this file's.
    for (ConfigVariableSet& set : m_sections)
        set.unknownLines.free();
    m_unknownLines = 0;
    m_droppedUnknownLines = false;
    m_droppedUnknownSections = false;
    // No editor writes a zero byte into text, and the reader would end the text at one: a file damaged so keeps
    // every line, the one holding the byte without it.
    uint32_t kept = 0;
    for (uint32_t i = 0; i < size; ++i) {
        if (text[i] != 0)
            text[kept++] = text[i];
    }
    RINIParser parser;
    parser.Parse(text, kept, ApplyLine, this, KeepNote, KeepSection);
    delete[] text;
    char note[2 * PATH_MAX + 256] = "";
    if (m_droppedUnknownLines)
        snprintf(note, sizeof note, "%s has more than %u lines that no setting takes: only the first %u are kept", path,
                 (unsigned)kMaxUnknownLines, (unsigned)kMaxUnknownLines);
    if (m_droppedUnknownSections) {
        const size_t used = strlen(note);
        snprintf(note + used, sizeof note - used,
                 "%s%s has more than %u sections that no setting takes: only the lines of the first %u are kept",
                 used ? "; " : "", used ? "it" : path, (unsigned)kMaxUnknownSections, (unsigned)kMaxUnknownSections);
    }
    if (note[0]) {
        fprintf(stderr, "%s\n", note);
        m_droppedNote = RString(note);
    }
    return true;
}

RString RConfigFile::FormatVariable(const ConfigVariable& variable)
{
    char line[1024];
    const char* key = NameText(variable.key);
    switch (variable.type) {
    case kInt:
        snprintf(line, sizeof line, "%s: %d", key, *static_cast<const int32_t*>(variable.target));
        break;
    case kFloat:
        snprintf(line, sizeof line, "%s: %f", key, (double)*static_cast<const float*>(variable.target));
        break;
    case kBool:
        snprintf(line, sizeof line, "%s: %s", key, BoolText(*static_cast<const bool*>(variable.target)));
        break;
    case kHashedString:
        snprintf(line, sizeof line, "%s: %s", key, NameText(*static_cast<const RHashedString*>(variable.target)));
        break;
    case kColor: {
        const RColor* colour = static_cast<const RColor*>(variable.target);
        snprintf(line, sizeof line, "%s: %f, %f, %f, %f", key, (double)colour->r, (double)colour->g,
                 (double)colour->b, (double)colour->a);
        break;
    }
    default:
        line[0] = 0;
        break;
    }
    return RString(line);
}

bool RConfigFile::Save(const char* path)
{
    if (path && m_unreadablePath.Equals(path))
        return true;
    RSafeFileWriter writer;
    if (!writer.Open(path))
        return false;

    // The empty id's variables come first, with no header: after one they would be read back into that section.
    bool wroteLines = false;
    for (uint32_t pass = 0; pass < 2; ++pass) {
        for (const ConfigVariableSet& set : m_sections) {
            bool unnamed = set.section.IsEmpty();
            if (unnamed != (pass == 0))
                continue;
            if (!unnamed) {
                writer.Print("%s[%s]\r\n", wroteLines ? "\r\n" : "", NameText(set.section));
                wroteLines = true;
            }
            for (const ConfigVariable& variable : set.variables) {
                if (!variable.heldText.IsEmpty() && SameValue(variable.type, variable.heldValue, CurrentValue(variable)))
                    writer.Print("%s: %s\r\n", NameText(variable.key), variable.heldText.GetString());
                else
                    writer.Print("%s\r\n", FormatVariable(variable).GetString());
                wroteLines = true;
            }
            for (const UnknownLine& line : set.unknownLines) {
                writer.Print("%s\r\n", line.text.GetString());
                wroteLines = true;
            }
        }
    }
    return writer.Commit();
}

void RConfigFile::ListSections(RUtilVector<RString>& out)
{
    char line[300];
    for (const ConfigVariableSet& set : m_sections) {
        if (set.section.IsEmpty())
            snprintf(line, sizeof line, "    (Default)");
        else
            snprintf(line, sizeof line, "    %s", NameText(set.section));
        out.push(RString(line));
    }
}

void RConfigFile::ListVariables(RHashedString& section, RUtilVector<RString>& out)
{
    const ConfigVariableSet& set = FindSection(section);
    if (section.IsEmpty())
        section = RHashedString("(Default)");
    for (const ConfigVariable& variable : set.variables)
        out.push(RString("    ") + FormatVariable(variable));
}

RString RConfigFile::DescribeVariable(RHashedString section, RHashedString key)
{
    const ConfigVariable* variable = FindVariable(section, key);
    return variable ? FormatVariable(*variable) : RString();
}

uint32_t RConfigFile::GetSectionCount() const
{
    return m_sections.getCount();
}

RHashedString RConfigFile::GetSectionId(uint32_t index) const
{
    return index < m_sections.getCount() ? m_sections[index].section : RHashedString();
}

uint32_t RConfigFile::GetVariableCount(RHashedString section)
{
    return FindSection(section).variables.getCount();
}

RHashedString RConfigFile::GetVariableKey(RHashedString section, uint32_t index)
{
    const ConfigVariableSet& set = FindSection(section);
    return index < set.variables.getCount() ? set.variables[index].key : RHashedString();
}

uint32_t RConfigFile::GetType(RHashedString section, RHashedString key)
{
    const ConfigVariable* variable = FindVariable(section, key);
    return variable ? variable->type : (uint32_t)kNoType;
}

int32_t RConfigFile::GetInt(RHashedString section, RHashedString key)
{
    const ConfigVariable* variable = FindVariable(section, key);
    return variable && variable->type == kInt ? *static_cast<const int32_t*>(variable->target) : 0;
}

float RConfigFile::GetFloat(RHashedString section, RHashedString key)
{
    const ConfigVariable* variable = FindVariable(section, key);
    return variable && variable->type == kFloat ? *static_cast<const float*>(variable->target) : 0.0f;
}

bool RConfigFile::GetBool(RHashedString section, RHashedString key)
{
    const ConfigVariable* variable = FindVariable(section, key);
    return variable && variable->type == kBool ? *static_cast<const bool*>(variable->target) : false;
}

RHashedString RConfigFile::GetHashedString(RHashedString section, RHashedString key)
{
    const ConfigVariable* variable = FindVariable(section, key);
    return variable && variable->type == kHashedString ? *static_cast<const RHashedString*>(variable->target)
                                                       : RHashedString();
}

RColor RConfigFile::GetColor(RHashedString section, RHashedString key)
{
    const ConfigVariable* variable = FindVariable(section, key);
    if (variable && variable->type == kColor)
        return *static_cast<const RColor*>(variable->target);
    return RColor{0.0f, 0.0f, 0.0f, 0.0f};
}
