// Fonts: the ".uv" reader against sound and hostile files, queueing into the text buffer, measuring, and drawing
// through a render pass read back pixel by pixel, inline glyphs included; the engine's own font against its
// text source.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FontTestSupport.h"
#include "core/RString.h"
#include "core/RTickable.h"
#include "render/RDefaultFont.h"
#include "render/RFont.h"
#include "render/RGlyphSet.h"
#include "render/RGlyphSetMgr.h"
#include "render/RHUDMaterials.h"
#include "render/RResolutionSensitiveList.h"
#include "render/RVertexSet.h"
#include "render/RXboxGlyphs.h"

using namespace fonttest;

namespace {

constexpr int32_t kLineHeight = 4;

// Four glyphs two pixels wide with one pixel after (advance 3), each over its colour's columns of the test
// page; a space advancing 2; and code 0xE9, one pixel wide after one pixel of space, over the white columns.
std::vector<UVRecord> TestRecords()
{
    return {
        {'R', 2, 0.0f / 16, 0.0f, 2.0f / 16, 1.0f, 0, 1},
        {'G', 2, 4.0f / 16, 0.0f, 6.0f / 16, 1.0f, 0, 1},
        {'B', 2, 8.0f / 16, 0.0f, 10.0f / 16, 1.0f, 0, 1},
        {'W', 2, 12.0f / 16, 0.0f, 14.0f / 16, 1.0f, 0, 1},
        {' ', 0, 0.0f, 0.0f, 0.0f, 0.0f, 0, 2},
        {0xE9, 1, 12.0f / 16, 0.0f, 13.0f / 16, 1.0f, 1, 0},
    };
}

// 16 x 4 texels: four columns each of red, green, blue and white.
std::vector<uint32_t> TestPage()
{
    std::vector<uint32_t> texels;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            texels.push_back(x < 4 ? kRed : x < 8 ? kGreen : x < 12 ? kBlue : kWhite);
    return texels;
}

std::string Escape(const char* markup)
{
    RString expanded = RString(markup).ExpandImgMarkup();
    return std::string(expanded.GetString(), static_cast<size_t>(expanded.GetLength()));
}

class FontFiles : public ::testing::Test {
protected:
    std::string WriteTestFont(const std::string& name = "test.uv")
    {
        std::vector<UVRecord> records = TestRecords();
        return folder.Write(name, MakeUV(static_cast<int32_t>(records.size()), kLineHeight, records));
    }

    TempFolder folder;
};

}  // namespace

TEST_F(FontFiles, LoadsHeaderAndRecordsKeepingTheLastOfACode)
{
    std::vector<UVRecord> records = TestRecords();
    records.push_back({'R', 3, 0.5f, 0.25f, 0.75f, 0.5f, -1, 2});
    RFont font;
    ASSERT_TRUE(font.LoadGlyphMetrics(folder.Write("a.uv", MakeUV(7, kLineHeight, records)).c_str()));
    EXPECT_EQ(font.GetLineHeight(), kLineHeight);
    EXPECT_EQ(font.GetHeaderRest()[0], 1);
    EXPECT_EQ(font.GetHeaderRest()[51], 52);
    const RFont::GlyphMetrics& r = font.GetGlyphMetrics('R');
    EXPECT_EQ(r.width, 3.0f);
    EXPECT_EQ(r.left, -1.0f);
    EXPECT_EQ(r.right, 2.0f);
    EXPECT_EQ(r.leftU, 0.5f);
    EXPECT_EQ(r.bottomV, 0.5f);
    EXPECT_EQ(font.GetGlyphMetrics('G').leftU, 0.25f);
    EXPECT_EQ(font.GetGlyphMetrics(0xE9).left, 1.0f);
    const RFont::GlyphMetrics& missing = font.GetGlyphMetrics('Q');
    EXPECT_EQ(missing.width + missing.left + missing.right + missing.rightU, 0.0f);
}

