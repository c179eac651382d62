// SpriteMesh: the renderable template of the game's sprites (AdjustableSprite). It draws a run of its sprites with
// one indexed draw (one per kMaxSpritesPerDraw): each sprite becomes a quad whose vertices carry its rectangle, its
// tile and its flip, written into the mesh's vertex streams, which grow to the longest run drawn. The sheet of the
// look in use is a parameter of the mesh. It owns its vertex set and index buffer; the room view owns the mesh.
// Main thread only.
#pragma once

#include "core/types/RHashedString.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RVertexSet.h"
#include "render/materials/RRenderable.h"

#include <cstdint>

class SpriteMesh : public RRenderable {
public:
    // The sprites one draw takes: 65,536 vertices, all that 16-bit indices reach.
    static constexpr uint32_t kMaxSpritesPerDraw = 16384;

    SpriteMesh() = default;
    ~SpriteMesh() override = default;
    SpriteMesh(const SpriteMesh&) = delete;
    SpriteMesh& operator=(const SpriteMesh&) = delete;

    bool DrawsRuns() const override { return true; }
    // Draws the sprites in the order given, each over those before it; instances that are not AdjustableSprites
    // are left out. Nothing when the streams cannot be made or written.
    void RenderRun(RRenderer* renderer, RRenderableInst* const* instances, uint32_t count) override;
    // One sprite: a run of one.
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override;
    // "SpriteSheet": the sheet of the look in use (AdjustableSprite::SetEGALook); other names go down the chain.
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override;

    // The buffers live through a device reset: nothing to release or renew.
    void ReleaseDynamic() override {}
    void RenewDynamic() override {}

private:
    enum Stream : uint32_t { kCorner, kRectPosition, kRectSize, kTile, kFlip, kStreamCount };

    // Makes the streams and indices hold at least that many sprites (at most kMaxSpritesPerDraw); false, holding
    // none, when they cannot be made.
    bool Reserve(uint32_t sprites);
    // Writes the sprites' quads from the first vertex on; the number written (0 when the streams could not be
    // made or mapped).
    uint32_t Write(RRenderableInst* const* instances, uint32_t count);

    RVertexSet m_vertices;
    RIndexBuffer m_indices;
    uint32_t m_capacity = 0;  // sprites the streams and indices hold
};
