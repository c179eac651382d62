// RDepthBackdropQuad: the depth backdrop's quad, covering clip space on the far plane (depth 1), so everything
// drawn in front of it hides it. It owns its vertex set and index buffer and the material it takes from the
// current RPassMaterialHost, and deletes them with itself.
#pragma once

#include "render/geometry/RMesh.h"

class RMaterial;

class RDepthBackdropQuad : public RMesh {
public:
    // Builds the quad (without a GL context it has no geometry and draws nothing) and takes its material from
    // RPassMaterialHost::GetNewDepthBackdropMaterial.
    RDepthBackdropQuad();
    // Deletes the material it took, then the vertex set and the index buffer.
    ~RDepthBackdropQuad() override;
    RDepthBackdropQuad(const RDepthBackdropQuad&) = delete;
    RDepthBackdropQuad& operator=(const RDepthBackdropQuad&) = delete;

private:
    RMaterial* m_ownMaterial = nullptr;
};
