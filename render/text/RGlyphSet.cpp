#include "render/text/RGlyphSet.h"

#include "render/text/RGlyphSetMgr.h"
#include "render/text/RQuadBatch.h"
#include "render/frame/RRenderer.h"

RGlyphSet::RGlyphSet()
{
    m_queue.setNoShrink(true);
    RenewDynamic();
}

RGlyphSet::~RGlyphSet()
{
    ReleaseDynamic();
    if (RGlyphSetMgr::HasInstance())
        RGlyphSetMgr::GetInstance()->UnregisterGlyphSet(this);
    m_glyphs.clear();
    m_queue.free();
}

void RGlyphSet::AddGlyph(const RGlyph& glyph, RHashedString name)
{
    if (!m_glyphs.exists(name))
        m_glyphs.insert(glyph, name);
}

const RGlyph* RGlyphSet::FindGlyph(RHashedString name) const
{
    auto* node = m_glyphs.find(name);
    return node ? &node->value : nullptr;
}

void RGlyphSet::QueueGlyph(RHashedString name, float* penX, float* penY, uint32_t topColour, uint32_t bottomColour,
                           bool useBottomColour, float cellSize, float scaleX, float scaleY, float widthLimit,
                           float heightLimit)
{
    const RGlyph* glyph = FindGlyph(name);
    if (!glyph || !penX || !penY)
        return;
    if (m_queue.getCount() < kBatchQuads) {
        QueuedGlyph queued;
        queued.glyph = *glyph;
        queued.x = *penX;
        queued.y = -*penY;
        queued.scaleX = scaleX;
        queued.scaleY = scaleY;
        queued.topColour = topColour;
        queued.bottomColour = useBottomColour ? bottomColour : topColour;
        queued.cellSize = cellSize;
        m_queue.push(queued);
    }
    *penX += glyph->width * cellSize * scaleX;
}

void RGlyphSet::RenderWith(RRenderer* renderer, RRenderableInst* instance)
{
    RQuadBatchWriter writer(this);
    if (renderer && !m_queue.isEmpty() && writer.Begin()) {
        for (uint32_t i = 0; i < m_queue.getCount() && !writer.IsFull(); ++i) {
            const QueuedGlyph& q = m_queue[i];
            const RGlyph& g = q.glyph;
            const float w = g.width * q.cellSize * q.scaleX;
            const float h = g.height * q.cellSize * q.scaleY;
            // Vertex y is negated screen y; both axes move half a pixel.
            const float a = (1.0f - g.width) * 0.5f;
            const float b = (1.0f - g.height) * 0.5f;
            RScreenQuad quad;
            quad.left = q.x - 0.5f;
            quad.right = q.x + w - 0.5f;
            quad.top = 0.5f - q.y;
            quad.bottom = 0.5f - q.y - h;
            quad.u0 = g.u;
            quad.v0 = g.v;
            quad.u1 = g.u + g.du;
            quad.v1 = g.v + g.dv;
            quad.s0 = a;
            quad.t0 = b;
            quad.s1 = 1.0f - a;
            quad.t1 = 1.0f - b;
            quad.topColour = q.topColour;
            quad.bottomColour = q.bottomColour;
            writer.AddQuad(quad);
        }
        writer.Flush(renderer);
    }
    m_queue.clear();
}

void RGlyphSet::ReleaseDynamic()
{
    RQuadBatch::Destroy(this);
}

void RGlyphSet::RenewDynamic()
{
    if (!GetVertexSet())
        RQuadBatch::Create(this, kBatchQuads);
    RRenderer::GetInstance()->RegisterResource(this);
}
