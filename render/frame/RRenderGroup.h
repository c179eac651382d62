// RRenderGroup: a named list of renderables drawn together by the passes that list the group. Before every draw
// the list is brought into order, so that renderables sharing an effect, a technique and a material come
// together; it is sorted only when it is out of order. The renderer owns the record; the renderables are not
// owned, and each leaves every group when it is destroyed.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

class RRenderableInterface;
class RTechnique;

class RRenderGroup {
public:
    // Appends the renderable once; null is ignored. The list is sorted again before its next draw.
    void AddRenderable(RRenderableInterface* renderable);
    // Erases the renderable, the others keeping their order; nothing when it is not listed.
    void RemoveRenderable(RRenderableInterface* renderable);
    // Orders the renderables for the render pass by CompareRenderables. After an addition, or when the list was
    // last ordered for another pass, it is sorted; otherwise one walk checks that no change of material,
    // technique or template has put two neighbours out of order, and it is sorted only then. The order is the
    // same either way: CompareRenderables is a total order on distinct renderables.
    void Sort(RHashedString renderPassId);
    // The renderables, in the order of the last Sort (additions at the end).
    const RUtilVector<RRenderableInterface*>& GetRenderables() const { return m_renderables; }

    // Orders by the effect of the technique each one's material chooses for the render pass (the context, an
    // RHashedString*), then that technique, the material's template, the material's instance, the renderable's
    // template and its instance, each by address, lower first; a missing one counts as address 0. A total
    // order on those six keys: -1, 0 or 1.
    static int CompareRenderables(RRenderableInterface* const* a, RRenderableInterface* const* b, void* context);
    // The technique the renderable's material chooses for the render pass; null without a material.
    static RTechnique* TechniqueFor(RRenderableInterface* renderable, RHashedString renderPassId);

    bool enabled = true;
    RHashedString id;

private:
    // Whether every neighbour is in order for the render pass.
    bool InOrder(RHashedString renderPassId) const;

    RUtilVector<RRenderableInterface*> m_renderables;  // each once
    bool m_sorted = false;                             // in order for m_sortedFor when nothing changed since
    RHashedString m_sortedFor;
};
