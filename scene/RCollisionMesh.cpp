#include "scene/RCollisionMesh.h"

#include <cmath>
#include <cstring>

#include "core/files/RStreamMgr.h"
#include "render/geometry/RM3DData.h"

bool RCollisionMesh::SetTriangles(const RVector2* vertices, uint32_t vertexCount, const uint16_t* indices,
                                  uint32_t indexCount)
{
    if (indexCount % 3 != 0 || (indexCount > 0 && (!indices || !vertices)))
        return false;
    for (uint32_t i = 0; i < indexCount; ++i) {
        if (indices[i] >= vertexCount)
            return false;
        const RVector2& v = vertices[indices[i]];
        if (!std::isfinite(v.x) || !std::isfinite(v.y))
            return false;
    }
    m_triangles.free();
    m_triangles.setSize(indexCount / 3);
    m_min = m_max = RVector2{0.0f, 0.0f};
    for (uint32_t t = 0; t < indexCount / 3; ++t) {
        Triangle& triangle = m_triangles[t];
        for (int c = 0; c < 3; ++c)
            triangle.corners[c] = vertices[indices[t * 3 + c]];
        triangle.min = triangle.max = triangle.corners[0];
        for (int c = 1; c < 3; ++c) {
            triangle.min.x = std::fmin(triangle.min.x, triangle.corners[c].x);
            triangle.min.y = std::fmin(triangle.min.y, triangle.corners[c].y);
            triangle.max.x = std::fmax(triangle.max.x, triangle.corners[c].x);
            triangle.max.y = std::fmax(triangle.max.y, triangle.corners[c].y);
        }
        if (t == 0) {
            m_min = triangle.min;
            m_max = triangle.max;
        }
        m_min.x = std::fmin(m_min.x, triangle.min.x);
        m_min.y = std::fmin(m_min.y, triangle.min.y);
        m_max.x = std::fmax(m_max.x, triangle.max.x);
        m_max.y = std::fmax(m_max.y, triangle.max.y);
    }
    BoundsChanged();
    return true;
}

void RCollisionMesh::GetBounds(RVector2* min, RVector2* max) const
{
    const RVector2& p = GetPosition();
    *min = RVector2{p.x + m_min.x, p.y + m_min.y};
    *max = RVector2{p.x + m_max.x, p.y + m_max.y};
}

ESweepResult RCollisionMesh::SweepBox(const RVector2& center, const RVector2& half, const RVector2& delta,
                                      RSweepHit* hit) const
{
    // In the mesh's own frame. The earliest hit wins; an overlap is reported only when nothing is hit.
    const RVector2& p = GetPosition();
    const RVector2 local = {center.x - p.x, center.y - p.y};
    const RVector2 sweptMin = {std::fmin(local.x, local.x + delta.x) - half.x,
                               std::fmin(local.y, local.y + delta.y) - half.y};
    const RVector2 sweptMax = {std::fmax(local.x, local.x + delta.x) + half.x,
                               std::fmax(local.y, local.y + delta.y) + half.y};
    ESweepResult result = SWEEP_MISS;
    RSweepHit best;
    RSweepHit overlap;
    bool overlapped = false;
    for (uint32_t t = 0; t < m_triangles.getCount(); ++t) {
        const Triangle& triangle = m_triangles[t];
        if (triangle.max.x < sweptMin.x || triangle.min.x > sweptMax.x || triangle.max.y < sweptMin.y ||
            triangle.min.y > sweptMax.y)
            continue;
        RSweepHit found;
        const ESweepResult r = SweepBoxConvex(local, half, delta, triangle.corners, 3, &found);
        if (r == SWEEP_HIT && (result != SWEEP_HIT || found.time < best.time)) {
            best = found;
            result = SWEEP_HIT;
        } else if (r == SWEEP_OVERLAP && !overlapped) {
            overlap = found;
            overlapped = true;
        }
    }
    if (result == SWEEP_HIT) {
        *hit = best;
        return SWEEP_HIT;
    }
    if (overlapped) {
        *hit = overlap;
        return SWEEP_OVERLAP;
    }
    return SWEEP_MISS;
}

bool RCollisionMesh::LoadM3D(const char* name)
{
    if (!name)
        return false;
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    RStreamMgr::GetInstance()->ReadFile(name, &bytes, &size, RStreamMgr::kPacksAndFolders, false);
    if (!bytes)
        return false;
    RM3DData record;
    const bool read = record.Read(bytes, size);
    delete[] bytes;
    const RM3DVertexStreamInfo* positions = read ? record.FindStream(STREAM_POSITION) : nullptr;
    if (!positions || positions->size != 12)
        return false;
    // The reader has checked every index against the vertex count and the stream's bytes against both.
    const uint32_t vertexCount = static_cast<uint32_t>(record.header.vertexCount);
    RUtilVector<RVector2> vertices;
    vertices.setSize(vertexCount);
    for (uint32_t i = 0; i < vertexCount; ++i) {
        float xyz[3];
        std::memcpy(xyz, positions->data + static_cast<uint64_t>(i) * 12, sizeof(xyz));
        vertices[i] = RVector2{xyz[0], xyz[1]};
    }
    return SetTriangles(vertices.getData(), vertexCount, record.indexData,
                        static_cast<uint32_t>(record.header.indexCount));
}
