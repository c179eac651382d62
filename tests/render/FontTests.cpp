// Fonts: the ".uv" reader against sound and hostile files, the bounded text queue, measuring, and drawing a
// test page with an inline glyph set read back pixel by pixel.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "GLTestSupport.h"
#include "ImageTestFiles.h"
#include "core/files/RStreamMgr.h"
#include "core/types/RString.h"
#include "core/system/RTickable.h"
#include "render/text/RFont.h"
#include "render/text/RGlyphSet.h"
#include "render/text/RGlyphSetMgr.h"
#include "render/materials/RMaterial.h"
#include "render/frame/RRenderGroup.h"
#include "render/frame/RRenderPass.h"
#include "render/effects/RShaderParam.h"

namespace {

// Packed colours 0xAARRGGBB.
constexpr uint32_t kBackground = 0xFF203040u;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr int32_t kLineHeight = 4;

void PutU32(std::string& out, uint32_t value)
{
    for (int b = 0; b < 4; ++b)
        out.push_back(static_cast<char>(value >> (8 * b)));
}

struct UVRecord {
    uint8_t code;
    uint32_t width;
    float leftU, topV, rightU, bottomV;
    int32_t left, right;
};

// Four glyphs two pixels wide with one pixel after (advance 3), each over its colour's columns of the test
// page; a space advancing 2; and code 0xE9, one pixel wide after one pixel of space, over the white columns.
std::vector<UVRecord> TestRecords()
{
    return {{'R', 2, 0.0f / 16, 0.0f, 2.0f / 16, 1.0f, 0, 1},   {'G', 2, 4.0f / 16, 0.0f, 6.0f / 16, 1.0f, 0, 1},
            {'B', 2, 8.0f / 16, 0.0f, 10.0f / 16, 1.0f, 0, 1},  {'W', 2, 12.0f / 16, 0.0f, 14.0f / 16, 1.0f, 0, 1},
            {' ', 0, 0.0f, 0.0f, 0.0f, 0.0f, 0, 2},             {0xE9, 1, 12.0f / 16, 0.0f, 13.0f / 16, 1.0f, 1, 0}};
}

// A ".uv" file: the count as given, the line height, 52 header bytes counting up from 1, then the records.
std::string MakeUV(int32_t count, int32_t lineHeight, const std::vector<UVRecord>& records = TestRecords())
{
    std::string out;
    PutU32(out, static_cast<uint32_t>(count));
    PutU32(out, static_cast<uint32_t>(lineHeight));
    for (int i = 0; i < 52; ++i)
        out.push_back(static_cast<char>(i + 1));
    for (const UVRecord& r : records) {
        out.push_back(static_cast<char>(r.code));
        PutU32(out, r.width);
        for (float f : {r.leftU, r.topV, r.rightU, r.bottomV}) {
            uint32_t bits;
            std::memcpy(&bits, &f, sizeof(bits));
            PutU32(out, bits);
        }
        PutU32(out, static_cast<uint32_t>(r.left));
        PutU32(out, static_cast<uint32_t>(r.right));
    }
    return out;
}

// A one-level 32-bit DDS page of 16 x 4 texels: four columns each of red, green, blue and white.
std::string TestPage()
{
    std::string out = "DDS ";
    const uint32_t header[31] = {124, 0x100F, 4, 16, 64, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0x41, 0, 32,
                                 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0x1000};
    for (uint32_t word : header)
        PutU32(out, word);
    for (int i = 0; i < 64; ++i)
        PutU32(out, i % 16 < 4 ? kRed : i % 16 < 8 ? kGreen : i % 16 < 12 ? kBlue : kWhite);
    return out;
}

std::string Escape(const char* markup)
{
    RString expanded = RString(markup).ExpandImgMarkup();
    return std::string(expanded.GetString(), static_cast<size_t>(expanded.GetLength()));
}

void Queue(RFont& font, const std::string& text, float x, float y, float widthLimit = 0.0f, float heightLimit = 0.0f)
{
    font.QueueString(text.data(), static_cast<int32_t>(text.size()), kWhite, kWhite, false, x, y, 1.0f, 1.0f,
                     widthLimit, heightLimit);
}

// A file of this process's temporary folder, named by its absolute path.
std::string TestFile(const std::string& name)
{
    static const imagetest::TempFolder folder;
    return folder.File(name);
}
std::string Write(const std::string& name, const std::string& bytes)
{
    std::ofstream(TestFile(name), std::ios::binary) << bytes;
    return TestFile(name);
}

}  // namespace

