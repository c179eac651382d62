// RMaterialInterface: what the draw loop asks of a material, template or instance: the technique that draws a
// render pass, and the template and instance that supply the material's two parameter scopes. As an informant
// it answers shader parameters by name. Techniques belong to their effect; a material only points at them.
#pragma once

#include "core/types/RHashedString.h"
#include "render/effects/RShaderParamInformant.h"

class RMaterial;
class RMaterialInst;
class RTechnique;

class RMaterialInterface : public RShaderParamInformant {
public:
    RMaterialInterface() = default;
    ~RMaterialInterface() override = default;
    RMaterialInterface(const RMaterialInterface&) = default;
    RMaterialInterface& operator=(const RMaterialInterface&) = default;

    // The technique that draws the render pass, or null when the material has none for it.
    virtual RTechnique* GetTechniqueForPass(RHashedString renderPassId) { return nullptr; }
    // The instance (null for a template) and the template (null for an unbound instance).
    virtual RMaterialInst* GetInstance() { return nullptr; }
    virtual RMaterial* GetTemplate() { return nullptr; }
};
