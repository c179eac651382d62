#include "render/text/RQuadBatch.h"

#include "core/types/RUtilVector.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RMesh.h"
#include "render/frame/RRenderer.h"
#include "render/geometry/RVertexSet.h"

namespace {

enum : uint32_t { kPositionStream = 0, kPageStream = 1, kCellStream = 2, kColourStream = 3, kStreamCount = 4 };

}  // namespace

bool RQuadBatch::Create(RMesh* mesh, uint32_t quadCount)
{
    if (!mesh || mesh->GetVertexSet() || mesh->GetIndexBuffer() || quadCount == 0 || quadCount > kMaxQuads)
        return false;
    const RVertexStreamDesc streams[kStreamCount] = {
        {nullptr, 3 * sizeof(float), STREAM_POSITION, true},
        {nullptr, 2 * sizeof(float), STREAM_TEXCOORD0, true},
        {nullptr, 2 * sizeof(float), STREAM_TEXCOORD1, true},
        {nullptr, sizeof(uint32_t), STREAM_COLOR, true},
    };
    RVertexSet* set = new RVertexSet();
    if (!set->Create(streams, kStreamCount, quadCount * 4)) {
        delete set;
        return false;
    }
    RUtilVector<uint16_t> indices;
    indices.setSize(quadCount * 6);
    for (uint32_t q = 0; q < quadCount; ++q) {
        const uint16_t b = static_cast<uint16_t>(q * 4);
        uint16_t* quad = &indices[q * 6];
        quad[0] = b;
        quad[1] = static_cast<uint16_t>(b + 2);
        quad[2] = static_cast<uint16_t>(b + 1);
        quad[3] = static_cast<uint16_t>(b + 1);
        quad[4] = static_cast<uint16_t>(b + 2);
        quad[5] = static_cast<uint16_t>(b + 3);
    }
    RIndexBuffer* indexBuffer = new RIndexBuffer();
    if (!indexBuffer->Create(indices.getData(), indices.getCount(), false)) {
        delete indexBuffer;
        delete set;
        return false;
    }
    mesh->SetVertexSet(set);
    mesh->SetIndexBuffer(indexBuffer);
    return true;
}

void RQuadBatch::Destroy(RMesh* mesh)
{
    if (!mesh)
        return;
    delete mesh->GetVertexSet();
    delete mesh->GetIndexBuffer();
    mesh->SetVertexSet(nullptr);
    mesh->SetIndexBuffer(nullptr);
}

RQuadBatchWriter::RQuadBatchWriter(RMesh* mesh) : m_mesh(mesh) {}

RQuadBatchWriter::~RQuadBatchWriter()
{
    Unlock();
}

bool RQuadBatchWriter::Begin()
{
    Unlock();
    m_vertexCount = 0;
    RVertexSet* set = m_mesh ? m_mesh->GetVertexSet() : nullptr;
    if (!set || set->GetStreamCount() != kStreamCount || !m_mesh->GetIndexBuffer())
        return false;
    void* locked[kStreamCount] = {};
    for (uint32_t s = 0; s < kStreamCount; ++s) {
        locked[s] = set->LockStream(s, true);
        if (!locked[s]) {
            for (uint32_t u = 0; u < s; ++u)
                set->UnlockStream(u);
            return false;
        }
    }
    m_set = set;
    m_positions = static_cast<float*>(locked[kPositionStream]);
    m_pageCoords = static_cast<float*>(locked[kPageStream]);
    m_cellCoords = static_cast<float*>(locked[kCellStream]);
    m_colours = static_cast<uint32_t*>(locked[kColourStream]);
    m_capacity = set->GetVertexCount();
    return true;
}

void RQuadBatchWriter::AddQuad(const RScreenQuad& quad)
{
    if (!m_set || IsFull())
        return;
    // Upper-left, upper-right, lower-left, lower-right.
    const float xs[4] = {quad.left, quad.right, quad.left, quad.right};
    const float ys[4] = {quad.top, quad.top, quad.bottom, quad.bottom};
    const float us[4] = {quad.u0, quad.u1, quad.u0, quad.u1};
    const float vs[4] = {quad.v0, quad.v0, quad.v1, quad.v1};
    const float ss[4] = {quad.s0, quad.s1, quad.s0, quad.s1};
    const float ts[4] = {quad.t0, quad.t0, quad.t1, quad.t1};
    for (uint32_t k = 0; k < 4; ++k) {
        const uint32_t v = m_vertexCount + k;
        m_positions[v * 3] = xs[k];
        m_positions[v * 3 + 1] = ys[k];
        m_positions[v * 3 + 2] = 0.0f;
        m_pageCoords[v * 2] = us[k];
        m_pageCoords[v * 2 + 1] = vs[k];
        m_cellCoords[v * 2] = ss[k];
        m_cellCoords[v * 2 + 1] = ts[k];
        m_colours[v] = k < 2 ? quad.topColour : quad.bottomColour;
    }
    m_vertexCount += 4;
}

void RQuadBatchWriter::Flush(RRenderer* renderer)
{
    if (!m_set)
        return;
    Unlock();
    if (renderer && m_vertexCount >= 2) {
        renderer->BindVertexSet(m_mesh->GetVertexSet());
        renderer->BindIndexBuffer(m_mesh->GetIndexBuffer());
        renderer->DrawIndexedTriangles(static_cast<int32_t>(m_vertexCount / 2));
    }
    m_vertexCount = 0;
}

void RQuadBatchWriter::Unlock()
{
    if (!m_set)
        return;
    for (uint32_t s = 0; s < kStreamCount; ++s)
        m_set->UnlockStream(s);
    m_set = nullptr;
    m_positions = m_pageCoords = m_cellCoords = nullptr;
    m_colours = nullptr;
}