TEST_F(FontFiles, CountOfZeroOrLessTakesOnlyTheHeader)
{
    for (int32_t count : {0, -5}) {
        RFont font;
        ASSERT_TRUE(font.LoadGlyphMetrics(folder.Write("h.uv", MakeUV(count, 9, TestRecords())).c_str()));
        EXPECT_EQ(font.GetLineHeight(), 9);
        EXPECT_EQ(font.GetGlyphMetrics('R').width, 0.0f);
    }
}

TEST_F(FontFiles, RefusesMalformedFilesLeavingTheFontAsItWas)
{
    RFont font;
    ASSERT_TRUE(font.LoadGlyphMetrics(WriteTestFont().c_str()));

    std::vector<UVRecord> records = TestRecords();
    const int32_t count = static_cast<int32_t>(records.size());
    std::vector<uint8_t> good = MakeUV(count, kLineHeight, records);
    std::map<std::string, std::vector<uint8_t>> bad;
    bad["empty"] = {};
    bad["short header"] = std::vector<uint8_t>(good.begin(), good.begin() + 59);
    bad["last record cut"] = std::vector<uint8_t>(good.begin(), good.end() - 1);
    bad["count past the records"] = MakeUV(count + 1, kLineHeight, records);
    bad["huge count"] = MakeUV(INT32_MAX, kLineHeight, records);
    bad["count whose size wraps 32 bits"] = MakeUV(0x08D3DCB1, kLineHeight, records);  // 29 x count ~ 2^32
    bad["zero line height"] = MakeUV(count, 0, records);
    bad["negative line height"] = MakeUV(count, -4, records);
    bad["huge line height"] = MakeUV(count, 1 << 20, records);
    std::vector<UVRecord> hostile = records;
    hostile[0].width = 0xFFFFFFFFu;
    bad["huge width"] = MakeUV(count, kLineHeight, hostile);
    hostile = records;
    hostile[1].left = INT32_MIN;
    bad["huge left"] = MakeUV(count, kLineHeight, hostile);
    hostile = records;
    hostile[2].right = INT32_MAX;
    bad["huge right"] = MakeUV(count, kLineHeight, hostile);
    hostile = records;
    hostile[3].leftU = std::numeric_limits<float>::quiet_NaN();
    bad["NaN page coordinate"] = MakeUV(count, kLineHeight, hostile);
    hostile = records;
    hostile[3].bottomV = std::numeric_limits<float>::infinity();
    bad["infinite page coordinate"] = MakeUV(count, kLineHeight, hostile);
    // Another kind of file: a page's "DDS " magic read as a count of half a billion records.
    bad["a DDS page"] = MakeDDS(16, 4, TestPage());

    for (const auto& entry : bad) {
        EXPECT_FALSE(font.LoadGlyphMetrics(folder.Write("bad.uv", entry.second).c_str())) << entry.first;
        EXPECT_EQ(font.GetLineHeight(), kLineHeight) << entry.first;
        EXPECT_EQ(font.GetGlyphMetrics('R').width, 2.0f) << entry.first;
        EXPECT_EQ(font.GetGlyphMetrics('W').leftU, 12.0f / 16) << entry.first;
    }
    EXPECT_FALSE(font.LoadGlyphMetrics(folder.Path("missing.uv").c_str()));
    EXPECT_FALSE(font.LoadGlyphMetrics(nullptr));
    EXPECT_EQ(font.GetLineHeight(), kLineHeight);
}

TEST_F(FontFiles, DefaultFontLoadsTheEngineMetrics)
{
    ASSERT_TRUE(ExtractEngineFile(folder, RDefaultFont::kMetricsFile));
    std::unique_ptr<RDefaultFont> made;
    {
        WorkingDirectory inFolder(folder.Path());
        made.reset(new RDefaultFont());
    }
    const RDefaultFont& font = *made;
    ASSERT_EQ(font.GetLineHeight(), 11);
    const RFont::GlyphMetrics& a = font.GetGlyphMetrics('A');
    EXPECT_EQ(a.width, 5.0f);
    EXPECT_EQ(a.left, 0.0f);
    EXPECT_EQ(a.right, 1.0f);
    EXPECT_FLOAT_EQ(a.leftU, (65 % 16) * 16 / 256.0f);
    EXPECT_FLOAT_EQ(a.topV, (65 / 16) * 16 / 256.0f);
    EXPECT_FLOAT_EQ(a.bottomV, ((65 / 16) * 16 + 11) / 256.0f);
    EXPECT_EQ(font.GetGlyphMetrics('i').width, 1.0f);
    EXPECT_EQ(font.GetGlyphMetrics(' ').right, 1.0f);
    EXPECT_EQ(font.GetGlyphMetrics(200).right, 0.0f);  // no record beyond printable ASCII
}

