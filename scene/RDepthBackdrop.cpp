#include "scene/RDepthBackdrop.h"

#include "render/passes/RPassMaterialHost.h"
#include "render/materials/RRenderable.h"
#include "render/frame/RRenderer.h"
#include "scene/RRenderableComponent.h"

RDepthBackdrop::RDepthBackdrop()
{
    RRenderableComponent* component = AddComponent<RRenderableComponent>();
    RPassMaterialHost* host = RPassMaterialHost::GetCurrent();
    RRenderable* quad = host->GetNewDepthBackdropRenderable();
    if (!quad)
        return;
    RRenderer::GetInstance()->AddRenderableToGroup(quad, host->GetDefaultBackdropGroupName());
    component->AddRenderable(quad, RHashedString());
}

RDepthBackdrop::~RDepthBackdrop()
{
    if (RRenderableComponent* component = GetComponent<RRenderableComponent>())
        component->ReleaseRenderables();
}
