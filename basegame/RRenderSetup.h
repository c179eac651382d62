// RRenderSetup: the engine's own render set-up that the base game owns for the whole run: the pre-HUD and final
// targets and passes with the full-screen quads (and materials) that carry one into the next, the main camera,
// the HUD, menu and console fonts with their materials, the console backdrop, and the controller glyph sets of
// the three text layers. It creates each part in its start-up step, deletes everything in Destroy (renderables
// before their materials) and hands out what the game, the menus and the console draw with.
#pragma once

#include <cstdint>

class RBaseGame;
class RConsoleBackdrop;
class RFont;
class RGlyphSet;
class RMaterial;
class RResSensCamera;
class RResSensQuad;
class RResSensTarget;

class RRenderSetup {
public:
    // The text layers, each with a font and a controller glyph set: RBaseGame::TextLayer.
    static const int kLayerCount = 3;

    RRenderSetup() = default;
    ~RRenderSetup() { Destroy(); }
    RRenderSetup(const RRenderSetup&) = delete;
    RRenderSetup& operator=(const RRenderSetup&) = delete;

    // The scene pass into the pre-HUD target, the pre-HUD pass (the smoothed scene, then the HUD, menu and console
    // groups) into the final target, the final pass into the back buffer; each with its groups, the quads with the
    // game's pass materials.
    void CreatePasses(RBaseGame& game);
    // A perspective camera whose aspect follows the screen resolution.
    void CreateMainCamera();
    // The three fonts in their groups, with the console backdrop (hidden) made between the menu's and the
    // console's.
    void CreateFonts(RBaseGame& game);
    // The three controller glyph sets, registered as group "xbox" under the layers' set names.
    void CreateControllerGlyphs(RBaseGame& game);
    // Deletes everything made; safe to call again.
    void Destroy();
    // Before each frame: leaves out the engine's passes whose quad would only copy the picture, the pass before
    // drawing straight into the target the copy would fill. The pre-HUD quad copies when its material smooths
    // nothing (FXAA none) or the scene pass has nothing to draw over its clear colour (a flat picture has no
    // edges); the final pass copies when the brightness is 1, the picture is not turned, its viewport covers the
    // back buffer and the final target has the back buffer's size. The final pass clears the back buffer only
    // when its viewport leaves bars to fill.
    void RouteFrame(RBaseGame& game);
    // Gives the pre-HUD quad a new material from the game (made with the current "AntialiasQuality") in place of
    // the one it had; nothing before the passes exist.
    void RenewPreHUDMaterial(RBaseGame& game);

    RResSensCamera* GetMainCamera() const { return m_mainCamera; }
    RFont* GetFont(int layer) const { return layer >= 0 && layer < kLayerCount ? m_fonts[layer] : nullptr; }
    RGlyphSet* GetGlyphSet(int layer) const
    {
        return layer >= 0 && layer < kLayerCount ? m_glyphSets[layer] : nullptr;
    }
    RConsoleBackdrop* GetConsoleBackdrop() const { return m_consoleBackdrop; }
    RMaterial* GetPreHUDPassMaterial() const { return m_preHUDMaterial; }
    RMaterial* GetFinalPassMaterial() const { return m_finalMaterial; }

    // Whether the last RouteFrame left out the pre-HUD quad or the final pass.
    bool IsPreHUDCopySkipped() const { return m_preHUDSkipped; }
    bool IsFinalPassSkipped() const { return m_finalSkipped; }

    // The glyph-set name the fonts and glyphs of a layer use for the controller group "xbox".
    static const char* GetGlyphSetName(int layer);

private:
    bool PreHUDCopies(RBaseGame& game) const;
    bool FinalCopies(RBaseGame& game) const;

    bool m_preHUDSkipped = false;
    bool m_finalSkipped = false;
    RResSensTarget* m_preHUDTarget = nullptr;
    RResSensTarget* m_finalTarget = nullptr;
    RResSensCamera* m_mainCamera = nullptr;
    RResSensQuad* m_preHUDQuad = nullptr;
    RResSensQuad* m_finalQuad = nullptr;
    RMaterial* m_preHUDMaterial = nullptr;
    RMaterial* m_finalMaterial = nullptr;
    RConsoleBackdrop* m_consoleBackdrop = nullptr;
    RMaterial* m_consoleBackdropMaterial = nullptr;
    RFont* m_fonts[kLayerCount] = {};
    RMaterial* m_fontMaterials[kLayerCount] = {};
    RGlyphSet* m_glyphSets[kLayerCount] = {};
    RMaterial* m_glyphMaterials[kLayerCount] = {};
};
