// RMesh: drawable geometry made of one vertex set and one index buffer of 16-bit indices, with the primitive the
// indices form. The mesh refers to its vertex set and index buffer but never destroys them: whoever had them
// built (the caller of LoadM3D or of an RMeshUtil builder, or a subclass) destroys and deletes them.
#pragma once

#include <cstdint>

class RVertexSet;
class RIndexBuffer;

class RMesh {
public:
    enum PrimitiveType : uint32_t { PRIMITIVE_TRIANGLES = 0, PRIMITIVE_LINES = 1, PRIMITIVE_POINTS = 2 };

    // Reads the ".m3d" file that the stream manager finds under path into a new vertex set and index buffer
    // and stores them in the mesh, replacing its pointers (what they pointed to stays the caller's). False,
    // with the mesh untouched, for a null path, a missing file, or a file that is malformed or truncated.
    static bool LoadM3D(const char* path, RMesh* mesh);

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
