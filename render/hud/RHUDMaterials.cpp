#include "render/hud/RHUDMaterials.h"

#include "core/types/RMath.h"
#include "render/hud/RHUDMenuState.h"
#include "render/effects/RShaderParam.h"

namespace {

const char* const kTechnique = "HUD";
const char* const kModFile = "mod_white.dds";
const char* const kModName = "__Default_Mod";

// The menus' overlay colour as four floats; opaque white when no menu state is current.
RVector4 OverlayColour()
{
    const RHUDMenuState* menus = RHUDMenuState::GetCurrent();
    RColor colour;
    RColor::FromBytes(colour, menus ? menus->GetOverlayColour() : 0xFFFFFFFFu);
    return RVector4{colour.r, colour.g, colour.b, colour.a};
}

}  // namespace

RDefaultFontMaterial::RDefaultFontMaterial()
{
    SetResourceNames("__ROLT_Default_HUD.fxo", "__Default_Font Shader", kTechnique, "Font_Tahoma_8_256.dds",
                     "__Default_Font_Tahoma_8", kModFile, kModName);
}

RDefaultMenuFontMaterial::RDefaultMenuFontMaterial()
{
    SetResourceNames("__ROLT_Default_HUD.fxo", "__Default_Font Shader", kTechnique, "Font_Tahoma_8_256.dds",
                     "__Default_Font_Tahoma_8", kModFile, kModName);
}

RXboxGlyphsMaterial::RXboxGlyphsMaterial()
{
    SetResourceNames("__ROLT_Default_Glyph.fxo", "__Default_Glyph Shader", kTechnique, "xbox_dxt5.dds",
                     "XBOX_BUTTONS_GLYPHS", kModFile, kModName);
}

RXboxGlyphsMaterial_Menu::RXboxGlyphsMaterial_Menu()
{
    SetResourceNames("__ROLT_Default_Glyph.fxo", "__Default_Glyph Shader", kTechnique, "xbox_dxt5.dds",
                     "XBOX_BUTTONS_GLYPHS", kModFile, kModName);
}

RMenuUnderlayMaterial::RMenuUnderlayMaterial()
{
    SetResourceNames("__ROLT_Default_Menu_Underlay.fxo", "__Default_Menu_Underlay Shader", kTechnique,
                     "menu_underlay.dds", "MENU_UNDERLAY_TEXTURE", kModFile, kModName);
}

bool RMenuUnderlayMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                               RShaderParamInformant* requester)
{
    static const RHashedString kOpacityColor("OpacityColor");
    static const RHashedString kTexSize("TexSize");
    static const RHashedString kTexSplit("TexSplit");
    static const RHashedString kCenterScale("CenterScale");

    const RHashedString name = mapping->name;
    if (name == kOpacityColor) {
        const RVector4 colour = OverlayColour();
        mapping->SetVector(&colour);
    } else if (name == kTexSize) {
        mapping->SetFloat(64.0f);
    } else if (name == kTexSplit) {
        mapping->SetFloat(0.25f);
    } else if (name == kCenterScale) {
        mapping->SetFloat(3.0f);
    } else {
        return RDefaultHUDMaterial_Menu::InformShaderParams(mapping, renderPassId, requester);
    }
    return true;
}

RMenuQuadMaterial::RMenuQuadMaterial()
{
    SetResourceNames("__ROLT_Default_Menu_Quad.fxo", "__Default_Menu_Quad Shader", kTechnique, "menu_quad.dds",
                     "MENU_QUAD_TEXTURE", kModFile, kModName);
}

bool RMenuQuadMaterial::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                           RShaderParamInformant* requester)
{
    static const RHashedString kOpacityColor("OpacityColor");
    if (mapping->name == kOpacityColor) {
        const RVector4 colour = OverlayColour();
        mapping->SetVector(&colour);
        return true;
    }
    return RDefaultHUDMaterial_Menu::InformShaderParams(mapping, renderPassId, requester);
}
