// RGLObjectTechniquePass: reading a pass's state file into its attribute, render-state and sampler-state maps.
#include "render/device/RGLObject.h"

#include <cstring>
#include <strings.h>

#include "render/effects/RRenderStateRegistry.h"

namespace {

// The section names of a state file, interned as its loader interns them: case-sensitively.
struct SectionNames {
    RHashedString renderStates{"RenderStates", true};
    RHashedString uniforms{"Uniforms", true};
    RHashedString attributes{"Attributes", true};
};

const SectionNames& Sections()
{
    static const SectionNames names;
    return names;
}

bool StartsWithNoCase(const char* text, const char* keyword)
{
    return strncasecmp(text, keyword, strlen(keyword)) == 0;
}

}  // namespace

StreamUsage RGLObjectTechniquePass::ParseStreamUsage(const char* value)
{
    if (!value)
        return STREAM_UNRECOGNISED;
    static const struct {
        const char* keyword;
        StreamUsage usage;
    } kFixed[] = {{"POSITION", STREAM_POSITION}, {"NORMAL", STREAM_NORMAL},
                  {"COLOR", STREAM_COLOR},       {"TANGENT", STREAM_TANGENT},
                  {"BINORMAL", STREAM_BINORMAL}, {"BLENDINDICES", STREAM_BLENDINDICES},
                  {"BLENDWEIGHT", STREAM_BLENDWEIGHT}};
    for (const auto& entry : kFixed) {
        if (StartsWithNoCase(value, entry.keyword))
            return entry.usage;
    }
    if (!StartsWithNoCase(value, "TEXCOORD"))
        return STREAM_UNRECOGNISED;
    // The index is the last character; there are eight texture coordinate streams, so 8 and 9 name none.
    char last = value[strlen(value) - 1];
    int index = last >= '0' && last <= '9' ? last - '0' : 0;
    if (index > 7)
        return STREAM_UNRECOGNISED;
    return static_cast<StreamUsage>(STREAM_TEXCOORD0 + index);
}

void RGLObjectTechniquePass::ReadAttributes()
{
    attributes.clear();
    auto* section = stateFile.GetSections().find(Sections().attributes);
    if (!section)
        return;
    for (RINIFile::Section::Iter line(section->value); line.isValid(); line.next())
        attributes.insert(line.getKey(), ParseStreamUsage(line.getValue().GetString()));
}

void RGLObjectTechniquePass::ReadRenderStates()
{
    renderStates.clear();
    auto* section = stateFile.GetSections().find(Sections().renderStates);
    if (!section)
        return;
    for (RINIFile::Section::Iter line(section->value); line.isValid(); line.next()) {
        RHashedString value(line.getValue().GetString());
        renderStates.insert(value, line.getKey());
        RRenderStateRegistry::Mark(line.getKey(), value);
    }
}

void RGLObjectTechniquePass::ReadSamplerStates()
{
    samplerStates.clear();
    const SectionNames& names = Sections();
    for (RINIFile::SectionMap::Iter section(stateFile.GetSections()); section.isValid(); section.next()) {
        RHashedString sectionName = section.getKey();
        if (sectionName == names.uniforms || sectionName == names.attributes || sectionName == names.renderStates)
            continue;
        RUtilMap<RHashedString, RHashedString>& states = samplerStates[sectionName];
        for (RINIFile::Section::Iter line(section.getValue()); line.isValid(); line.next())
            states.insert(RHashedString(line.getValue().GetString()), line.getKey());
    }
}
