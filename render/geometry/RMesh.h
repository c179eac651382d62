// RMesh: the renderable template that draws one vertex set and one index buffer of 16-bit indices as triangles,
// lines or points; the base of every drawn mesh, quad, backdrop, font and glyph set. The mesh refers to its
// vertex set and index buffer but never destroys them: whoever had them built (the caller of LoadM3D or of an
// RMeshUtil builder, or a subclass) destroys and deletes them, after the mesh has stopped drawing them.
#pragma once

#include <cstdint>

#include "render/materials/RRenderable.h"

class RVertexSet;
class RIndexBuffer;

class RMesh : public RRenderable {
public:
    enum PrimitiveType : uint32_t { PRIMITIVE_TRIANGLES = 0, PRIMITIVE_LINES = 1, PRIMITIVE_POINTS = 2 };

    RMesh() = default;
    // Leaves the vertex set and the index buffer alone.
    ~RMesh() override = default;
    // A copy is a fresh template (see RRenderable) sharing the source's vertex set, index buffer and primitive.
    RMesh(const RMesh& other);
    // Copies the vertex set, index buffer and primitive pointers and nothing else.
    RMesh& operator=(const RMesh& other);

    // Reads the ".m3d" file that the stream manager finds under path into a new vertex set and index buffer
    // and stores them in the mesh, replacing its pointers (what they pointed to stays the caller's). False,
    // with the mesh untouched, for a null path, a missing file, or a file that is malformed or truncated.
    static bool LoadM3D(const char* path, RMesh* mesh);

    // Binds the vertex set and the index buffer (none when the mesh has none, so no other mesh's indices are
    // drawn against these vertices) and draws every index as the primitive type; the instance is not read.
    // Nothing without a renderer or a vertex set, or for an unknown primitive type. Points draw the vertices in
    // order, without indices.
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override;
    // The mesh does not own its buffers, which live through a device reset: nothing to release or renew.
    void ReleaseDynamic() override {}
    void RenewDynamic() override {}

    RVertexSet* GetVertexSet() const { return m_vertexSet; }
    void SetVertexSet(RVertexSet* vertexSet) { m_vertexSet = vertexSet; }
    RIndexBuffer* GetIndexBuffer() const { return m_indexBuffer; }
    void SetIndexBuffer(RIndexBuffer* indexBuffer) { m_indexBuffer = indexBuffer; }
    uint32_t GetPrimitiveType() const { return m_primitiveType; }
    void SetPrimitiveType(uint32_t primitiveType) { m_primitiveType = primitiveType; }

private:
    RVertexSet* m_vertexSet = nullptr;
    RIndexBuffer* m_indexBuffer = nullptr;
    uint32_t m_primitiveType = PRIMITIVE_TRIANGLES;
};
