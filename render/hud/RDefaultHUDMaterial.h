// RDefaultHUDMaterial: the base of the materials that draw screen-space elements (text, controller glyphs, menu
// quads and underlays) in pixel coordinates, y growing downwards (vertex y is the negated screen y). It names one
// effect, one technique and two textures, takes one reference on each when its resources are loaded and gives
// them back when it is destroyed; textures are bound by name. As an informant it answers the element and
// modulation textures, the modulation colour and the factors that turn pixel positions into clip space.
// RDefaultHUDMaterial lays out in real screen pixels; RDefaultHUDMaterial_Menu in the 1,024 x 768 menu space
// fitted to the screen, sliding with the menu transitions. RHUDMaterialFactory builds and loads any of them.
// Main thread only.
#pragma once

#include <type_traits>

#include "core/types/RHashedString.h"
#include "render/materials/RMaterial.h"

class RShader;

class RDefaultHUDMaterial : public RMaterial {
public:
    // Null file names and empty names; a subclass's constructor fills all seven (SetResourceNames).
    RDefaultHUDMaterial() = default;
    // Gives back the references LoadResources took: the effect only while it is still the one loaded under its
    // name, the textures only while the texture manager exists. Never creates a renderer or a manager.
    ~RDefaultHUDMaterial() override;
    // A copy would give the same references back twice.
    RDefaultHUDMaterial(const RDefaultHUDMaterial&) = delete;
    RDefaultHUDMaterial& operator=(const RDefaultHUDMaterial&) = delete;

    // Loads the effect (its technique becomes the default technique), then the element texture, then the
    // modulation texture, through the renderer. Failures are those of the renderer's loads. Only the first call
    // loads anything.
    void LoadResources();

    // "elemTex", "modTex", "modColor" (1, 1, 1, 1), "invHalfScreenWidth" and "invHalfScreenHeight" (2 over the
    // current screen width and height in pixels), "xOffset" and "yOffset" (0); anything else goes to the chain.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;
    // Null once the effect is no longer loaded (unloaded elsewhere, or the shader manager destroyed), so a
    // material outliving its effect draws nothing instead of reaching freed techniques.
    RTechnique* GetTechniqueForPass(RHashedString renderPassId) override;

    const char* GetEffectFileName() const { return m_effectFileName; }
    RHashedString GetEffectName() const { return m_effectName; }
    RHashedString GetTechniqueName() const { return m_techniqueName; }
    const char* GetElementTextureFileName() const { return m_elementTextureFileName; }
    RHashedString GetElementTextureName() const { return m_elementTextureName; }
    const char* GetModTextureFileName() const { return m_modTextureFileName; }
    RHashedString GetModTextureName() const { return m_modTextureName; }
    bool AreResourcesLoaded() const { return m_resourcesLoaded; }

protected:
    // The seven names, texts static; called by each concrete constructor, before LoadResources.
    void SetResourceNames(const char* effectFileName, const char* effectName, const char* techniqueName,
                          const char* elementTextureFileName, const char* elementTextureName,
                          const char* modTextureFileName, const char* modTextureName);

private:
    // Whether the effect LoadResources took is still the one the shader manager holds under its name, with the
    // default technique this material points at.
    bool IsEffectLoaded() const;

    const char* m_effectFileName = nullptr;
    RHashedString m_effectName;
    RHashedString m_techniqueName;
    const char* m_elementTextureFileName = nullptr;
    RHashedString m_elementTextureName;
    const char* m_modTextureFileName = nullptr;
    RHashedString m_modTextureName;
    // The effect LoadResources took a reference on (null when it got none); dereferenced only while the shader
    // manager holds it.
    RShader* m_effect = nullptr;
    bool m_resourcesLoaded = false;
};

// Lays out in the menu space: "invHalfScreenWidth", "invHalfScreenHeight", "xOffset" and "yOffset" come from
// the menu space and the menu state (RHUDMenuState); the rest as RDefaultHUDMaterial.
class RDefaultHUDMaterial_Menu : public RDefaultHUDMaterial {
public:
    // "xOffset": the slide offset (scaled by (4/3) / aspect when the screen is wider than 4:3, then adjusted by
    // the top menu) plus the menu space's x offset. "yOffset": 0 adjusted by the top menu, plus the menu
    // space's y offset.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;
};

class RHUDMaterialFactory {
public:
    // A new T with its resources loaded; the caller owns it.
    template <typename T>
    static T* BuildHUDMaterial()
    {
        static_assert(std::is_base_of<RDefaultHUDMaterial, T>::value, "HUD materials derive from RDefaultHUDMaterial");
        T* material = new T();
        material->LoadResources();
        return material;
    }
};
