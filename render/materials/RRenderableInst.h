// RRenderableInst: an instance of a renderable template, drawn by its template. It may carry a material of its
// own (else the template's answers) and its own shader-parameter values. It does not own its template; while
// bound it is counted by it, and it releases the binding when it goes.
#pragma once

#include "render/materials/RRenderableInterface.h"

template <class Template, class Instance>
class RInstanceTemplate;

class RRenderableInst : public RRenderableInterface {
public:
    RRenderableInst() = default;
    // Releases the template.
    ~RRenderableInst() override;
    // A copy is visible, has no material of its own and is bound to the source's template (unbound when the
    // source is).
    RRenderableInst(const RRenderableInst& other);
    // Releases its template and binds to the source's; its own visible flag and material stay. Assigning an
    // instance to itself changes nothing.
    RRenderableInst& operator=(const RRenderableInst& other);

    // Its own material, else the template's; null when it has neither.
    RMaterialInterface* GetMaterial() override;
    RRenderableInst* GetInstance() override { return this; }
    RRenderable* GetTemplate() override { return m_template; }
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override {}

    // Releases the current template, if any, then binds to newTemplate unless it is null.
    void SetTemplate(RRenderable* newTemplate);

private:
    friend class RInstanceTemplate<RRenderable, RRenderableInst>;

    RRenderable* m_template = nullptr;
};