TEST(FontFile, LoadsSoundFilesAndRefusesHostileOnesLeavingTheFontAsItWas)
{
    RFont font;
    for (int32_t count : {0, -5}) {  // no records: only the header is taken
        ASSERT_TRUE(font.LoadGlyphMetrics(Write("h.uv", MakeUV(count, 9)).c_str()));
        EXPECT_EQ(font.GetLineHeight(), 9);
        EXPECT_EQ(font.GetGlyphMetrics('R').width, 0.0f);
    }
    std::vector<UVRecord> records = TestRecords();
    records.push_back({'R', 3, 0.5f, 0.25f, 0.75f, 0.5f, -1, 2});  // a later record of a code replaces the first
    ASSERT_TRUE(font.LoadGlyphMetrics(Write("a.uv", MakeUV(7, kLineHeight, records)).c_str()));
    EXPECT_EQ(font.GetHeaderRest()[51], 52);
    EXPECT_EQ(font.GetGlyphMetrics('R').left, -1.0f);
    EXPECT_EQ(font.GetGlyphMetrics('G').leftU, 0.25f);

    const std::string good = MakeUV(7, kLineHeight, records);
    auto with = [&](void (*change)(UVRecord&)) {
        std::vector<UVRecord> hostile = records;
        change(hostile[1]);
        return MakeUV(7, kLineHeight, hostile);
    };
    const std::map<std::string, std::string> bad = {
        {"empty", ""},
        {"short header", good.substr(0, 59)},
        {"last record cut", good.substr(0, good.size() - 1)},
        {"count past the records", MakeUV(8, kLineHeight, records)},
        {"huge count", MakeUV(INT32_MAX, kLineHeight, records)},
        {"count whose size wraps 32 bits", MakeUV(0x08D3DCB1, kLineHeight, records)},  // 29 x count ~ 2^32
        {"zero line height", MakeUV(7, 0, records)},
        {"negative line height", MakeUV(7, -4, records)},
        {"huge line height", MakeUV(7, 1 << 20, records)},
        {"huge width", with([](UVRecord& r) { r.width = 0xFFFFFFFFu; })},
        {"huge left", with([](UVRecord& r) { r.left = INT32_MIN; })},
        {"huge right", with([](UVRecord& r) { r.right = INT32_MAX; })},
        {"NaN page coordinate", with([](UVRecord& r) { r.leftU = std::numeric_limits<float>::quiet_NaN(); })},
        {"infinite page coordinate", with([](UVRecord& r) { r.bottomV = std::numeric_limits<float>::infinity(); })},
        {"a DDS page", TestPage()},  // its "DDS " magic read as a count of half a billion records
    };
    for (const auto& entry : bad) {
        EXPECT_FALSE(font.LoadGlyphMetrics(Write("bad.uv", entry.second).c_str())) << entry.first;
        EXPECT_EQ(font.GetLineHeight(), kLineHeight) << entry.first;
        EXPECT_EQ(font.GetGlyphMetrics('R').width, 3.0f) << entry.first;
        EXPECT_EQ(font.GetGlyphMetrics('G').leftU, 0.25f) << entry.first;
    }
    EXPECT_FALSE(font.LoadGlyphMetrics(TestFile("missing.uv").c_str()));
    EXPECT_FALSE(font.LoadGlyphMetrics(nullptr));
    EXPECT_EQ(font.GetLineHeight(), kLineHeight);
}

