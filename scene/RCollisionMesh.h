// RCollisionMesh: triangles in the x-y plane, given as vertices relative to the shape's position and triples of
// 16-bit indices; a move meets the first triangle it reaches. Each triangle keeps its own bounds so a move tests
// only the triangles near it. Owned by whoever created it; it owns copies of its triangles.
#pragma once

#include <cstdint>

#include "core/types/RUtilVector.h"
#include "scene/RCollisionInterface.h"

class RCollisionMesh : public RCollisionInterface {
    RRTTI_CLASS(RCollisionMesh, RCollisionInterface)
public:
    RCollisionMesh() = default;
    // Replaces the triangles. False, the mesh unchanged, when the index count is not a multiple of three, an
    // index is past the vertex count or a vertex is not finite.
    bool SetTriangles(const RVector2* vertices, uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount);
    // Replaces the triangles with those of a mesh file (".m3d") found through the stream manager: the x and y of
    // its positions and its indices. False, the mesh unchanged, when the file is missing or malformed, has no
    // position stream or its triangles are refused as above.
    bool LoadM3D(const char* name);
    uint32_t GetTriangleCount() const { return m_triangles.getCount(); }

    void GetBounds(RVector2* min, RVector2* max) const override;
    ESweepResult SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                          RSweepHit* hit) const override;

private:
    struct Triangle {
        RVector2 corners[3];
        RVector2 min, max;
    };
    RUtilVector<Triangle> m_triangles;
    RVector2 m_min = {0.0f, 0.0f}, m_max = {0.0f, 0.0f};
};
