// RDepthBackdrop: the scene entity behind everything else: one far-plane quad, made by the current
// RPassMaterialHost, drawn in the host's backdrop render group. The quad is stored in the entity's renderable
// component under the empty name and is deleted (with its material) together with the entity.
#pragma once

#include "scene/REntity.h"

class RDepthBackdrop : public REntity {
    RRTTI_CLASS(RDepthBackdrop, REntity)
public:
    RDepthBackdrop();
    // Releases the quad: out of every render group, then deleted.
    ~RDepthBackdrop() override;
};
