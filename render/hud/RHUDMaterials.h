// The engine's concrete HUD materials: each fixes the effect, technique "HUD", element texture and the white
// modulation texture "mod_white.dds" ("__Default_Mod"). Fonts and pad glyphs in screen pixels or in the menu
// space, menu underlay panels and menu button quads; the last two multiply by the menus' overlay colour. Build
// them with RHUDMaterialFactory::BuildHUDMaterial; the caller owns each.
#pragma once

#include "render/hud/RDefaultHUDMaterial.h"

// The default font page in screen pixels ("__ROLT_Default_HUD.fxo").
class RDefaultFontMaterial : public RDefaultHUDMaterial {
public:
    RDefaultFontMaterial();
};

// The default font page in the menu space.
class RDefaultMenuFontMaterial : public RDefaultHUDMaterial_Menu {
public:
    RDefaultMenuFontMaterial();
};

// The controller-button page in screen pixels ("__ROLT_Default_Glyph.fxo").
class RXboxGlyphsMaterial : public RDefaultHUDMaterial {
public:
    RXboxGlyphsMaterial();
};

// The controller-button page in the menu space.
class RXboxGlyphsMaterial_Menu : public RDefaultHUDMaterial_Menu {
public:
    RXboxGlyphsMaterial_Menu();
};

// Menu underlay panels ("__ROLT_Default_Menu_Underlay.fxo"): also "OpacityColor" (the overlay colour),
// "TexSize" 64, "TexSplit" 0.25 and "CenterScale" 3.
class RMenuUnderlayMaterial : public RDefaultHUDMaterial_Menu {
public:
    RMenuUnderlayMaterial();
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;
};

// Menu button quads ("__ROLT_Default_Menu_Quad.fxo"): also "OpacityColor" (the overlay colour).
class RMenuQuadMaterial : public RDefaultHUDMaterial_Menu {
public:
    RMenuQuadMaterial();
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;
};
