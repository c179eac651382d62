// RGlyphSet: a set of small named pictures (controller buttons and the like), each a rectangle of the set's
// texture page, drawn as screen-space quads. Fonts queue glyphs into a set while they lay out an inline glyph
// code; the set draws its queue when the renderer draws the render group that holds it, then empties it. The
// set owns its quad batch; its material (which loads the page) belongs to whoever set it.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"
#include "render/geometry/RMesh.h"

// One picture: its upper-left corner (u, v) and extent (du, dv) on the page, and its size relative to the cell,
// whose side is the line height of the font that queues it (1.0 = one line height).
struct RGlyph {
    float u = 0.0f;
    float v = 0.0f;
    float du = 0.0f;
    float dv = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

class RGlyphSet : public RMesh {
public:
    // Quads in the batch; the queue never holds more, since one draw shows no more.
    static constexpr uint32_t kBatchQuads = 64;

    // One queued draw: the glyph as it was at queue time, its upper-left corner in screen pixels (y growing
    // downwards), the scales, the colours of its upper and lower vertices and the queuing font's line height.
    struct QueuedGlyph {
        RGlyph glyph;
        float x;
        float y;
        float scaleX;
        float scaleY;
        uint32_t topColour;
        uint32_t bottomColour;
        float cellSize;
    };

    // An empty set with its batch made (when a GL context exists) and listed with the renderer's resources.
    RGlyphSet();
    // Releases the batch and leaves the glyph set manager (when it exists), so no font finds a set that is gone.
    ~RGlyphSet() override;
    RGlyphSet(const RGlyphSet&) = delete;
    RGlyphSet& operator=(const RGlyphSet&) = delete;

    // Adds the glyph under name unless the name is taken (the first glyph of a name stays).
    void AddGlyph(const RGlyph& glyph, RHashedString name);
    // The glyph of that name, or null.
    const RGlyph* FindGlyph(RHashedString name) const;
    int32_t GetGlyphCount() const { return m_glyphs.getCount(); }

    // When the set has a glyph of that name, queues it at (*penX, -*penY) (the pen y comes in the font's vertex
    // convention, negated screen y), with the bottom colour when useBottomColour is set and the top colour
    // otherwise, and moves *penX right by width x cellSize x scaleX. A glyph beyond the kBatchQuads already
    // queued is dropped, the pen still moving. A name the set lacks queues nothing and leaves the pen. The two
    // limits are not used.
    void QueueGlyph(RHashedString name, float* penX, float* penY, uint32_t topColour, uint32_t bottomColour,
                    bool useBottomColour, float cellSize, float scaleX, float scaleY, float widthLimit,
                    float heightLimit);
    uint32_t GetQueuedCount() const { return m_queue.getCount(); }
    const QueuedGlyph& GetQueued(uint32_t index) const { return m_queue[index]; }

    // Draws the queue in one batch and empties it, drawn or not.
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override;
    // Destroys the batch (before a device reset).
    void ReleaseDynamic() override;
    // Makes the batch when the set has none and lists the set with the renderer's resources (once).
    void RenewDynamic() override;

private:
    RUtilMap<RGlyph, RHashedString> m_glyphs;
    RUtilVector<QueuedGlyph> m_queue;
};
