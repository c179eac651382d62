// RQuadBatch: the dynamic quad batch with which fonts and glyph sets draw screen-space text and pictures: one
// vertex set of four dynamic streams (position, page coordinates, cell coordinates, packed colour) and one index
// buffer holding the fixed two-triangle pattern of every quad. The mesh given a batch by Create owns it until
// Destroy; RQuadBatchWriter fills it through the locked streams and draws what it holds.
#pragma once

#include <cstdint>

class RMesh;
class RRenderer;
class RVertexSet;

// One quad as written: corners in vertex space (x to the right, y up, so a screen row r is at y -r), page
// coordinates of its upper-left and lower-right corners, coordinates within its cell likewise, and the colours
// of its two upper and two lower vertices.
struct RScreenQuad {
    float left, top, right, bottom;
    float u0, v0, u1, v1;
    float s0, t0, s1, t1;
    uint32_t topColour, bottomColour;
};

namespace RQuadBatch {

// The most quads one batch may hold: the last vertex index must fit 16 bits.
constexpr uint32_t kMaxQuads = 16384;

// Gives the mesh a batch of quadCount quads whose indices are b, b+2, b+1, b+1, b+2, b+3 for the quad whose
// first vertex is b. Nothing is made, and false is answered, when the mesh holds a vertex set or an index buffer
// already, for 0 or more than kMaxQuads quads, or when GL refuses (no context included).
bool Create(RMesh* mesh, uint32_t quadCount);
// Destroys and deletes the mesh's vertex set and index buffer and clears its pointers. Safe to call twice.
void Destroy(RMesh* mesh);

}  // namespace RQuadBatch

class RQuadBatchWriter {
public:
    // Writes into the batch of mesh (which must stay alive and keep its batch while the writer is used).
    explicit RQuadBatchWriter(RMesh* mesh);
    // Unlocks the streams when they are still locked; nothing is drawn.
    ~RQuadBatchWriter();
    RQuadBatchWriter(const RQuadBatchWriter&) = delete;
    RQuadBatchWriter& operator=(const RQuadBatchWriter&) = delete;

    // Locks the four streams for writing, starting an empty batch. False, with nothing locked, when the mesh has
    // no batch or a stream cannot be mapped.
    bool Begin();
    // Appends one quad; nothing when not begun or full.
    void AddQuad(const RScreenQuad& quad);
    bool IsFull() const { return m_vertexCount + 4 > m_capacity; }
    uint32_t GetVertexCount() const { return m_vertexCount; }
    // Unlocks the streams and, when at least 2 vertices were written, binds the batch and draws vertices / 2
    // triangles. The writer is then idle until the next Begin.
    void Flush(RRenderer* renderer);

private:
    void Unlock();

    RMesh* m_mesh;
    RVertexSet* m_set = nullptr;
    float* m_positions = nullptr;
    float* m_pageCoords = nullptr;
    float* m_cellCoords = nullptr;
    uint32_t* m_colours = nullptr;
    uint32_t m_vertexCount = 0;
    uint32_t m_capacity = 0;
};