// A text is copied again when its memory holds new bytes, and a shadow shares the copy of its text; the buffer
// and the queue are bounded and emptied every engine frame.
TEST(FontQueue, CopiesNewTextsOnlyStaysBoundedAndEmptiesEveryFrame)
{
    RTickableManager* ticks = RTickableManager::GetInstance();
    const uint32_t listed = ticks->GetListCount(RTickableBase::kEngineFrame);
    {
        RFont font;
        EXPECT_EQ(ticks->GetListCount(RTickableBase::kEngineFrame), listed + 1);
        char buffer[8] = "RG";
        font.QueueStringWithShadow(buffer, 2, 0x80FF0000u, 0x4000FF00u, true, 10.0f, 20.0f, 1.0f, 1.0f, 0.0f, 0.0f,
                                   1.0f, 2.0f);
        std::strcpy(buffer, "BW");
        Queue(font, buffer, 0.0f, 0.0f);
        ASSERT_EQ(font.GetQueuedCount(), 3u);
        EXPECT_EQ(font.GetQueued(0).text, font.GetQueued(1).text);
        EXPECT_EQ(font.GetQueued(0).topColour, 0x80000000u);  // the shadow: black at the text's opacity
        EXPECT_EQ(font.GetQueued(0).y, 22.0f);
        EXPECT_STREQ(font.GetQueued(1).text, "RG");
        EXPECT_STREQ(font.GetQueued(2).text, "BW");

        Queue(font, std::string(4084, 'R'), 0.0f, 0.0f);  // 6 + 4085 bytes
        Queue(font, "GGGGG", 0.0f, 0.0f);                 // 4097 bytes: dropped
        Queue(font, "B", 0.0f, 0.0f);
        font.QueueString("W", INT32_MAX, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);  // never read
        font.QueueString(nullptr, 3, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
        font.QueueString("R", -1, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
        ASSERT_EQ(font.GetQueuedCount(), 5u);
        EXPECT_EQ(font.GetTextBufferUsed(), 4093u);
        EXPECT_STREQ(font.GetQueued(4).text, "B");

        ticks->PostTick(RTickableBase::kEngineFrame, 0.016f);
        EXPECT_EQ(font.GetQueuedCount(), 0u);
        EXPECT_EQ(font.GetTextBufferUsed(), 0u);
        const char* text = "RG";  // the same text takes no buffer space, so the queue has its own bound
        for (int i = 0; i < 5000; ++i)
            font.QueueString(text, 2, kWhite, kWhite, false, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f);
        EXPECT_EQ(font.GetQueuedCount(), RFont::kMaxQueuedStrings);
    }
    EXPECT_EQ(ticks->GetListCount(RTickableBase::kEngineFrame), listed);
}

// Every text is measured from a heap copy of exactly its bytes, so reading past them shows under the sanitizer.
TEST(FontMeasure, LaysTextOutAsADrawWould)
{
    RFont font;
    ASSERT_TRUE(font.LoadGlyphMetrics(Write("m.uv", MakeUV(6, kLineHeight)).c_str()));
    struct Case {
        std::string text;
        int32_t steps;
        float scaleX, scaleY, widthLimit, heightLimit;
        size_t end;
        float width, height;
    };
    const std::string inlineGlyph = Escape("<img>xbox:a<img>");
    const Case cases[] = {
        {"RGB", 99, 1, 1, 0, 0, 3, 9, 4},
        {"RGB", 99, 2, 3, 0, 0, 3, 18, 12},
        {"RGB", 0, 1, 2, 0, 0, 0, 0, 8},              // no steps: one empty line
        {"RGBWR", 3, 1, 1, 0, 0, 3, 9, 4},            // the step limit
        {"R\nGBW", 99, 1, 1, 0, 0, 5, 9, 8},          // the widest line counts
        {"R\t\r\x81\x8D\x8F\x90\x9DG", 99, 1, 1, 0, 0, 9, 6, 4},  // control and undefined codes take no space
        {"\xE9\xE9\xFF", 99, 1, 1, 0, 0, 3, 4, 4},    // codes above 127 have their own metrics, or none
        {"RGB", 99, 1, 1, 100, 0, 0, 0, 0},           // nothing fits under a zero height limit
        {"RG BW RG", 99, 1, 1, 10, 100, 8, 8, 12},    // words wrap whole
        {"RG BW RG", 99, 1, 1, 10, 8, 6, 8, 8},       // the first word that does not fit ends the text
        {"RG RGBWRGBW", 99, 1, 1, 10, 12, 3, 8, 12},  // a word wider than the line fits on none
        {"R" + inlineGlyph + "G", 99, 2, 1, 0, 0, 11, 20, 4},  // an inline glyph is one line height wide
        {"R\x7F" "G", 99, 1, 1, 0, 0, 1, 3, 4},       // an inline glyph code cut short ends the text
    };
    for (const Case& c : cases) {
        std::unique_ptr<char[]> text(new char[c.text.size()]);
        std::memcpy(text.get(), c.text.data(), c.text.size());
        float width = -1.0f;
        float height = -1.0f;
        const char* end = font.MeasureString(text.get(), c.steps, &width, &height, c.scaleX, c.scaleY, c.widthLimit,
                                             c.heightLimit, static_cast<int32_t>(c.text.size()));
        EXPECT_EQ(end, text.get() + c.end) << c.text;
        EXPECT_EQ(width, c.width) << c.text;
        EXPECT_EQ(height, c.height) << c.text;
    }
    EXPECT_EQ(font.GetGlyphSetNames().getCount(), 0);  // measuring looks no glyph set up

    // A word that never fits, tiny lines and a vast height limit: the lines are not walked one by one.
    float height = 0.0f;
    const char* wide = "RGBWRGBW";
    EXPECT_EQ(font.MeasureString(wide, 99, nullptr, &height, 1.0f, 1e-6f, 10.0f, 1e30f), wide);
    EXPECT_LE(height, 1e30f);
    EXPECT_GT(height, 0.9e30f);
}

namespace {

// Screen pixels (vertex y = negated screen row, shifted by the technique's offset) to the test window's clip
// space; the page texel times the vertex colour, blended by alpha, with point sampling.
std::string HUDVertexShader(const char* shift)
{
    return std::string("attribute vec3 inPosition; attribute vec2 inPageCoord; attribute vec4 inColour;\n"
                       "varying vec2 pageCoord; varying vec4 colour;\nvoid main() { vec2 p = inPosition.xy + vec2(") +
           shift + "); gl_Position = vec4(p.x * 2.0 / " + std::to_string(gltest::kWindowWidth) + ".0 - 1.0, p.y * 2.0 / " +
           std::to_string(gltest::kWindowHeight) + ".0 + 1.0, 0.0, 1.0); pageCoord = inPageCoord; colour = inColour; }\n";
}
const char* const kHUDPixelShader = "uniform sampler2D elemTex; varying vec2 pageCoord; varying vec4 colour;\n"
                                    "void main() { gl_FragColor = texture2D(elemTex, pageCoord) * colour; }\n";
const char* const kHUDState = "[RenderStates]\nAlphaBlendEnable = True\nSrcBlend = SrcAlpha\nDestBlend = InvSrcAlpha\n"
                              "ZEnable = False\nZWriteEnable = False\nCullMode = None\n"
                              "[Uniforms]\nelemTex = texture,1,material\n"
                              "[Attributes]\ninPosition = POSITION\ninPageCoord = TEXCOORD0\ninColour = COLOR\n"
                              "[elemTex]\nAddressU = Clamp\nAddressV = Clamp\n"
                              "MagFilter = Point\nMinFilter = Point\nMipFilter = Point\n";

// A material drawing with one technique of the effect and answering "elemTex" with a named texture.
class PageMaterial : public RMaterial {
public:
    PageMaterial(RShader* effect, const char* technique, RHashedString texture) : m_texture(texture)
    {
        SetDefaultTechnique(effect, RHashedString(technique));
    }
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name != RHashedString("elemTex"))
            return RMaterial::InformShaderParams(mapping, renderPassId, requester);
        mapping->SetTexture(m_texture);
        return true;
    }

private:
    RHashedString m_texture;
};

// Draws into the test window through one render pass holding a text group and then a glyph group, with the
// effect "fonthud": technique "Font" draws quads where they are put, "Glyph" half a pixel down and right, as
// glyph sets expect. Every earlier pass and group of the renderer is gone.
class FontDraw : public gltest::GLTest {
protected:
    void SetUp() override
    {
        gltest::GLTest::SetUp();
        if (IsSkipped())
            return;
        while (renderer->GetRenderPasses().getCount() > 0)
            renderer->DestroyRenderPass(renderer->GetRenderPasses()[0]->id);
        while (renderer->GetRenderGroups().getCount() > 0)
            renderer->DestroyRenderGroup(renderer->GetRenderGroups()[0]->id);
        renderer->SetCurrentRenderTarget(nullptr);
        RRenderPass* pass = renderer->CreateRenderPass(passId);
        pass->clearColourFlag = true;
        pass->clearColour = kBackground;
        for (RHashedString group : {textGroup, glyphGroup}) {
            renderer->CreateRenderGroup(group);
            renderer->AddGroupToPass(group, passId);
        }
        Write("fonthud_GLSL.xml", "<technique name=\"Font\"><pass name=\"P\"/></technique>"
                                  "<technique name=\"Glyph\"><pass name=\"P\"/></technique>");
        Write("fonthud_Font_P_VS.glsl", HUDVertexShader("0.0, 0.0"));
        Write("fonthud_Glyph_P_VS.glsl", HUDVertexShader("0.5, -0.5"));
        for (std::string technique : {"Font", "Glyph"}) {
            Write("fonthud_" + technique + "_P_PS.glsl", kHUDPixelShader);
            Write("fonthud_" + technique + "_P_State.ini", kHUDState);
        }
        effect = renderer->LoadShader(TestFile("fonthud.fxo").c_str(), effectName);
        ASSERT_NE(effect, nullptr);
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->DestroyRenderPass(passId);
        renderer->DestroyRenderGroup(textGroup);
        renderer->DestroyRenderGroup(glyphGroup);
        for (RHashedString name : textures)
            renderer->UnloadTexture(name);
        if (effect)
            renderer->UnloadShader(effectName);
    }

    // A material of the technique over a page loaded from the file, unloaded after the test.
    std::unique_ptr<PageMaterial> PageOf(const char* technique, const std::string& fileName, const char* name)
    {
        textures.push_back(RHashedString(name));
        EXPECT_NE(renderer->LoadTexture(fileName.c_str(), textures.back()), nullptr) << fileName;
        return std::unique_ptr<PageMaterial>(new PageMaterial(effect, technique, textures.back()));
    }
    void Draw() { renderer->RenderStage(RHashedString()); }
    // The pixel at screen column x, row y (from the top).
    static uint32_t Pixel(int x, int y) { return gltest::ReadPixel(x, gltest::kWindowHeight - 1 - y); }
    // Whether every pixel of the rectangle (right and bottom excluded) is colour.
    static bool Filled(int left, int top, int right, int bottom, uint32_t colour)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (Pixel(x, y) != colour)
                    return false;
        return true;
    }

    RHashedString passId{"FontTest_Pass"};
    RHashedString textGroup{"FontTest_Text"};
    RHashedString glyphGroup{"FontTest_Glyphs"};
    RHashedString effectName{"FontTest_HUD"};
    RShader* effect = nullptr;
    std::vector<RHashedString> textures;
};

}  // namespace

