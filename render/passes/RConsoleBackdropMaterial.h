// RConsoleBackdropMaterial: the material of the console's and the menus' backdrop panels. The console's is fully
// opaque (its vertex colours shade it); with the menu flag the whole panel fades with the menus. It holds one
// reference on "__Console_Backdrop Shader" from construction to destruction.
#pragma once

#include "render/materials/RMaterial.h"

class RConsoleBackdropMaterial : public RMaterial {
public:
    // Loads "__ROLT_Console_Backdrop.fxo" and takes its "Backdrop" technique.
    explicit RConsoleBackdropMaterial(bool menu);
    // Unloads the effect.
    ~RConsoleBackdropMaterial() override;
    RConsoleBackdropMaterial(const RConsoleBackdropMaterial&) = delete;
    RConsoleBackdropMaterial& operator=(const RConsoleBackdropMaterial&) = delete;

    bool IsMenu() const { return m_menu; }

    // "invHalfScreenHeight" 2 / the game's current screen height, "BackdropOpacity" 1 for the console and the
    // menus' backdrop opacity with the menu flag (0 with no menu state current); other names go to the chained
    // informant.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

private:
    bool m_menu;
};
