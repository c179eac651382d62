#include "render/frame/RRenderPass.h"

void RRenderPass::AddGroup(RRenderGroup* group)
{
    if (group)
        groups.pushUniqueElement(group);
}

void RRenderPass::RemoveGroup(RRenderGroup* group)
{
    groups.eraseElement(group);
}
