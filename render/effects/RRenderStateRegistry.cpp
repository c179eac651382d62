#include "render/effects/RRenderStateRegistry.h"

namespace {

RRenderStateRegistry::Map s_registry;

const char* TextOf(RHashedString name)
{
    const char* text = name.GetString();
    return text ? text : "";
}

}  // namespace

void RRenderStateRegistry::Mark(RHashedString state, RHashedString value)
{
    s_registry[state].insert(true, value);
}

RRenderStateRegistry::Map& RRenderStateRegistry::GetMap()
{
    return s_registry;
}

bool RRenderStateRegistry::Write(FILE* out)
{
    if (!out)
        return false;
    for (Map::Iter state(s_registry); state.isValid(); state.next()) {
        if (fprintf(out, "%s\r\n", TextOf(state.getKey())) < 0)
            return false;
        for (RUtilMapIter<bool, RHashedString> value(state.getValue()); value.isValid(); value.next()) {
            if (fprintf(out, "\t%s\r\n", TextOf(value.getKey())) < 0)
                return false;
        }
    }
    return true;
}
