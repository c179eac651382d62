// RRenderStage: a named subset of the render passes, drawn in its own order by RRenderer::RenderStage. The
// renderer owns the stage record; the stage only points at passes the renderer owns.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

class RRenderPass;

class RRenderStage {
public:
    // Appends the pass once; null is ignored.
    void AddPass(RRenderPass* pass);
    // Erases the pass; nothing when it is not listed.
    void RemovePass(RRenderPass* pass);

    RUtilVector<RRenderPass*> passes;  // drawing order
    RHashedString id;
};
