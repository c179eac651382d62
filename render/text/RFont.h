// RFont: draws text from a bitmap font: a texture page of glyph images (loaded by the font's material) and a
// ".uv" glyph metric file saying where each single-byte character lies on the page and how far it advances.
// Callers queue strings during the frame and measure them; when the renderer draws the font's render group the
// queue is laid out into one dynamic quad batch (several draws for long queues) and emptied. Inline glyph codes
// (byte 127 and two interned names) are handed to the glyph sets. The font owns its batch, glyph table and text
// copies; its material, and the glyph sets it finds, belong to others. Ticked once per engine frame, it empties
// its queue in PostTick. Main thread only.
#pragma once

#include <cstdint>

#include "core/types/RHashedString.h"
#include "core/system/RTickable.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"
#include "render/geometry/RMesh.h"

class RFont : public RMesh, public RTickableEngine {
public:
    // Bytes of queued text copies per frame, terminators included.
    static constexpr uint32_t kTextBufferSize = 4096;
    // Queued strings per frame: a text queued again from the same memory takes no buffer space, so the queue
    // has its own bound.
    static constexpr uint32_t kMaxQueuedStrings = 4096;
    // Glyph quads per draw call.
    static constexpr uint32_t kBatchQuads = 512;
    // The ".uv" header after the glyph count: the line height and 52 bytes kept as they are.
    static constexpr uint32_t kHeaderRestSize = 52;
    // Inline glyph code: the byte, then the group and glyph name ids, 32-bit little-endian each.
    static constexpr uint8_t kInlineGlyphByte = 127;
    static constexpr int32_t kInlineGlyphSize = 9;
    // The largest line height, glyph width and side bearing (in size) a ".uv" file may give, in pixels.
    static constexpr int32_t kMaxPixels = 16384;

    // One glyph: page coordinates of its cell's upper-left and lower-right corners, its drawn width (B), the
    // space before it (A) and after it (C), in pixels. Advance: left + width + right.
    struct GlyphMetrics {
        float leftU;
        float topV;
        float rightU;
        float bottomV;
        float width;
        float left;
        float right;
    };

    // One queued draw: the copy of its text in the text buffer (length bytes, then a zero), the upper-left
    // corner of its first line in screen pixels (y growing downwards), the scales, the wrapping box (on when
    // either limit is above 0) and the colours of the quads' upper and lower vertices (packed 0xAARRGGBB).
    struct QueuedString {
        const char* text;
        int32_t length;
        float x;
        float y;
        float scaleX;
        float scaleY;
        float widthLimit;
        float heightLimit;
        uint32_t topColour;
        uint32_t bottomColour;
    };

    // An empty font (all-zero metrics, line height 0) with its batch made when a GL context exists, listed with
    // the renderer's resources and the engine-frame tick list.
    RFont();
    ~RFont() override;
    RFont(const RFont&) = delete;
    RFont& operator=(const RFont&) = delete;

    // Reads a ".uv" file found through the stream manager: i32 glyph count N, i32 line height, 52 bytes kept,
    // then N records of 29 bytes (u8 code, u32 width, f32 left u, top v, right u, bottom v, i32 left, i32
    // right), each stored at its code, a later record of a code replacing an earlier one; N <= 0 takes only the
    // header. The font changes only when the whole file is sound: false, with the font untouched, for a missing
    // file, one shorter than its count says, a line height outside 1 to kMaxPixels, a page coordinate that is
    // not finite, or a width, left or right beyond kMaxPixels in size.
    bool LoadGlyphMetrics(const char* fileName);

    // Copies the text's first length bytes into the text buffer and queues a draw (see QueuedString). The top
    // colour is colour, the bottom one bottomColour when useBottomColour is set and colour otherwise. The same
    // text as the last copy (same memory, length and bytes) is not copied again. Nothing for a null text, a
    // length below 1, a copy that would not fit the rest of the buffer, or a full queue.
    void QueueString(const char* text, int32_t length, uint32_t colour, uint32_t bottomColour, bool useBottomColour,
                     float x, float y, float scaleX, float scaleY, float widthLimit, float heightLimit);
    // Queues a shadow at (x + shadowX, y + shadowY) in the colours' alpha alone (black of the same opacity),
    // then the text itself unchanged.
    void QueueStringWithShadow(const char* text, int32_t length, uint32_t colour, uint32_t bottomColour,
                               bool useBottomColour, float x, float y, float scaleX, float scaleY, float widthLimit,
                               float heightLimit, float shadowX, float shadowY);

    // Lays the text out as a draw would, without drawing, and writes the widest line's width and the height of
    // the lines into *width and *height (either may be null). Measuring handles at most stepLimit codes (an
    // inline glyph code is one) and stops at the terminating zero, after length bytes when length is 0 or more,
    // or when the lines pass the height limit; the result points where it stopped: at the first word that did
    // not fit, the code after the last one handled, or the end. An inline glyph code counts as line height x
    // scaleX wide. With length -1 the text is read up to its zero and must hold only whole inline glyph codes
    // (ids may contain zero bytes); a text with a length ends at an inline glyph code cut short.
    const char* MeasureString(const char* text, int32_t stepLimit, float* width, float* height, float scaleX,
                              float scaleY, float widthLimit, float heightLimit, int32_t length = -1);

    // Lays out and draws the queue, queuing inline glyphs into their sets, then empties it.
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override;
    // Destroys the batch (before a device reset).
    void ReleaseDynamic() override;
    // Makes the batch when the font has none and lists the font with the renderer's resources (once).
    void RenewDynamic() override;
    void Tick(float step, uint32_t mask) override {}
    // Empties the queue and the text buffer.
    void PostTick(float step, uint32_t mask) override;

    int32_t GetLineHeight() const { return m_lineHeight; }
    const uint8_t* GetHeaderRest() const { return m_headerRest; }
    const GlyphMetrics& GetGlyphMetrics(uint8_t code) const { return m_glyphs[code]; }
    // Glyph-set group name to the set this font uses within that group (for example "xbox" to "xbox_hud");
    // filled by the font's creator.
    RUtilMap<RHashedString, RHashedString>& GetGlyphSetNames() { return m_glyphSetNames; }
    uint32_t GetQueuedCount() const { return m_queue.getCount(); }
    const QueuedString& GetQueued(uint32_t index) const { return m_queue[index]; }
    uint32_t GetTextBufferUsed() const { return m_textUsed; }

private:
    class Layout;
    class DrawSink;
    class MeasureSink;

    // The queue and the text buffer emptied.
    void EmptyQueue();
    // Width of the word starting at p (0 at a space or a code that is not a glyph), scaled.
    float WordWidth(const uint8_t* p, const uint8_t* end, float scaleX) const;
    // Walks the string from p, handing glyphs and inline glyph codes to the sink; see the .cpp.
    template <typename Sink>
    const uint8_t* Walk(const uint8_t* p, const uint8_t* end, int32_t stepLimit, Layout& layout, Sink& sink) const;

    int32_t m_lineHeight = 0;
    uint8_t m_headerRest[kHeaderRestSize] = {};
    GlyphMetrics m_glyphs[256] = {};
    RUtilMap<RHashedString, RHashedString> m_glyphSetNames;
    RUtilVector<QueuedString> m_queue;
    const char* m_lastText = nullptr;
    int32_t m_lastTextBytes = 0;  // its length plus the terminator
    char m_textBuffer[kTextBufferSize] = {};
    int32_t m_textUsed = 0;
};
