#include "render/text/RXboxGlyphs.h"

namespace {

struct XboxGlyphCell {
    const char* name;
    float u;
    float v;
};

// The page's cells by name, in the order they are added: the left half of the page's layout table (rows 0 to
// 2), then its right half (rows 3 to 5). Rows 6 and 7 are not used.
const XboxGlyphCell kCells[] = {
    {"a", 0.0f, 0.0f},        {"b", 0.25f, 0.0f},        {"x", 0.5f, 0.0f},         {"y", 0.75f, 0.0f},
    {"dp_up", 0.0f, 0.125f},  {"dp_down", 0.25f, 0.125f}, {"dp_left", 0.5f, 0.125f}, {"dp_right", 0.75f, 0.125f},
    {"lsy+", 0.0f, 0.25f},    {"lsy-", 0.25f, 0.25f},     {"lsx-", 0.5f, 0.25f},     {"lsx+", 0.75f, 0.25f},
    {"rsy+", 0.0f, 0.375f},   {"rsy-", 0.25f, 0.375f},    {"rsx-", 0.5f, 0.375f},    {"rsx+", 0.75f, 0.375f},
    {"lsb", 0.0f, 0.5f},      {"rsb", 0.25f, 0.5f},       {"back", 0.5f, 0.5f},      {"start", 0.75f, 0.5f},
    {"lb", 0.0f, 0.625f},     {"rb", 0.25f, 0.625f},      {"lt", 0.5f, 0.625f},      {"rt", 0.75f, 0.625f},
};

}  // namespace

RXboxGlyphs::RXboxGlyphs()
{
    for (const XboxGlyphCell& cell : kCells) {
        RGlyph glyph;
        glyph.u = cell.u;
        glyph.v = cell.v;
        glyph.du = 0.25f;
        glyph.dv = 0.125f;
        glyph.width = 1.0f;
        glyph.height = 1.0f;
        AddGlyph(glyph, RHashedString(cell.name));
    }
}
