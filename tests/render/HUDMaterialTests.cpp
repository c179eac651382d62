// The engine's HUD materials: their answers in screen pixels and in the menu space, zero-sized screens, quads
// drawn through the shipped HUD effects and read back, shared resources, and materials that outlive their effect
// or the managers.
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "HUDTestSupport.h"
#include "ShaderTestSupport.h"
#include "render/hud/RHUDMaterials.h"
#include "render/hud/RHUDScreen.h"
#include "render/frame/RRenderTarget.h"
#include "render/effects/RShaderMgr.h"
#include "render/images/RTexMgr.h"

using namespace gltest;
using namespace hudtest;

namespace {

const RHashedString kMainPass("Main");
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// An uncompressed 32-bit DDS file of width x height texels, colour(x, y) each (rows from the top).
template <typename Colour> std::vector<uint8_t> DDSFile(uint32_t width, uint32_t height, Colour colour)
{
    std::vector<uint8_t> b(128, 0);
    auto put = [&b](size_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            b[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    const uint32_t header[][2] = {{0, 0x20534444u}, {4, 124},        {8, 0x1007},         {12, height},
                                  {16, width},      {76, 32},        {80, 0x41},          {88, 32},
                                  {92, 0xFF0000u},  {96, 0xFF00u},   {100, 0xFFu},        {104, 0xFF000000u},
                                  {108, 0x1000}};
    for (const auto& field : header)
        put(field[0], field[1]);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            b.resize(b.size() + 4);
            put(b.size() - 4, colour(x, y));
        }
    }
    return b;
}

// A 64 x 16 button face like the shipped one: transparent corners, an opaque white frame two texels wide and a
// translucent white middle (alpha 0x70).
uint32_t MenuQuadTexel(uint32_t x, uint32_t y)
{
    const bool frameColumn = x < 2 || x > 61;
    const bool frameRow = y < 2 || y > 13;
    if (frameColumn && frameRow)
        return 0;
    return frameColumn || frameRow ? kWhite : 0x70FFFFFFu;
}

// The engine's effects from the source content folder, and the textures the HUD materials name, made here: the
// font page green, the glyph page blue, the menu quad a button face (MenuQuadTexel), the modulation and 64 x 64
// underlay textures white. Set up once per process; the texture folder goes at exit.
class HUDContent {
public:
    static void Prepare()
    {
        static HUDContent content;
        if (!RStreamMgr::GetInstance()->Exists("menu_underlay.dds", RStreamMgr::kFoldersOnly)) {
            RStreamMgr::GetInstance()->AddSearchPath(ROLT_TEST_SOURCE_DIR "/content/Engine");
            RStreamMgr::GetInstance()->AddSearchPath(content.m_textures.path.c_str());
        }
    }
private:
    HUDContent()
    {
        auto solid = [](uint32_t colour) { return DDSFile(4, 4, [colour](uint32_t, uint32_t) { return colour; }); };
        Write("Font_Tahoma_8_256.dds", solid(kGreen));
        Write("xbox_dxt5.dds", solid(kBlue));
        Write("menu_quad.dds", DDSFile(64, 16, MenuQuadTexel));
        Write("mod_white.dds", solid(kWhite));
        Write("menu_underlay.dds", DDSFile(64, 64, [](uint32_t, uint32_t) { return kWhite; }));
    }
    void Write(const char* name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream out(m_textures.File(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    shadertest::EffectFolder m_textures;
};

// One quad of the HUD vertex layout (POSITION with y negated, TEXCOORD0 0..1 across the quad, TEXCOORD1 the
// cell value given, COLOR) from (left, top) to (right, bottom) in pixels or menu units, y down.
struct HUDQuad {
    RMesh mesh;
    RVertexSet set;
    RIndexBuffer indices;

    bool Make(float left, float top, float right, float bottom, float cellX = -1.0f, float cellY = -1.0f)
    {
        const float positions[12] = {left, -top, 0, right, -top, 0, left, -bottom, 0, right, -bottom, 0};
        const float page[8] = {0, 0, 1, 0, 0, 1, 1, 1};
        float cell[8] = {0, 0, 1, 0, 0, 1, 1, 1};
        for (int i = 0; cellX >= 0.0f && i < 4; ++i) {
            cell[2 * i] = cellX;
            cell[2 * i + 1] = cellY;
        }
        const uint32_t colours[4] = {kWhite, kWhite, kWhite, kWhite};
        const RVertexStreamDesc streams[4] = {{positions, 12, STREAM_POSITION, false},
                                              {page, 8, STREAM_TEXCOORD0, false},
                                              {cell, 8, STREAM_TEXCOORD1, false},
                                              {colours, 4, STREAM_COLOR, false}};
        const uint16_t list[6] = {0, 2, 1, 1, 2, 3};
        if (!set.Create(streams, 4, 4) || !indices.Create(list, 6, false))
            return false;
        mesh.SetVertexSet(&set);
        mesh.SetIndexBuffer(&indices);
        return true;
    }
};

// A pixel of the 64 x 48 window by column and row from the top.
uint32_t Pixel(int column, int row)
{
    return ReadPixel(column, kWindowHeight - 1 - row);
}

class HUDMaterialGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        HUDContent::Prepare();
        renderer->ClearColourAndDepth(kBlack, 1.0f);
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->SetEffect(nullptr);
        glUseProgram(0);
        glDisable(GL_BLEND);
        renderer->SetDefaultState();
    }

    // Draws the quad with the material as the draw loop does; false when the material gives no technique.
    bool Draw(HUDQuad& quad, RMaterialInterface* material)
    {
        quad.mesh.SetMaterial(material);
        return materialtest::DrawForPass(renderer, &quad.mesh, kMainPass);
    }
};

template <typename T> std::unique_ptr<T> Build()
{
    return std::unique_ptr<T>(RHUDMaterialFactory::BuildHUDMaterial<T>());
}

}  // namespace

TEST(HUDMaterialAnswers, ScreenPixelAndMenuSpaceAnswersFollowTheScreenAndTheMenus)
{
    struct Case {
        int32_t width, height;
        bool menu;
        float slide, xAdjustment, yAdjustment;
        float invHalfWidth, invHalfHeight, xOffset, yOffset;
    };
    const float wide = 1920.0f / 1080.0f;
    const Case cases[] = {
        // Screen pixels ignore the menus.
        {1280, 720, false, 0.5f, 3.0f, 0.0f, 2.0f / 1280.0f, 2.0f / 720.0f, 0.0f, 0.0f},
        // Exactly 4:3: the slide as it is.
        {1024, 768, true, 0.25f, 0.0f, 0.0f, 1.0f / 512.0f, 2.0f / 768.0f, 0.25f, 0.0f},
        // Wide: the slide scaled to the menu space, then the top menu's adjustments, the menus centred.
        {1920, 1080, true, 0.5f, 0.125f, -0.25f, 1.0f / (384.0f * wide),
         2.0f / 768.0f, 0.5f * (4.0f / 3.0f) / wide + 0.125f + 0.25f, -0.25f},
        // Tall: centred vertically.
        {600, 800, true, -0.5f, 0.0f, 0.0f, 2.0f / 1024.0f, 0.75f * 0.75f / 384.0f, -0.5f, 1.0f - 0.75f * 0.75f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        ScreenSize screen(c.width, c.height);
        TestMenuState menus;
        menus.slideOffset = c.slide;
        menus.xAdjustment = c.xAdjustment;
        menus.yAdjustment = c.yAdjustment;
        RDefaultFontMaterial pixels;
        RXboxGlyphsMaterial_Menu menu;
        RShaderParamInformant& material = c.menu ? static_cast<RShaderParamInformant&>(menu) : pixels;
        EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenWidth"), c.invHalfWidth);
        EXPECT_FLOAT_EQ(AnsweredFloat(material, "INVHALFSCREENHEIGHT"), c.invHalfHeight);
        EXPECT_FLOAT_EQ(AnsweredFloat(material, "xOffset"), c.xOffset);
        EXPECT_FLOAT_EQ(AnsweredFloat(material, "yOffset"), c.yOffset);
        EXPECT_EQ(AnsweredVector(material, "modColor").w, 1.0f);
    }
}

TEST(HUDScreen, ZeroSizedScreensGiveFiniteFactors)
{
    for (auto size : {std::make_pair(0, 0), std::make_pair(0, 720), std::make_pair(1280, 0), std::make_pair(-5, -5)}) {
        SCOPED_TRACE(std::to_string(size.first) + " x " + std::to_string(size.second));
        RMenuSpace space = RHUDScreen::MenuSpaceFor(size.first, size.second);
        EXPECT_TRUE(std::isfinite(space.invHalfWidth) && std::isfinite(space.invHalfHeight) &&
                    std::isfinite(space.xOffset) && std::isfinite(space.yOffset));
        ScreenSize screen(size.first, size.second);
        RDefaultFontMaterial pixels;
        RMenuUnderlayMaterial menu;
        TestMenuState menus;
        menus.slideOffset = 1.0f;
        for (const char* name : {"invHalfScreenWidth", "invHalfScreenHeight", "xOffset", "yOffset"}) {
            EXPECT_TRUE(std::isfinite(AnsweredFloat(pixels, name))) << name;
            EXPECT_TRUE(std::isfinite(AnsweredFloat(menu, name))) << name;
        }
    }
    RResolutionSensitiveList* previous = RResolutionSensitiveList::GetCurrent();
    RResolutionSensitiveList::SetCurrent(nullptr);
    RDefaultFontMaterial pixels;
    EXPECT_EQ(AnsweredFloat(pixels, "invHalfScreenWidth"), 2.0f);
    RResolutionSensitiveList::SetCurrent(previous);
}

// Screen-pixel quads land on those pixels, glyph corners on the half-pixel grid on whole pixels, and for a screen
// twice the window's size the same pixels take half the room.
TEST_F(HUDMaterialGLTest, QuadsInScreenPixelsLandOnThosePixels)
{
    auto font = Build<RDefaultFontMaterial>();
    auto glyphs = Build<RXboxGlyphsMaterial>();
    struct Case {
        RMaterial* material;
        float left, top, right, bottom;
        int screenScale;
        uint32_t colour;
        int firstColumn, firstRow, lastColumn, lastRow;
    };
    for (Case c : {Case{font.get(), 16, 8, 32, 24, 1, kGreen, 16, 8, 31, 23},
                   Case{glyphs.get(), 9.5f, 19.5f, 17.5f, 27.5f, 1, kBlue, 10, 20, 17, 27},
                   Case{font.get(), 16, 8, 32, 24, 2, kGreen, 8, 4, 15, 11}}) {
        SCOPED_TRACE(std::to_string(c.left) + " scale " + std::to_string(c.screenScale));
        renderer->ClearColour(kBlack);
        ScreenSize screen(c.screenScale * kWindowWidth, c.screenScale * kWindowHeight);
        HUDQuad quad;
        ASSERT_TRUE(quad.Make(c.left, c.top, c.right, c.bottom));
        ASSERT_TRUE(Draw(quad, c.material));
        EXPECT_EQ(Pixel(c.firstColumn, c.firstRow), c.colour);
        EXPECT_EQ(Pixel(c.lastColumn, c.lastRow), c.colour);
        EXPECT_EQ(Pixel(c.firstColumn - 1, c.firstRow), kBlack);
        EXPECT_EQ(Pixel(c.lastColumn + 1, c.firstRow), kBlack);
        EXPECT_EQ(Pixel(c.firstColumn, c.firstRow - 1), kBlack);
        EXPECT_EQ(Pixel(c.firstColumn, c.lastRow + 1), kBlack);
    }
}

TEST_F(HUDMaterialGLTest, MaterialsShareTheirEffectAndTexturesAndReleaseThemOnce)
{
    const RHashedString effect("__Default_Font Shader");
    const RHashedString page("__Default_Font_Tahoma_8");
    const RHashedString mod("__Default_Mod");
    {
        auto glyphs = Build<RXboxGlyphsMaterial>();
        { RXboxGlyphsMaterial_Menu neverLoaded; }  // shares the glyph effect and texture, releases nothing
        EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(RHashedString("__Default_Glyph Shader")), 1);
        EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(RHashedString("XBOX_BUTTONS_GLYPHS")), 1);
    }
    auto first = Build<RDefaultFontMaterial>();
    auto second = Build<RDefaultMenuFontMaterial>();
    EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(effect), 2);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(page), 2);
    first->LoadResources();  // loading again takes no further references
    EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(effect), 2);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(page), 2);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(mod), 2);

    first.reset();
    EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(effect), 1);
    EXPECT_NE(RTexMgr::GetInstance()->GetTexture(mod), nullptr);
    ScreenSize screen(kWindowWidth, kWindowHeight);
    HUDQuad whole;
    ASSERT_TRUE(whole.Make(0, 0, 1024, 768));
    ASSERT_TRUE(Draw(whole, second.get()));
    EXPECT_EQ(Pixel(32, 24), kGreen);
    second.reset();
    EXPECT_FALSE(RShaderMgr::GetInstance()->Exists(effect));
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(page));
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(mod));
}

