#include "scene/RPlainEntity.h"

#include "render/materials/RRenderableInterface.h"
#include "render/frame/RRenderer.h"
#include "scene/RRenderableComponent.h"

void RPlainEntity::AttachRenderable(RRenderableInterface* renderable, RHashedString groupId, RHashedString name)
{
    if (!renderable)
        return;
    AddComponent<RRenderableComponent>()->AddRenderable(renderable, name);
    RRenderer::GetInstance()->AddRenderableToGroup(renderable, groupId);
    renderable->SetChainedInformant(this);
}