TEST_F(FontFiles, SamePointerQueuedTwiceIsStoredOnce)
{
    RFont font;
    const char text[] = "RGB";
    font.QueueStringWithShadow(text, 3, 0x80FF0000u, 0x4000FF00u, true, 10.0f, 20.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f,
                               2.0f);
    ASSERT_EQ(font.GetQueuedCount(), 2u);
    EXPECT_EQ(font.GetTextBufferUsed(), 4u);
    const RFont::QueuedString& shadow = font.GetQueued(0);
    const RFont::QueuedString& body = font.GetQueued(1);
    EXPECT_EQ(shadow.text, body.text);
    EXPECT_STREQ(body.text, "RGB");
    EXPECT_EQ(shadow.topColour, 0x80000000u);
    EXPECT_EQ(shadow.bottomColour, 0x80000000u);
    EXPECT_EQ(shadow.x, 11.0f);
    EXPECT_EQ(shadow.y, 22.0f);
    EXPECT_EQ(body.topColour, 0x80FF0000u);
    EXPECT_EQ(body.bottomColour, 0x4000FF00u);
    EXPECT_EQ(body.x, 10.0f);
}

TEST_F(FontFiles, MemoryHoldingANewTextIsCopiedAgain)
{
    RFont font;
    char buffer[8] = "RG";
    font.QueueString(buffer, 2, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    std::strcpy(buffer, "BW");
    font.QueueString(buffer, 2, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    ASSERT_EQ(font.GetQueuedCount(), 2u);
    EXPECT_EQ(font.GetTextBufferUsed(), 6u);
    EXPECT_STREQ(font.GetQueued(0).text, "RG");
    EXPECT_STREQ(font.GetQueued(1).text, "BW");
}

TEST_F(FontFiles, TextBufferDropsOnlyWhatDoesNotFit)
{
    RFont font;
    const std::string big(4090, 'R');
    const std::string five(5, 'G');
    font.QueueString(big.c_str(), 4090, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    font.QueueString(five.c_str(), 5, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);  // 4097 bytes
    font.QueueString("B", 1, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    // A length far beyond the buffer is refused before anything is read or added.
    font.QueueString("W", INT32_MAX, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    ASSERT_EQ(font.GetQueuedCount(), 2u);
    EXPECT_EQ(font.GetTextBufferUsed(), 4093u);
    EXPECT_STREQ(font.GetQueued(1).text, "B");
}

TEST_F(FontFiles, QueueIgnoresEmptyTextsAndIsBounded)
{
    RFont font;
    font.QueueString(nullptr, 3, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    font.QueueString("R", 0, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    font.QueueString("R", -1, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(font.GetQueuedCount(), 0u);
    const char* text = "RG";
    for (int i = 0; i < 5000; ++i)
        font.QueueString(text, 2, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(font.GetQueuedCount(), RFont::kMaxQueuedStrings);
    EXPECT_EQ(font.GetTextBufferUsed(), 3u);
}

TEST_F(FontFiles, EngineFramePostTickEmptiesTheQueue)
{
    RTickableManager* ticks = RTickableManager::GetInstance();
    const uint32_t listed = ticks->GetListCount(RTickableBase::kEngineFrame);
    {
        RFont font;
        EXPECT_EQ(ticks->GetListCount(RTickableBase::kEngineFrame), listed + 1);
        font.QueueString("RG", 2, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
        ticks->Tick(RTickableBase::kEngineFrame, 0.016f);
        EXPECT_EQ(font.GetQueuedCount(), 1u);
        ticks->PostTick(RTickableBase::kEngineFrame, 0.016f);
        EXPECT_EQ(font.GetQueuedCount(), 0u);
        EXPECT_EQ(font.GetTextBufferUsed(), 0u);
    }
    EXPECT_EQ(ticks->GetListCount(RTickableBase::kEngineFrame), listed);
}

class FontMeasure : public FontFiles {
protected:
    void SetUp() override { ASSERT_TRUE(font.LoadGlyphMetrics(WriteTestFont().c_str())); }

    // Measures with no step limit to speak of.
    const char* Measure(const char* text, float scaleX = 1.0f, float scaleY = 1.0f, float widthLimit = 0.0f,
                        float heightLimit = 0.0f, int32_t length = -1)
    {
        return font.MeasureString(text, 100000, &width, &height, scaleX, scaleY, widthLimit, heightLimit, length);
    }

    RFont font;
    float width = -1.0f;
    float height = -1.0f;
};

TEST_F(FontMeasure, WidthIsTheAdvanceAndHeightOneLine)
{
    const char* text = "RGB";
    EXPECT_EQ(Measure(text), text + 3);
    EXPECT_EQ(width, 9.0f);
    EXPECT_EQ(height, 4.0f);
    Measure(text, 2.0f, 3.0f);
    EXPECT_EQ(width, 18.0f);
    EXPECT_EQ(height, 12.0f);
}

TEST_F(FontMeasure, EmptyTextOrNoStepsMeasureOneEmptyLine)
{
    const char* text = "RGB";
    EXPECT_EQ(font.MeasureString(text, 0, &width, &height, 1.0f, 2.0f, 0.0f, 0.0f), text);
    EXPECT_EQ(width, 0.0f);
    EXPECT_EQ(height, 8.0f);
    const char* empty = "";
    EXPECT_EQ(Measure(empty), empty);
    EXPECT_EQ(width, 0.0f);
    EXPECT_EQ(height, 4.0f);
}

TEST_F(FontMeasure, LineFeedOpensALineAndTheWidestLineCounts)
{
    Measure("R\nGBW");
    EXPECT_EQ(width, 9.0f);
    EXPECT_EQ(height, 8.0f);
}

TEST_F(FontMeasure, StepLimitStopsAfterThatManyCodes)
{
    const char* text = "RGBWR";
    EXPECT_EQ(font.MeasureString(text, 3, &width, &height, 1.0f, 1.0f, 0.0f, 0.0f), text + 3);
    EXPECT_EQ(width, 9.0f);
}

TEST_F(FontMeasure, ControlAndUndefinedCodesTakeNoSpace)
{
    Measure("R\t\r\x81\x8D\x8F\x90\x9DG");
    EXPECT_EQ(width, 6.0f);
    EXPECT_EQ(height, 4.0f);
}

TEST_F(FontMeasure, CodesAbove127UseTheirOwnMetrics)
{
    Measure("\xE9\xE9");
    EXPECT_EQ(width, 4.0f);
    Measure("\xFF");  // no record: no advance
    EXPECT_EQ(width, 0.0f);
}

TEST_F(FontMeasure, NothingFitsUnderAZeroHeightLimit)
{
    const char* text = "RGB";
    EXPECT_EQ(Measure(text, 1.0f, 1.0f, 100.0f, 0.0f), text);
    EXPECT_EQ(height, 0.0f);
    EXPECT_EQ(width, 0.0f);
}

TEST_F(FontMeasure, WordsWrapWholeAndTheFirstWordThatDoesNotFitIsReturned)
{
    const char* text = "RG BW RG";
    EXPECT_EQ(Measure(text, 1.0f, 1.0f, 10.0f, 100.0f), text + 8);
    EXPECT_EQ(width, 8.0f);
    EXPECT_EQ(height, 12.0f);
    EXPECT_EQ(Measure(text, 1.0f, 1.0f, 10.0f, 8.0f), text + 6);
    EXPECT_EQ(height, 8.0f);
}

TEST_F(FontMeasure, WordWiderThanTheLineEndsTheTextAtTheHeightLimit)
{
    const char* text = "RG RGBWRGBW";
    EXPECT_EQ(Measure(text, 1.0f, 1.0f, 10.0f, 12.0f), text + 3);
    EXPECT_EQ(width, 8.0f);
    EXPECT_EQ(height, 12.0f);  // three lines fit, the word on none of them
    // With tiny lines and a vast height limit the lines are not walked one by one.
    EXPECT_EQ(Measure(text + 3, 1.0f, 1e-6f, 10.0f, 1e30f), text + 3);
    EXPECT_LE(height, 1e30f);
    EXPECT_GT(height, 0.9e30f);
}

TEST_F(FontMeasure, InlineGlyphCountsOneLineHeight)
{
    const std::string text = "R" + Escape("<img>xbox:a<img>") + "G";
    ASSERT_EQ(text.size(), 11u);
    EXPECT_EQ(Measure(text.c_str(), 2.0f, 1.0f, 0.0f, 0.0f, 11), text.c_str() + 11);
    EXPECT_EQ(width, 6.0f + 8.0f + 6.0f);
    EXPECT_EQ(font.GetGlyphSetNames().getCount(), 0);  // measuring looks nothing up
}

TEST_F(FontMeasure, InlineGlyphCutShortEndsTheText)
{
    // Exactly three bytes, no terminator: an escape reading on would leave the allocation.
    std::unique_ptr<char[]> text(new char[3]{'R', '\x7F', 'G'});
    EXPECT_EQ(Measure(text.get(), 1.0f, 1.0f, 0.0f, 0.0f, 3), text.get() + 1);
    EXPECT_EQ(width, 3.0f);
}

class FontDraw : public HUDDrawTest {
protected:
    void SetUp() override
    {
        HUDDrawTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::vector<UVRecord> records = TestRecords();
        ASSERT_TRUE(font.LoadGlyphMetrics(
            folder.Write("draw.uv", MakeUV(static_cast<int32_t>(records.size()), kLineHeight, records)).c_str()));
        // The font may have been made before the first test gave the renderer its context.
        font.RenewDynamic();
        RHashedString page = LoadPage(folder.Write("page.dds", MakeDDS(16, 4, TestPage())), "FontTest_Page");
        material.reset(new PageMaterial(effect, "Font", page));
        font.SetMaterial(material.get());
        renderer->AddRenderableToGroup(&font, textGroup);
    }

    void Queue(const std::string& text, float x, float y, uint32_t colour = kWhite, float scaleX = 1.0f,
               float scaleY = 1.0f, float widthLimit = 0.0f, float heightLimit = 0.0f)
    {
        font.QueueString(text.data(), static_cast<int32_t>(text.size()), colour, colour, false, x, y, scaleX, scaleY,
                         widthLimit, heightLimit);
    }

    RFont font;
    std::unique_ptr<PageMaterial> material;
};

TEST_F(FontDraw, GlyphsLandWhereTheyAreLaidOut)
{
    Queue("RGB", 2.0f, 3.0f);
    Draw();
    EXPECT_TRUE(Filled(2, 3, 4, 7, kRed));
    EXPECT_TRUE(Filled(4, 3, 5, 7, kBackground));
    EXPECT_TRUE(Filled(5, 3, 7, 7, kGreen));
    EXPECT_TRUE(Filled(8, 3, 10, 7, kBlue));
    EXPECT_TRUE(Filled(0, 2, 16, 3, kBackground));
    EXPECT_TRUE(Filled(0, 7, 16, 8, kBackground));
    EXPECT_EQ(font.GetQueuedCount(), 0u);
    EXPECT_EQ(font.GetTextBufferUsed(), 0u);
}

TEST_F(FontDraw, ScalesAndColoursApply)
{
    Queue("W", 10.0f, 10.0f, kBlue, 2.0f, 2.0f);
    font.QueueString("W", 1, kRed, kGreen, true, 20.0f, 10.0f, 1.0f, 4.0f, 0.0f, 0.0f);
    Draw();
    EXPECT_TRUE(Filled(10, 10, 14, 18, kBlue));
    EXPECT_TRUE(Filled(14, 10, 15, 18, kBackground));
    const uint32_t top = Pixel(20, 10);
    const uint32_t bottom = Pixel(20, 25);
    EXPECT_GT((top >> 16) & 0xFF, (top >> 8) & 0xFF);  // mostly red
    EXPECT_GT((bottom >> 8) & 0xFF, (bottom >> 16) & 0xFF);  // mostly green
}

TEST_F(FontDraw, LineFeedDrawsTheNextLineOneLineHeightBelow)
{
    Queue("R\nG", 5.0f, 5.0f, kWhite, 1.0f, 2.0f);
    Draw();
    EXPECT_TRUE(Filled(5, 5, 7, 13, kRed));
    EXPECT_TRUE(Filled(5, 13, 7, 21, kGreen));
    EXPECT_TRUE(Filled(8, 13, 10, 21, kBackground));
}

TEST_F(FontDraw, ShadowIsDrawnUnderTheText)
{
    font.QueueStringWithShadow("W", 1, kRed, kRed, false, 4.0f, 4.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f);
    Draw();
    EXPECT_TRUE(Filled(4, 4, 6, 8, kRed));
    EXPECT_EQ(Pixel(6, 8), kBlack);
    EXPECT_EQ(Pixel(6, 5), kBlack);
    EXPECT_EQ(Pixel(4, 8), kBackground);
}

TEST_F(FontDraw, WrapsWordsAndDropsWhatPassesTheHeightLimit)
{
    Queue("RG BW RG", 0.0f, 0.0f, kWhite, 1.0f, 1.0f, 10.0f, 8.0f);
    Queue("RGBWRGBW", 0.0f, 20.0f, kWhite, 1.0f, 1.0f, 10.0f, 100.0f);  // never fits: nothing, no hang
    Draw();
    EXPECT_TRUE(Filled(0, 0, 2, 4, kRed));
    EXPECT_TRUE(Filled(3, 0, 5, 4, kGreen));
    EXPECT_TRUE(Filled(0, 4, 2, 8, kBlue));
    EXPECT_TRUE(Filled(3, 4, 5, 8, kWhite));
    EXPECT_TRUE(Filled(0, 8, 16, 12, kBackground));
    EXPECT_TRUE(Filled(0, 20, 30, 28, kBackground));
}

TEST_F(FontDraw, LongTextIsDrawnInBatchesOf512Glyphs)
{
    // Glyph 'Z' has no record: an empty quad without advance, so only three glyphs show.
    std::string text(600, 'Z');
    text[511] = 'R';  // the last quad of the first batch
    text[512] = 'G';  // the first of the second
    text[599] = 'B';
    Queue(text, 1.0f, 1.0f);
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    Draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    EXPECT_EQ(primitives, 1200u);
    EXPECT_TRUE(Filled(1, 1, 3, 5, kRed));
    EXPECT_TRUE(Filled(4, 1, 6, 5, kGreen));
    EXPECT_TRUE(Filled(7, 1, 9, 5, kBlue));
}

TEST_F(FontDraw, StringThatDoesNotFitTheBufferIsNotDrawnButLaterOnesAre)
{
    Queue(std::string(4090, 'Z'), 0.0f, 0.0f);
    Queue("GGGGG", 0.0f, 10.0f);
    Queue("R", 0.0f, 20.0f);
    Draw();
    EXPECT_TRUE(Filled(0, 10, 16, 14, kBackground));
    EXPECT_TRUE(Filled(0, 20, 2, 24, kRed));
}

TEST_F(FontDraw, InlineGlyphIsQueuedInItsSetAtThePen)
{
    RGlyphSet set;
    RGlyph square;
    square.u = 12.0f / 16;
    square.du = 4.0f / 16;
    square.dv = 1.0f;
    square.width = 1.0f;
    square.height = 1.0f;
    set.AddGlyph(square, RHashedString("sq"));
    PageMaterial glyphMaterial(effect, "Glyph", RHashedString("FontTest_Page"));
    set.SetMaterial(&glyphMaterial);
    renderer->AddRenderableToGroup(&set, glyphGroup);
    RGlyphSetMgr::GetInstance()->RegisterGlyphSet(&set, RHashedString("fonttest"), RHashedString("fonttest_hud"));
    font.GetGlyphSetNames().insert(RHashedString("fonttest_hud"), RHashedString("fonttest"));

    Queue("R" + Escape("<img>fonttest:sq<img>") + "G", 2.0f, 2.0f);
    Draw();
    EXPECT_TRUE(Filled(2, 2, 4, 6, kRed));
    EXPECT_TRUE(Filled(5, 2, 9, 6, kWhite));
    EXPECT_TRUE(Filled(9, 2, 11, 6, kGreen));
    EXPECT_EQ(set.GetQueuedCount(), 0u);
}

TEST_F(FontDraw, InlineGlyphOfAnUnknownGroupDrawsNothingAndNamesTheGroup)
{
    Queue("R" + Escape("<img>fonttest_nowhere:sq<img>") + "G", 2.0f, 2.0f);
    Draw();
    EXPECT_TRUE(Filled(2, 2, 4, 6, kRed));
    EXPECT_TRUE(Filled(5, 2, 7, 6, kGreen));
    auto* entry = font.GetGlyphSetNames().find(RHashedString("fonttest_nowhere"));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->value.IsEmpty());
}

TEST_F(FontDraw, InlineGlyphCutShortEndsTheString)
{
    Queue(std::string("R\x7F", 2), 2.0f, 2.0f);
    Queue(std::string("G\x7F\x01\x02", 4), 2.0f, 10.0f);
    Draw();
    EXPECT_TRUE(Filled(2, 2, 4, 6, kRed));
    EXPECT_TRUE(Filled(2, 10, 4, 14, kGreen));
    EXPECT_TRUE(Filled(4, 0, 30, 16, kBackground));
}

TEST_F(FontDraw, DrawsAgainAfterADeviceReset)
{
    renderer->ReleaseAllDynamic();
    EXPECT_EQ(font.GetVertexSet(), nullptr);
    renderer->RenewAllDynamic();
    ASSERT_NE(font.GetVertexSet(), nullptr);
    EXPECT_EQ(font.GetVertexSet()->GetVertexCount(), 2048u);
    Queue("B", 3.0f, 3.0f);
    Draw();
    EXPECT_TRUE(Filled(3, 3, 5, 7, kBlue));
}

// The engine font's page and metrics draw exactly the bitmaps of its text source.
TEST_F(HUDDrawTest, EngineFontDrawsItsSourceBitmaps)
{
    ASSERT_TRUE(ExtractEngineFile(folder, "Font_Tahoma_8_256.uv"));
    ASSERT_TRUE(ExtractEngineFile(folder, "Font_Tahoma_8_256.dds"));
    std::ifstream source(std::string(ROLT_TEST_SOURCE_DIR) + "/content/EngineArt/EngineFont.txt");
    ASSERT_TRUE(source.good());
    std::map<char, std::vector<std::string>> bitmaps;
    std::string line;
    char current = 0;
    while (std::getline(source, line)) {
        if (line.rfind("== ", 0) == 0)
            current = line.size() == 4 ? line[3] : ' ';
        else if (current && !line.empty() && line[0] != ';')
            bitmaps[current].push_back(line);
    }
    RFont font;
    ASSERT_TRUE(font.LoadGlyphMetrics(folder.Path("Font_Tahoma_8_256.uv").c_str()));
    RHashedString page = LoadPage(folder.Path("Font_Tahoma_8_256.dds"), "FontTest_EnginePage");
    PageMaterial material(effect, "Font", page);
    font.SetMaterial(&material);
    renderer->AddRenderableToGroup(&font, textGroup);
    const std::string text = "Hg!";
    font.QueueString(text.c_str(), 3, kWhite, kWhite, false, 3.0f, 2.0f, 1.0f, 1.0f, 0.0f, 0.0f);
    Draw();

    int penX = 3;
    for (char c : text) {
        const std::vector<std::string>& rows = bitmaps[c];
        ASSERT_EQ(rows.size(), 9u) << c;
        const int width = static_cast<int>(rows[0].size());
        for (int y = 0; y < 11; ++y) {
            for (int x = 0; x <= width; ++x) {
                const bool ink = y >= 1 && y <= 9 && x < width && rows[y - 1][x] == '#';
                EXPECT_EQ(Pixel(penX + x, 2 + y), ink ? kWhite : kBackground) << c << " at " << x << ", " << y;
            }
        }
        penX += width + 1;
    }
}

// The base game's arrangement: the engine font and controller glyphs drawn with the engine's HUD materials,
// effects and pages, a glyph of the "xbox" group placed inline at the pen.
TEST_F(HUDDrawTest, EngineMaterialsDrawTextWithAnInlineControllerGlyph)
{
    const char* files[] = {"Font_Tahoma_8_256.uv", "Font_Tahoma_8_256.dds", "xbox_dxt5.dds", "mod_white.dds"};
    for (const char* name : files)
        ASSERT_TRUE(ExtractEngineFile(folder, name)) << name;
    for (const char* effectBase : {"__ROLT_Default_HUD", "__ROLT_Default_Glyph"}) {
        const std::string base(effectBase);
        for (const char* suffix : {"_GLSL.xml", "_HUD_Main_VS.glsl", "_HUD_Main_PS.glsl", "_HUD_Main_State.ini"})
            ASSERT_TRUE(ExtractEngineFile(folder, (base + suffix).c_str())) << base + suffix;
    }
    RResolutionSensitiveList screen;
    screen.SetResolution(gltest::kWindowWidth, gltest::kWindowHeight, gltest::kWindowWidth, gltest::kWindowHeight);
    RResolutionSensitiveList::SetCurrent(&screen);

    std::unique_ptr<RDefaultFontMaterial> fontMaterial;
    std::unique_ptr<RXboxGlyphsMaterial> padMaterial;
    std::unique_ptr<RDefaultFont> font;
    {
        WorkingDirectory inFolder(folder.Path());
        fontMaterial.reset(RHUDMaterialFactory::BuildHUDMaterial<RDefaultFontMaterial>());
        padMaterial.reset(RHUDMaterialFactory::BuildHUDMaterial<RXboxGlyphsMaterial>());
        font.reset(new RDefaultFont());
    }
    RXboxGlyphs pad;
    pad.SetMaterial(padMaterial.get());
    font->SetMaterial(fontMaterial.get());
    renderer->AddRenderableToGroup(font.get(), textGroup);
    renderer->AddRenderableToGroup(&pad, glyphGroup);
    RGlyphSetMgr::GetInstance()->RegisterGlyphSet(&pad, RHashedString("xbox"), RHashedString("xbox_hud"));
    font->GetGlyphSetNames().insert(RHashedString("xbox_hud"), RHashedString("xbox"));

    const std::string text = "I" + Escape("<img>xbox:a<img>") + "I";
    font->QueueString(text.data(), static_cast<int32_t>(text.size()), kWhite, kWhite, false, 2.0f, 2.0f, 1.0f, 1.0f,
                      0.0f, 0.0f);
    Draw();

    // "I" is three pixels wide with one after; the glyph takes one line height (11 pixels).
    for (int x : {2, 17})
        EXPECT_TRUE(Filled(x, 3, x + 3, 4, kWhite)) << x;  // the bar at the top of each "I"
    EXPECT_TRUE(Filled(17, 2, 21, 3, kBackground));       // the clear row above the letters' ink
    const uint32_t disc = Pixel(6 + 1, 2 + 5);            // the button's left edge, beside its letter
    EXPECT_GT((disc >> 8) & 0xFFu, ((disc >> 16) & 0xFFu) + 40u);
    EXPECT_EQ(pad.GetQueuedCount(), 0u);
    RResolutionSensitiveList::SetCurrent(nullptr);
}
