#include "core/RConfigFile.h"

#include "core/RFile.h"
#include "core/RINIParser.h"
#include "core/RSafeFileWriter.h"

#include <cfloat>
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
                           const DefaultValue& defaultValue, RConfigCallback callback)
{
    if (!target)
        return;
    ConfigVariable variable;
    variable.key = key;
    variable.type = type;
    variable.target = target;
    variable.defaultValue = defaultValue;
    variable.callback = callback;
    FindSection(section).variables.push(variable);
    StoreValue(variable, defaultValue);
    if (callback)
        callback();
}

void RConfigFile::RegisterInt(RHashedString section, RHashedString key, int32_t* target, int32_t defaultValue,
                              RConfigCallback callback)
{
    DefaultValue value = {};
    value.intValue = defaultValue;
    Register(section, key, kInt, target, value, callback);
}

void RConfigFile::RegisterFloat(RHashedString section, RHashedString key, float* target, RConfigCallback callback,
                                float defaultValue)
{
    DefaultValue value = {};
    value.floatValue = defaultValue;
    Register(section, key, kFloat, target, value, callback);
}

void RConfigFile::RegisterBool(RHashedString section, RHashedString key, bool* target, bool defaultValue,
                               RConfigCallback callback)
{
    DefaultValue value = {};
    value.boolValue = defaultValue;
    Register(section, key, kBool, target, value, callback);
}

void RConfigFile::RegisterString(RHashedString section, RHashedString key, RHashedString* target,
                                 RHashedString defaultValue, RConfigCallback callback)
{
    DefaultValue value = {};
    value.nameId = defaultValue.GetId();
    Register(section, key, kHashedString, target, value, callback);
}

void RConfigFile::RegisterColor(RHashedString section, RHashedString key, RColor* target, RConfigCallback callback,
                                float red, float green, float blue, float alpha)
{
    DefaultValue value = {};
    value.color[0] = red;
    value.color[1] = green;
    value.color[2] = blue;
    value.color[3] = alpha;
    Register(section, key, kColor, target, value, callback);
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

bool RConfigFile::SetFromText(const char* section, const char* key, const char* value)
{
    RHashedString sectionId = section ? RHashedString(section) : RHashedString();
    return SetFromText(sectionId, RHashedString(key ? key : ""), value);
}

template <typename ValueOf> bool RConfigFile::SetMatches(RHashedString section, RHashedString key, ValueOf valueOf)
{
    // Positions and copies, not references: a callback may register more variables and so move the arrays.
    FindSection(section);
    bool matched = false;
    for (uint32_t s = 0; s < m_sections.getCount(); ++s) {
        if (m_sections[s].section != section)
            continue;
        for (uint32_t v = 0; v < m_sections[s].variables.getCount(); ++v) {
            ConfigVariable variable = m_sections[s].variables[v];
            DefaultValue value;
            if (variable.key != key || !valueOf(variable, value))
                continue;
            StoreValue(variable, value);
            matched = true;
            if (variable.callback)
                variable.callback();
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
    return SetMatches(section, key, [text](const ConfigVariable& variable, DefaultValue& out) {
        ParseValue(variable.type, text, out);
        return true;
    });
}

bool RConfigFile::ResetToDefault(RHashedString section, RHashedString key)
{
    return SetMatches(section, key, [](const ConfigVariable& variable, DefaultValue& out) {
        out = variable.defaultValue;
        return true;
    });
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

void RConfigFile::ApplyLine(const char* section, const char* key, const char* value, void* config)
{
    static_cast<RConfigFile*>(config)->SetFromText(section, key, value);
}

bool RConfigFile::Load(const char* path)
{
    FILE* file = path ? fopen(path, "rb") : nullptr;
    if (!file)
        return Save(path);
    char* text = nullptr;
    uint32_t size = 0;
    bool ok = RFile::ReadWhole(file, &text, &size);
    fclose(file);
    if (!ok)
        return false;
    RINIParser parser;
    parser.Parse(text, size, ApplyLine, this);
    delete[] text;
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
                writer.Print("%s\r\n", FormatVariable(variable).GetString());
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
