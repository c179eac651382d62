// RRenderableComponent: the renderables an entity draws, each stored under a name. The component owns them:
// releasing them (explicitly, on replacement or with the component) takes each out of the renderer's groups and
// deletes it. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RUtilMap.h"
#include "scene/RComponent.h"

class RRenderableInterface;

class RRenderableComponent : public RComponent {
    RRTTI_CLASS(RRenderableComponent, RComponent)
public:
    RRenderableComponent() = default;
    // Releases every renderable still stored.
    ~RRenderableComponent() override;

    // Stores the renderable under the name. A different renderable stored under that name before is released;
    // the same renderable stored under another name moves to this one, so each is stored (and deleted) once.
    // Null is ignored.
    void AddRenderable(RRenderableInterface* renderable, RHashedString name);
    // The renderable stored under the name, or null.
    RRenderableInterface* GetRenderable(RHashedString name) const;
    int32_t GetRenderableCount() const { return m_renderables.getCount(); }

    // Takes every stored renderable out of the renderer's render groups and deletes it, then empties the map.
    void ReleaseRenderables();
    // Shows or hides every stored renderable; the draw loop skips hidden ones.
    void SetVisible(bool visible);

private:
    static void Release(RRenderableInterface* renderable);

    RUtilMap<RRenderableInterface*, RHashedString> m_renderables;
};
