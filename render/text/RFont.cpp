#include "render/text/RFont.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "render/text/RGlyphSet.h"
#include "render/text/RGlyphSetMgr.h"
#include "render/text/RQuadBatch.h"
#include "render/frame/RRenderer.h"

namespace {

constexpr uint32_t kHeaderSize = 8 + RFont::kHeaderRestSize;
constexpr uint32_t kRecordSize = 29;

uint32_t ReadU32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

int32_t ReadI32(const uint8_t* bytes)
{
    const uint32_t bits = ReadU32(bytes);
    int32_t value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

float ReadF32(const uint8_t* bytes)
{
    const uint32_t bits = ReadU32(bytes);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool WithinPixels(int64_t value)
{
    return value >= -RFont::kMaxPixels && value <= RFont::kMaxPixels;
}

// Codes that take no space: controls other than the line feed (and the terminating zero), and the five codes
// that the single-byte character set leaves undefined.
bool IsSkipped(uint8_t code)
{
    return (code < 32 && code != '\n') || code == 129 || code == 141 || code == 143 || code == 144 || code == 157;
}

}  // namespace

// The pen and line of one string being laid out; y grows downwards. Wrapping is on when either limit is above 0.
class RFont::Layout {
public:
    Layout(float x, float y, float scaleX, float lineHeight, float widthLimit, float heightLimit)
        : x(x), y(y), scaleX(scaleX), lineHeight(lineHeight), widthLimit(widthLimit), heightLimit(heightLimit),
          wrap(widthLimit > 0.0f || heightLimit > 0.0f), penX(x), top(y)
    {
    }

    // Whether the current line's bottom is within the height limit (false for values that do not compare).
    bool LineFits() const { return top + lineHeight <= y + heightLimit; }
    void CloseLine()
    {
        if (penX - x > widest)
            widest = penX - x;
    }
    void NewLine()
    {
        CloseLine();
        penX = x;
        top += lineHeight;
    }
    // A word wider than the whole width limit never fits: new lines would be started for it until one passed
    // the height limit. That line is reached at once.
    void SkipToOverflowingLine()
    {
        CloseLine();
        penX = x;
        float lines = lineHeight > 0.0f ? std::floor((y + heightLimit - top) / lineHeight) : 1.0f;
        if (!(lines >= 1.0f))
            lines = 1.0f;
        top += lines * lineHeight;
    }

    const float x;
    const float y;
    const float scaleX;
    const float lineHeight;  // scaled
    const float widthLimit;
    const float heightLimit;
    const bool wrap;
    float penX;
    float top;
    float widest = 0.0f;
    bool stoppedByHeight = false;
};

// Writes the glyph quads of the queue into the batch, drawing whenever it fills, and queues inline glyphs into
// their sets.
class RFont::DrawSink {
public:
    DrawSink(RFont& font, RRenderer* renderer, RQuadBatchWriter& writer)
        : m_font(font), m_renderer(renderer), m_writer(writer)
    {
    }

    void SetString(const QueuedString* string) { m_string = string; }

    void Glyph(const GlyphMetrics& glyph, const Layout& layout)
    {
        const float lineHeight = static_cast<float>(m_font.m_lineHeight);
        const float cell = lineHeight > 0.0f ? (lineHeight - glyph.width) / (2.0f * lineHeight) : 0.0f;
        RScreenQuad quad;
        quad.left = layout.penX;
        quad.right = layout.penX + glyph.width * layout.scaleX;
        quad.top = -layout.top;
        quad.bottom = -(layout.top + layout.lineHeight);
        quad.u0 = glyph.leftU;
        quad.v0 = glyph.topV;
        quad.u1 = glyph.rightU;
        quad.v1 = glyph.bottomV;
        quad.s0 = cell;
        quad.t0 = 0.0f;
        quad.s1 = 1.0f - cell;
        quad.t1 = 1.0f;
        quad.topColour = m_string->topColour;
        quad.bottomColour = m_string->bottomColour;
        m_writer.AddQuad(quad);
        if (m_writer.IsFull()) {
            m_writer.Flush(m_renderer);
            m_writer.Begin();
        }
    }

    void InlineGlyph(uint32_t groupId, uint32_t glyphId, Layout& layout)
    {
        const RHashedString group = RHashedString::FromId(groupId);
        // A group the font has no set name for is added with the empty name.
        const RHashedString setName = m_font.m_glyphSetNames[group];
        RGlyphSet* set = RGlyphSetMgr::GetInstance()->FindGlyphSet(group, setName);
        if (!set)
            return;
        float penY = -layout.top;
        set->QueueGlyph(RHashedString::FromId(glyphId), &layout.penX, &penY, m_string->topColour,
                        m_string->bottomColour, true, static_cast<float>(m_font.m_lineHeight), layout.scaleX,
                        m_string->scaleY, m_string->widthLimit, m_string->heightLimit);
    }

private:
    RFont& m_font;
    RRenderer* m_renderer;
    RQuadBatchWriter& m_writer;
    const QueuedString* m_string = nullptr;
};

// Measuring only moves the pen: an inline glyph counts one line height, whether or not its set exists.
class RFont::MeasureSink {
public:
    explicit MeasureSink(int32_t lineHeight) : m_lineHeight(static_cast<float>(lineHeight)) {}

    void Glyph(const GlyphMetrics&, const Layout&) {}
    void InlineGlyph(uint32_t, uint32_t, Layout& layout) { layout.penX += m_lineHeight * layout.scaleX; }

private:
    float m_lineHeight;
};

RFont::RFont()
{
    m_queue.setNoShrink(true);
    RenewDynamic();
}

RFont::~RFont()
{
    ReleaseDynamic();
    m_queue.free();
    m_glyphSetNames.clear();
}

bool RFont::LoadGlyphMetrics(const char* fileName)
{
    if (!fileName)
        return false;
    RStreamMgr* streams = RStreamMgr::GetInstance();
    // A pack entry's stream runs on past the entry, so every read is checked against the entry's size.
    const uint32_t size = streams->GetFileSize(fileName, RStreamMgr::kPacksAndFolders);
    if (size == RPackFile::kNoSize || size < kHeaderSize)
        return false;
    FILE* file = nullptr;
    if (streams->OpenFile(&file, fileName, RStreamMgr::kPacksAndFolders) != 0 || !file)
        return false;

    uint8_t header[kHeaderSize];
    bool ok = fread(header, 1, kHeaderSize, file) == kHeaderSize;
    const int32_t count = ok ? ReadI32(header) : 0;
    const int32_t lineHeight = ok ? ReadI32(header + 4) : 0;
    const uint64_t records = count > 0 ? static_cast<uint64_t>(count) : 0;
    ok = ok && lineHeight >= 1 && lineHeight <= kMaxPixels && kHeaderSize + records * kRecordSize <= size;

    // Records go into a copy, so that a file failing half-way leaves the font as it was.
    GlyphMetrics table[256];
    std::memcpy(table, m_glyphs, sizeof(m_glyphs));
    for (uint64_t i = 0; ok && i < records; ++i) {
        uint8_t record[kRecordSize];
        if (fread(record, 1, kRecordSize, file) != kRecordSize) {
            ok = false;
            break;
        }
        const uint32_t width = ReadU32(record + 1);
        const float leftU = ReadF32(record + 5);
        const float topV = ReadF32(record + 9);
        const float rightU = ReadF32(record + 13);
        const float bottomV = ReadF32(record + 17);
        const int32_t left = ReadI32(record + 21);
        const int32_t right = ReadI32(record + 25);
        ok = width <= static_cast<uint32_t>(kMaxPixels) && WithinPixels(left) && WithinPixels(right) &&
             std::isfinite(leftU) && std::isfinite(topV) && std::isfinite(rightU) && std::isfinite(bottomV);
        GlyphMetrics& glyph = table[record[0]];
        glyph.leftU = leftU;
        glyph.topV = topV;
        glyph.rightU = rightU;
        glyph.bottomV = bottomV;
        glyph.width = static_cast<float>(width);
        glyph.left = static_cast<float>(left);
        glyph.right = static_cast<float>(right);
    }
    fclose(file);
    if (ok) {
        m_lineHeight = lineHeight;
        std::memcpy(m_headerRest, header + 8, kHeaderRestSize);
        std::memcpy(m_glyphs, table, sizeof(m_glyphs));
    }
    return ok;
}

void RFont::QueueString(const char* text, int32_t length, uint32_t colour, uint32_t bottomColour,
                        bool useBottomColour, float x, float y, float scaleX, float scaleY, float widthLimit,
                        float heightLimit)
{
    if (!text || length < 1 || m_queue.getCount() >= kMaxQueuedStrings)
        return;
    const int64_t bytes = static_cast<int64_t>(length) + 1;
    const char* lastCopy = m_textBuffer + m_textUsed - m_lastTextBytes;
    const char* copy;
    // The caller's memory may hold a new text by now: the copy is reused only while it still matches.
    if (text == m_lastText && bytes == m_lastTextBytes && std::memcmp(lastCopy, text, length) == 0) {
        copy = lastCopy;
    } else {
        if (m_textUsed + bytes > static_cast<int64_t>(kTextBufferSize))
            return;
        char* destination = m_textBuffer + m_textUsed;
        std::memmove(destination, text, length);
        destination[length] = 0;
        copy = destination;
        m_lastText = text;
        m_lastTextBytes = static_cast<int32_t>(bytes);
        m_textUsed += static_cast<int32_t>(bytes);
    }
    QueuedString entry;
    entry.text = copy;
    entry.length = length;
    entry.x = x;
    entry.y = y;
    entry.scaleX = scaleX;
    entry.scaleY = scaleY;
    entry.widthLimit = widthLimit;
    entry.heightLimit = heightLimit;
    entry.topColour = colour;
    entry.bottomColour = useBottomColour ? bottomColour : colour;
    m_queue.push(entry);
}

void RFont::QueueStringWithShadow(const char* text, int32_t length, uint32_t colour, uint32_t bottomColour,
                                  bool useBottomColour, float x, float y, float scaleX, float scaleY,
                                  float widthLimit, float heightLimit, float shadowX, float shadowY)
{
    QueueString(text, length, colour & 0xFF000000u, bottomColour & 0xFF000000u, false, x + shadowX, y + shadowY,
                scaleX, scaleY, widthLimit, heightLimit);
    QueueString(text, length, colour, bottomColour, useBottomColour, x, y, scaleX, scaleY, widthLimit,
                heightLimit);
}

float RFont::WordWidth(const uint8_t* p, const uint8_t* end, float scaleX) const
{
    float width = 0.0f;
    for (; !end || p < end; ++p) {
        const uint8_t code = *p;
        if (code <= 32 || code == kInlineGlyphByte || IsSkipped(code))
            break;
        const GlyphMetrics& glyph = m_glyphs[code];
        width += glyph.left * scaleX;
        width += (glyph.width + glyph.right) * scaleX;
    }
    return width;
}

// The layout shared by drawing and measuring. Before each code, with wrapping on, the current line must end
// within the height limit, and a word that would pass the width limit moves to a new line first (a word is never
// split). A line feed starts a new line; other controls and the undefined codes take no space; an inline glyph
// code goes to the sink and moves on 9 bytes; every other code is a glyph. Stops at the zero, at end (when not
// null), after stepLimit codes (when 0 or more), when the lines pass the height limit, or at an inline glyph
// code cut short by end; answers where it stopped.
template <typename Sink>
const uint8_t* RFont::Walk(const uint8_t* p, const uint8_t* end, int32_t stepLimit, Layout& layout, Sink& sink) const
{
    int32_t steps = 0;
    while ((!end || p < end) && *p != 0) {
        if (stepLimit >= 0 && steps >= stepLimit)
            return p;
        if (layout.wrap) {
            if (!layout.LineFits()) {
                layout.stoppedByHeight = true;
                return p;
            }
            const float word = WordWidth(p, end, layout.scaleX);
            if (layout.penX + word > layout.x + layout.widthLimit) {
                if (layout.x + word > layout.x + layout.widthLimit) {
                    layout.SkipToOverflowingLine();
                    layout.stoppedByHeight = true;
                    return p;
                }
                layout.NewLine();
                if (!layout.LineFits()) {
                    layout.stoppedByHeight = true;
                    return p;
                }
            }
        }
        const uint8_t code = *p;
        if (code == '\n') {
            layout.NewLine();
            ++p;
        } else if (code == kInlineGlyphByte) {
            if (end && end - p < kInlineGlyphSize)
                return p;
            sink.InlineGlyph(ReadU32(p + 1), ReadU32(p + 5), layout);
            p += kInlineGlyphSize;
        } else if (IsSkipped(code)) {
            ++p;
        } else {
            const GlyphMetrics& glyph = m_glyphs[code];
            layout.penX += glyph.left * layout.scaleX;
            sink.Glyph(glyph, layout);
            layout.penX += (glyph.width + glyph.right) * layout.scaleX;
            ++p;
        }
        ++steps;
    }
    return p;
}

const char* RFont::MeasureString(const char* text, int32_t stepLimit, float* width, float* height, float scaleX,
                                 float scaleY, float widthLimit, float heightLimit, int32_t length)
{
    const float lineHeight = static_cast<float>(m_lineHeight) * scaleY;
    if (width)
        *width = 0.0f;
    if (height)
        *height = lineHeight;
    if (!text || stepLimit < 1 || length == 0 || (length < 0 && *text == 0))
        return text;
    const uint8_t* start = reinterpret_cast<const uint8_t*>(text);
    const uint8_t* end = length > 0 ? start + length : nullptr;
    Layout layout(0.0f, 0.0f, scaleX, lineHeight, widthLimit, heightLimit);
    MeasureSink sink(m_lineHeight);
    const uint8_t* stop = Walk(start, end, stepLimit, layout, sink);
    layout.CloseLine();
    if (width)
        *width = layout.widest;
    if (height)
        *height = layout.stoppedByHeight ? layout.top : layout.top + lineHeight;
    return text + (stop - start);
}

void RFont::RenderWith(RRenderer* renderer, RRenderableInst* instance)
{
    RQuadBatchWriter writer(this);
    if (renderer && !m_queue.isEmpty() && writer.Begin()) {
        DrawSink sink(*this, renderer, writer);
        for (uint32_t i = 0; i < m_queue.getCount(); ++i) {
            const QueuedString& string = m_queue[i];
            const uint8_t* text = reinterpret_cast<const uint8_t*>(string.text);
            Layout layout(string.x, string.y, string.scaleX, static_cast<float>(m_lineHeight) * string.scaleY,
                          string.widthLimit, string.heightLimit);
            sink.SetString(&string);
            Walk(text, text + string.length, -1, layout, sink);
        }
        writer.Flush(renderer);
    }
    EmptyQueue();
}

void RFont::ReleaseDynamic()
{
    RQuadBatch::Destroy(this);
}

void RFont::RenewDynamic()
{
    if (!GetVertexSet())
        RQuadBatch::Create(this, kBatchQuads);
    RRenderer::GetInstance()->RegisterResource(this);
}

void RFont::PostTick(float step, uint32_t mask)
{
    EmptyQueue();
}

void RFont::EmptyQueue()
{
    m_queue.clear();
    m_textUsed = 0;
    m_lastText = nullptr;
    m_lastTextBytes = 0;
}
