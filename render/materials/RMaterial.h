// RMaterial: a material template. It chooses the technique of an effect that draws each render pass (an entry
// of its pass map, else its default technique) and counts the RMaterialInst objects bound to it (see
// RInstanceTemplate). Subclasses load their effect and set the techniques in their constructors; the effect must
// outlive the material.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"
#include "render/materials/RInstanceTemplate.h"
#include "render/materials/RMaterialInst.h"
#include "render/materials/RMaterialInterface.h"

class RShader;

class RMaterial : public RMaterialInterface, public RInstanceTemplate<RMaterial, RMaterialInst> {
public:
    RMaterial() = default;
    // Clears the pass map; the instances still bound are unbound.
    ~RMaterial() override;
    // A copy has the source's default technique and pass map, no instances and no informant link.
    RMaterial(const RMaterial& other);
    // Replaces the pass map with a copy of the source's; the default technique and the instances stay.
    RMaterial& operator=(const RMaterial& other);

    // The pass map's technique for the render pass, else the default technique (null when none was set).
    RTechnique* GetTechniqueForPass(RHashedString renderPassId) override;
    RMaterialInst* GetInstance() override { return nullptr; }
    RMaterial* GetTemplate() override { return this; }

    // The effect's technique of that name becomes the default. Nothing changes when the effect is null or has
    // no technique of that name.
    void SetDefaultTechnique(RShader* effect, RHashedString techniqueName);
    // The effect's technique of that name draws the render pass, replacing an earlier entry for the pass.
    // Nothing changes when the effect is null or has no technique of that name.
    void SetTechniqueForPass(RShader* effect, RHashedString techniqueName, RHashedString renderPassId);
    RTechnique* GetDefaultTechnique() const { return m_defaultTechnique; }
    int32_t GetPassEntryCount() const { return m_passTechniques.getCount(); }

private:
    RTechnique* m_defaultTechnique = nullptr;
    // Render-pass id to the technique that draws it.
    RUtilMap<RTechnique*, RHashedString> m_passTechniques;
};