TEST_F(FontDraw, DrawsWrappedTextInlineGlyphsAndLongQueuesAfterADeviceReset)
{
    RFont font;
    ASSERT_TRUE(font.LoadGlyphMetrics(Write("draw.uv", MakeUV(6, kLineHeight)).c_str()));
    std::unique_ptr<PageMaterial> material = PageOf("Font", Write("page.dds", TestPage()), "FontTest_Page");
    PageMaterial glyphMaterial(effect, "Glyph", RHashedString("FontTest_Page"));
    font.SetMaterial(material.get());
    renderer->AddRenderableToGroup(&font, textGroup);
    RGlyphSet set;
    set.AddGlyph(RGlyph{12.0f / 16, 0.0f, 4.0f / 16, 1.0f, 1.0f, 1.0f}, RHashedString("sq"));  // one white cell
    set.SetMaterial(&glyphMaterial);
    renderer->AddRenderableToGroup(&set, glyphGroup);
    RGlyphSetMgr::GetInstance()->RegisterGlyphSet(&set, RHashedString("fonttest"), RHashedString("fonttest_hud"));
    font.GetGlyphSetNames().insert(RHashedString("fonttest_hud"), RHashedString("fonttest"));
    renderer->ReleaseAllDynamic();
    EXPECT_EQ(font.GetVertexSet(), nullptr);
    renderer->RenewAllDynamic();
    ASSERT_NE(font.GetVertexSet(), nullptr);

    Queue(font, "R" + Escape("<img>fonttest:sq<img>") + "G", 2.0f, 2.0f);
    Queue(font, std::string("R\x7F", 2), 40.0f, 2.0f);          // inline glyph codes cut short
    Queue(font, std::string("G\x7F\x01\x02", 4), 50.0f, 2.0f);
    Queue(font, "RG BW RG", 0.0f, 10.0f, 10.0f, 8.0f);          // two lines fit
    Queue(font, "RGBWRGBW", 30.0f, 10.0f, 10.0f, 100.0f);       // never fits: nothing, and no hang
    // Glyph 'Z' has no record: an empty quad without advance. The text takes all but three bytes of the buffer
    // and several batches of quads; of the two strings after it only the one that fits is drawn.
    std::string batches(RFont::kTextBufferSize - font.GetTextBufferUsed() - 4, 'Z');
    batches[RFont::kBatchQuads + 100] = 'R';
    batches[3 * RFont::kBatchQuads] = 'G';
    batches.back() = 'B';
    Queue(font, batches, 2.0f, 30.0f);
    Queue(font, "GGGGG", 20.0f, 30.0f);
    Queue(font, "R", 2.0f, 40.0f);
    Draw();

    struct Area {
        int left, top, right, bottom;
        uint32_t colour;
    };
    const Area areas[] = {
        {2, 2, 4, 6, kRed}, {5, 2, 9, 6, kWhite}, {9, 2, 11, 6, kGreen},  // the glyph, a line height square
        {40, 2, 42, 6, kRed}, {42, 2, 50, 6, kBackground}, {50, 2, 52, 6, kGreen}, {52, 0, 64, 8, kBackground},
        {0, 10, 2, 14, kRed}, {3, 10, 5, 14, kGreen}, {0, 14, 2, 18, kBlue}, {3, 14, 5, 18, kWhite},
        {0, 18, 64, 22, kBackground}, {30, 10, 64, 18, kBackground}, {2, 30, 4, 34, kRed}, {5, 30, 7, 34, kGreen},
        {8, 30, 10, 34, kBlue}, {20, 30, 40, 34, kBackground}, {2, 40, 4, 44, kRed}};
    for (const Area& a : areas)
        EXPECT_TRUE(Filled(a.left, a.top, a.right, a.bottom, a.colour)) << a.left << ", " << a.top;
    EXPECT_EQ(font.GetQueuedCount(), 0u);
    EXPECT_EQ(set.GetQueuedCount(), 0u);
}
