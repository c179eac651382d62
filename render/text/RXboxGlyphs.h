// RXboxGlyphs: the engine's controller glyph set: the face buttons, pad directions, stick directions and presses,
// menu buttons, bumpers and triggers of an Xbox-layout controller, each a cell of a page 4 cells wide and 8 high
// ("xbox_dxt5.dds", loaded by the set's material). The names are those that "<img>xbox:NAME<img>" markup uses.
#pragma once

#include "render/text/RGlyphSet.h"

class RXboxGlyphs : public RGlyphSet {
public:
    // A set holding the 24 controller glyphs.
    RXboxGlyphs();
    ~RXboxGlyphs() override = default;
};
