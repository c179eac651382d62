#include "scene/RDepthBackdrop.h"

#include "render/RPassMaterialHost.h"
#include "render/RRenderable.h"
#include "render/RRenderer.h"
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
