#include "game/SpriteMesh.h"

#include "game/AdjustableSprite.h"
#include "game/RoomView.h"
#include "render/effects/RShaderParam.h"
#include "render/frame/RRenderer.h"

namespace {

constexpr uint32_t kFirstCapacity = 64;  // sprites the streams first hold; they double from there

// One vertex of a stream: two floats, as a texture coordinate is bound.
struct Pair {
    float x, y;
};

// A sprite's quad as the picture quad is made (the same corners in the same order, the same two triangles), so
// each pixel is covered and interpolated exactly as when every sprite was drawn with that quad.
constexpr Pair kCorners[4] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
constexpr uint16_t kQuadIndices[6] = {0, 1, 2, 0, 2, 3};

}  // namespace

bool SpriteMesh::Reserve(uint32_t sprites)
{
    if (sprites <= m_capacity)
        return true;
    uint32_t capacity = m_capacity < kFirstCapacity ? kFirstCapacity : m_capacity;
    while (capacity < sprites)
        capacity *= 2;
    if (capacity > kMaxSpritesPerDraw)
        capacity = kMaxSpritesPerDraw;
    m_capacity = 0;
    const RVertexStreamDesc streams[kStreamCount] = {
        {nullptr, sizeof(Pair), STREAM_TEXCOORD0, false}, {nullptr, sizeof(Pair), STREAM_TEXCOORD1, true},
        {nullptr, sizeof(Pair), STREAM_TEXCOORD2, true},  {nullptr, sizeof(Pair), STREAM_TEXCOORD3, true},
        {nullptr, sizeof(Pair), STREAM_TEXCOORD4, true},
    };
    if (!m_vertices.Create(streams, kStreamCount, 4 * capacity) || !m_indices.Create(nullptr, 6 * capacity, false)) {
        m_vertices.Destroy();
        m_indices.Destroy();
        return false;
    }
    Pair* corners = static_cast<Pair*>(m_vertices.LockStream(kCorner, false));
    if (corners) {
        for (uint32_t i = 0; i < 4 * capacity; ++i)
            corners[i] = kCorners[i % 4];
        m_vertices.UnlockStream(kCorner);
    }
    uint16_t* indices = m_indices.Lock();
    if (indices) {
        for (uint32_t i = 0; i < 6 * capacity; ++i)
            indices[i] = static_cast<uint16_t>(4 * (i / 6) + kQuadIndices[i % 6]);
        m_indices.Unlock();
    }
    if (!corners || !indices) {
        m_vertices.Destroy();
        m_indices.Destroy();
        return false;
    }
    m_capacity = capacity;
    return true;
}

uint32_t SpriteMesh::Write(RRenderableInst* const* instances, uint32_t count)
{
    if (!Reserve(count))
        return 0;
    Pair* streams[kStreamCount] = {};
    bool mapped = true;
    for (uint32_t s = kRectPosition; s < kStreamCount; ++s) {
        streams[s] = static_cast<Pair*>(m_vertices.LockStream(s, true));
        mapped = mapped && streams[s];
    }
    uint32_t written = 0;
    for (uint32_t i = 0; mapped && i < count; ++i) {
        const AdjustableSprite* sprite = dynamic_cast<const AdjustableSprite*>(instances[i]);
        if (!sprite)
            continue;
        const float* rect = sprite->GetRect();
        const int32_t tile = sprite->GetTile();
        const Pair values[kStreamCount] = {
            {0.0f, 0.0f},
            {rect[0], rect[1]},
            {rect[2], rect[3]},
            {static_cast<float>(tile % 16), static_cast<float>(tile / 16)},
            {sprite->IsFlipped() ? 1.0f : 0.0f, 0.0f},
        };
        for (uint32_t s = kRectPosition; s < kStreamCount; ++s) {
            Pair* vertex = streams[s] + 4 * written;
            vertex[0] = vertex[1] = vertex[2] = vertex[3] = values[s];
        }
        ++written;
    }
    for (uint32_t s = kRectPosition; s < kStreamCount; ++s) {
        if (streams[s])
            m_vertices.UnlockStream(s);
    }
    return mapped ? written : 0;
}

void SpriteMesh::RenderRun(RRenderer* renderer, RRenderableInst* const* instances, uint32_t count)
{
    if (!renderer)
        return;
    while (count > 0) {
        const uint32_t part = count < kMaxSpritesPerDraw ? count : kMaxSpritesPerDraw;
        const uint32_t written = Write(instances, part);
        if (written > 0) {
            renderer->BindVertexSet(&m_vertices);
            renderer->BindIndexBuffer(&m_indices);
            renderer->DrawIndexedTriangles(static_cast<int32_t>(2 * written));
        }
        instances += part;
        count -= part;
    }
}

void SpriteMesh::RenderWith(RRenderer* renderer, RRenderableInst* instance)
{
    if (instance)
        RenderRun(renderer, &instance, 1);
}

bool SpriteMesh::InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                    RShaderParamInformant* requester)
{
    static const RHashedString s_sheet("SpriteSheet");
    if (mapping->name == s_sheet) {
        mapping->SetTexture(RoomView::GetSheetName(AdjustableSprite::IsEGALook() ? TileSets::kEGA : TileSets::kCGA));
        return true;
    }
    return RRenderable::InformShaderParams(mapping, renderPassId, requester);
}