TEST_F(HUDMaterialGLTest, AMaterialWhoseEffectWasUnloadedElsewhereDrawsNothing)
{
    const RHashedString effect("__Default_Menu_Quad Shader");
    auto material = Build<RMenuQuadMaterial>();
    ASSERT_NE(material->GetTechniqueForPass(kMainPass), nullptr);
    renderer->UnloadShader(effect);
    ASSERT_FALSE(RShaderMgr::GetInstance()->Exists(effect));
    EXPECT_EQ(material->GetTechniqueForPass(kMainPass), nullptr);
    ScreenSize screen(kWindowWidth, kWindowHeight);
    HUDQuad whole;
    ASSERT_TRUE(whole.Make(0, 0, 1024, 768));
    EXPECT_FALSE(Draw(whole, material.get()));
    EXPECT_EQ(Pixel(32, 24), kBlack);
    std::unique_ptr<RMaterialInst> instance(material->CreateInstance());
    EXPECT_EQ(instance->GetTechniqueForPass(kMainPass), nullptr);
}

TEST_F(HUDMaterialGLTest, MaterialsOutlivingTheManagersNeitherTouchNorRecreateThem)
{
    auto font = Build<RDefaultFontMaterial>();
    auto quad = Build<RMenuQuadMaterial>();
    // The engine's shut-down order: the managers go while the game still holds its materials.
    RTexMgr::DestroyInstance();
    RShaderMgr::DestroyInstance();
    EXPECT_EQ(font->GetTechniqueForPass(kMainPass), nullptr);
    EXPECT_EQ(quad->GetTechniqueForPass(kMainPass), nullptr);
    font.reset();
    quad.reset();
    EXPECT_FALSE(RShaderMgr::HasInstance());
    EXPECT_FALSE(RTexMgr::HasInstance());
}

