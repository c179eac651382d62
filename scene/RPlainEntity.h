// RPlainEntity: an entity that draws renderables of its own. Each attached renderable is stored in the entity's
// renderable component (which owns it), listed in a render group, and asks the entity for the shader parameters it
// does not answer itself.
#pragma once

#include "scene/REntity.h"

class RRenderableInterface;

class RPlainEntity : public REntity {
    RRTTI_CLASS(RPlainEntity, REntity)
public:
    RPlainEntity() = default;
    ~RPlainEntity() override = default;

    // Stores the renderable under the name in the renderable component (added when missing), adds it to the render
    // group and chains its informant to the entity. Null is ignored.
    void AttachRenderable(RRenderableInterface* renderable, RHashedString groupId, RHashedString name);
};
