// RRenderableInterface: what the draw loop asks of anything it draws, template or instance: whether it is
// visible, which material draws it, the template that draws and the instance it draws for. As an informant it
// answers the renderable's shader parameters. The material is not owned.
#pragma once

#include "render/effects/RShaderParamInformant.h"

class RMaterialInterface;
class RRenderable;
class RRenderableInst;
class RRenderer;

class RRenderableInterface : public RShaderParamInformant {
public:
    RRenderableInterface() = default;
    ~RRenderableInterface() override = default;
    // Copies carry the visible flag and the material; the informant link of a copy is null.
    RRenderableInterface(const RRenderableInterface&) = default;
    RRenderableInterface& operator=(const RRenderableInterface&) = default;

    virtual RMaterialInterface* GetMaterial() { return m_material; }
    // The instance (null for a template) and the template (null for an unbound instance).
    virtual RRenderableInst* GetInstance() { return nullptr; }
    virtual RRenderable* GetTemplate() { return nullptr; }
    // Draws for the instance (null when the template is drawn for itself). Only templates draw.
    virtual void RenderWith(RRenderer* renderer, RRenderableInst* instance) {}

    void SetMaterial(RMaterialInterface* material) { m_material = material; }
    // Hidden renderables are skipped by the draw loop; an instance is drawn only when it and its template are
    // both visible.
    bool IsVisible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }

private:
    bool m_visible = true;
    RMaterialInterface* m_material = nullptr;
};