// Menu button quads multiply two textures (the 64 x 16 face on unit 0, the 4 x 4 modulation texture on unit 1)
// by the modulation, vertex and overlay colours, blended by alpha with the depth test off. The menus draw them
// into off-screen targets; there, as on the back buffer, the middle of a button is the face's translucent middle
// over black, scaled by the overlay's opacity, in targets of either format.
TEST_F(HUDMaterialGLTest, MenuQuadsShowOnTheBackBufferAndInOffScreenTargets)
{
    auto quad = Build<RMenuQuadMaterial>();
    TestMenuState menus;
    RRenderTarget rgb(RHashedString("HUDTest_MenuTargetRGB"), 1280, 720, RRenderer::FORMAT_RGB, 0, 0);
    RRenderTarget rgba(RHashedString("HUDTest_MenuTargetRGBA"), 1280, 720, RRenderer::FORMAT_RGBA, 0, 0);
    ASSERT_TRUE(rgb.framebuffer && rgba.framebuffer);
    for (RRenderTarget* into : {static_cast<RRenderTarget*>(nullptr), &rgb, &rgba}) {
        SCOPED_TRACE(!into ? "back buffer" : into == &rgb ? "RGB target" : "RGBA target");
        const int width = into ? 1280 : kWindowWidth;
        const int height = into ? 720 : kWindowHeight;
        ScreenSize screen(width, height);
        // A button of the menu space's middle third, in the lower part of the screen.
        HUDQuad button;
        ASSERT_TRUE(button.Make(340, 560, 684, 620));
        // Its middle (512, 590) in window pixels from the bottom left, as the menu effects place it.
        const RMenuSpace space = RHUDScreen::MenuSpaceFor(width, height);
        const int column = static_cast<int>((512.0f * space.invHalfWidth + space.xOffset) * 0.5f * width);
        const int row = static_cast<int>((2.0f - 590.0f * space.invHalfHeight - space.yOffset) * 0.5f * height);
        for (auto overlay : {std::make_pair(kWhite, 0x70), std::make_pair(0x80FFFFFFu, 0x38)}) {
            menus.overlayColour = overlay.first;
            if (into)
                renderer->BindRenderTarget(into, 0);
            renderer->ClearColour(kBlack);
            ASSERT_TRUE(Draw(button, quad.get()));
            const uint32_t pixel = ReadPixel(column, row);
            renderer->BindDefaultTarget();
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(static_cast<int>((pixel >> shift) & 0xFF), overlay.second, 2)
                    << std::hex << "overlay " << overlay.first << " pixel " << pixel;
        }
    }
}
