#include "render/frame/RRenderStage.h"

void RRenderStage::AddPass(RRenderPass* pass)
{
    if (pass)
        passes.pushUniqueElement(pass);
}

void RRenderStage::RemovePass(RRenderPass* pass)
{
    passes.eraseElement(pass);
}
