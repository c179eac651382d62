// RMaterialInst: an instance of a material template. It holds its own shader-parameter values (answered by
// subclasses as an informant) and defers to its template for the technique of every render pass. It does not own
// its template; while bound it is counted by it, and it releases the binding when it goes.
#pragma once

#include "core/types/RHashedString.h"
#include "render/materials/RMaterialInterface.h"

template <class Template, class Instance>
class RInstanceTemplate;

class RMaterialInst : public RMaterialInterface {
public:
    RMaterialInst() = default;
    // Releases the template.
    ~RMaterialInst() override;
    // A copy is bound to the source's template (unbound when the source is) and has no informant link.
    RMaterialInst(const RMaterialInst& other);
    // Releases its template and binds to the source's. Assigning an instance to itself changes nothing.
    RMaterialInst& operator=(const RMaterialInst& other);

    // The template's technique for the render pass; null when unbound.
    RTechnique* GetTechniqueForPass(RHashedString renderPassId) override;
    RMaterialInst* GetInstance() override { return this; }
    RMaterial* GetTemplate() override { return m_template; }

    // Releases the current template, if any, then binds to newTemplate unless it is null.
    void SetTemplate(RMaterial* newTemplate);

private:
    friend class RInstanceTemplate<RMaterial, RMaterialInst>;

    RMaterial* m_template = nullptr;
};
