// RRenderGroup: a named list of renderables drawn together by the passes that list the group. Every draw sorts
// the list so that renderables sharing an effect, a technique and a material come together. The renderer owns the
// record; the renderables are not owned, and each leaves every group when it is destroyed.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

class RRenderableInterface;
class RTechnique;

class RRenderGroup {
public:
    // Appends the renderable once; null is ignored.
    void AddRenderable(RRenderableInterface* renderable);
    // Erases the renderable; nothing when it is not listed.
    void RemoveRenderable(RRenderableInterface* renderable);
    // Orders the renderables for the render pass with CompareRenderables (an unstable sort that consumes the C
    // library's rand() when there are two or more).
    void Sort(RHashedString renderPassId);

    // Orders by the effect of the technique each one's material chooses for the render pass (the context, an
    // RHashedString*), then that technique, the material's template, the material's instance, the renderable's
    // template and its instance, each by address, lower first; a missing one counts as address 0. A total
    // order on those six keys: -1, 0 or 1.
    static int CompareRenderables(RRenderableInterface* const* a, RRenderableInterface* const* b, void* context);
    // The technique the renderable's material chooses for the render pass; null without a material.
    static RTechnique* TechniqueFor(RRenderableInterface* renderable, RHashedString renderPassId);

    bool enabled = true;
    RUtilVector<RRenderableInterface*> renderables;  // each once; reordered by every draw
    RHashedString id;
};
