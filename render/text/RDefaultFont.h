// RDefaultFont: the engine's built-in font, an RFont with the metrics of "Font_Tahoma_8_256.uv" (its page,
// "Font_Tahoma_8_256.dds", is loaded by the font materials). The base game makes one each for the HUD, the menus
// and the console.
#pragma once

#include "render/text/RFont.h"

class RDefaultFont : public RFont {
public:
    static constexpr const char* kMetricsFile = "Font_Tahoma_8_256.uv";

    // An RFont with the built-in metrics loaded (all-zero metrics when the file is missing or unsound).
    RDefaultFont();
    ~RDefaultFont() override = default;
};
