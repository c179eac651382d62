#include "render/materials/RRenderable.h"

#include "render/frame/RRenderer.h"

RRenderable::~RRenderable()
{
    // A device reset or a draw must never reach a template that is gone; never creates a renderer at shut-down.
    if (RRenderer::HasInstance()) {
        RRenderer::GetInstance()->UnregisterResource(this);
        RRenderer::GetInstance()->RemoveRenderableFromAllGroups(this);
    }
}
