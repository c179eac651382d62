// The engine's HUD materials: their names and informant answers in screen pixels and in the menu space (fitted
// to wide, 4:3 and tall screens, with the slide and the top menu's adjustments), the engine's HUD effects as
// shipped in the content folder, quads drawn through them and read back, the overlay colour and slide offset
// reaching the shader, shared resources, and materials that outlive their effect.
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "HUDTestSupport.h"
#include "MaterialTestEffects.h"
#include "ShaderTestSupport.h"
#include "render/RHUDMaterials.h"
#include "render/RHUDScreen.h"
#include "render/RShaderMgr.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"

using namespace gltest;
using namespace hudtest;

namespace {

const RHashedString kMainPass("Main");
constexpr uint32_t kPageGreen = 0xFF00FF00u;
constexpr uint32_t kGlyphBlue = 0xFF0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kRed = 0xFFFF0000u;

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// An uncompressed 32-bit DDS file of width x height texels, colour(x, y) each (rows from the top).
template <typename Colour>
std::vector<uint8_t> DDSFile(uint32_t width, uint32_t height, Colour colour)
{
    std::vector<uint8_t> b(128, 0);
    b[0] = 'D';
    b[1] = 'D';
    b[2] = 'S';
    b[3] = ' ';
    PutU32(b, 4, 124);
    PutU32(b, 8, 0x1007);
    PutU32(b, 12, height);
    PutU32(b, 16, width);
    PutU32(b, 76, 32);
    PutU32(b, 80, 0x41);
    PutU32(b, 88, 32);
    PutU32(b, 92, 0x00FF0000u);
    PutU32(b, 96, 0x0000FF00u);
    PutU32(b, 100, 0x000000FFu);
    PutU32(b, 104, 0xFF000000u);
    PutU32(b, 108, 0x1000);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            b.resize(b.size() + 4);
            PutU32(b, b.size() - 4, colour(x, y));
        }
    }
    return b;
}

// The engine's effects from the source content folder, and the textures the HUD materials name, made here with
// known colours: the font page green, the glyph page blue, the menu quad and modulation textures white, the
// underlay red around a green middle. Set up once per process; the texture folder goes at exit.
class HUDContent {
public:
    static HUDContent& Get()
    {
        static HUDContent content;
        return content;
    }
    ~HUDContent()
    {
        std::error_code ignored;
        if (!m_textures.empty())
            std::filesystem::remove_all(m_textures, ignored);
    }

private:
    HUDContent()
    {
        char pattern[] = "/tmp/rolt_hud_XXXXXX";
        const char* made = mkdtemp(pattern);
        m_textures = made ? made : "";
        auto solid = [](uint32_t colour) { return [colour](uint32_t, uint32_t) { return colour; }; };
        Write("Font_Tahoma_8_256.dds", DDSFile(4, 4, solid(kPageGreen)));
        Write("xbox_dxt5.dds", DDSFile(4, 4, solid(kGlyphBlue)));
        Write("menu_quad.dds", DDSFile(4, 4, solid(kWhite)));
        Write("mod_white.dds", DDSFile(4, 4, solid(kWhite)));
        Write("menu_underlay.dds", DDSFile(64, 64, [](uint32_t x, uint32_t y) {
                  return (x < 16 || x >= 48 || y < 16 || y >= 48) ? kRed : kPageGreen;
              }));
        RStreamMgr::GetInstance()->AddSearchPath(ROLT_TEST_SOURCE_DIR "/content/Engine");
        RStreamMgr::GetInstance()->AddSearchPath(m_textures.c_str());
    }
    void Write(const char* name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream out(m_textures + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::string m_textures;
};

// One quad of the HUD vertex layout (POSITION with y negated, TEXCOORD0 0..1 across the quad, TEXCOORD1 the
// cell value given, COLOR) from (left, top) to (right, bottom) in pixels or menu units, y down.
struct HUDQuad {
    RMesh mesh;
    RVertexSet set;
    RIndexBuffer indices;

    bool Make(float left, float top, float right, float bottom, float cellX = -1.0f, float cellY = -1.0f,
              uint32_t colour = kWhite)
    {
        const float positions[12] = {left, -top, 0, right, -top, 0, left, -bottom, 0, right, -bottom, 0};
        const float page[8] = {0, 0, 1, 0, 0, 1, 1, 1};
        float cell[8] = {0, 0, 1, 0, 0, 1, 1, 1};
        if (cellX >= 0.0f) {
            for (int i = 0; i < 4; ++i) {
                cell[2 * i] = cellX;
                cell[2 * i + 1] = cellY;
            }
        }
        const uint32_t colours[4] = {colour, colour, colour, colour};
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

uint32_t Channel(uint32_t colour, int shift)
{
    return (colour >> shift) & 0xFFu;
}

// The program of the material's technique for the main pass, or 0.
uint32_t ProgramOf(RMaterial* material)
{
    RTechnique* technique = material->GetTechniqueForPass(kMainPass);
    if (!technique || !technique->GetGLTechnique() || technique->GetGLTechnique()->passes.isEmpty())
        return 0;
    return technique->GetGLTechnique()->passes[0]->name;
}

class HUDMaterialGLTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        HUDContent::Get();
        renderer->ClearColourAndDepth(0xFF000000u, 1.0f);
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

template <typename T>
std::unique_ptr<T> Build()
{
    return std::unique_ptr<T>(RHUDMaterialFactory::BuildHUDMaterial<T>());
}

}  // namespace

// ---- Names and informant answers (no GL needed) ----

TEST(HUDMaterialNames, EachConcreteMaterialNamesItsEffectTechniqueAndTextures)
{
    struct Expected {
        std::unique_ptr<RDefaultHUDMaterial> material;
        const char* effectFile;
        const char* effect;
        const char* textureFile;
        const char* texture;
    };
    Expected table[] = {
        {std::make_unique<RDefaultFontMaterial>(), "__ROLT_Default_HUD.fxo", "__Default_Font Shader",
         "Font_Tahoma_8_256.dds", "__Default_Font_Tahoma_8"},
        {std::make_unique<RDefaultMenuFontMaterial>(), "__ROLT_Default_HUD.fxo", "__Default_Font Shader",
         "Font_Tahoma_8_256.dds", "__Default_Font_Tahoma_8"},
        {std::make_unique<RXboxGlyphsMaterial>(), "__ROLT_Default_Glyph.fxo", "__Default_Glyph Shader",
         "xbox_dxt5.dds", "XBOX_BUTTONS_GLYPHS"},
        {std::make_unique<RXboxGlyphsMaterial_Menu>(), "__ROLT_Default_Glyph.fxo", "__Default_Glyph Shader",
         "xbox_dxt5.dds", "XBOX_BUTTONS_GLYPHS"},
        {std::make_unique<RMenuUnderlayMaterial>(), "__ROLT_Default_Menu_Underlay.fxo",
         "__Default_Menu_Underlay Shader", "menu_underlay.dds", "MENU_UNDERLAY_TEXTURE"},
        {std::make_unique<RMenuQuadMaterial>(), "__ROLT_Default_Menu_Quad.fxo", "__Default_Menu_Quad Shader",
         "menu_quad.dds", "MENU_QUAD_TEXTURE"},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.effect);
        EXPECT_STREQ(e.material->GetEffectFileName(), e.effectFile);
        EXPECT_EQ(e.material->GetEffectName(), RHashedString(e.effect));
        EXPECT_EQ(e.material->GetTechniqueName(), RHashedString("HUD"));
        EXPECT_STREQ(e.material->GetElementTextureFileName(), e.textureFile);
        EXPECT_EQ(e.material->GetElementTextureName(), RHashedString(e.texture));
        EXPECT_STREQ(e.material->GetModTextureFileName(), "mod_white.dds");
        EXPECT_EQ(e.material->GetModTextureName(), RHashedString("__Default_Mod"));
        EXPECT_FALSE(e.material->AreResourcesLoaded());
    }
}

TEST(HUDMaterialAnswers, ScreenPixelMaterialAnswersFromTheScreenSize)
{
    ScreenSize screen(1280, 720);
    RDefaultFontMaterial material;
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenWidth"), 0.0015625f);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenHeight"), 0.0027777778f);
    EXPECT_EQ(AnsweredFloat(material, "xOffset"), 0.0f);
    EXPECT_EQ(AnsweredFloat(material, "yOffset"), 0.0f);
    // Parameter names compare without regard to case.
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "INVHALFSCREENWIDTH"), 0.0015625f);

    RVector4 modColor = AnsweredVector(material, "modColor");
    EXPECT_EQ(modColor.x, 1.0f);
    EXPECT_EQ(modColor.y, 1.0f);
    EXPECT_EQ(modColor.z, 1.0f);
    EXPECT_EQ(modColor.w, 1.0f);

    RecordingMapping elemTex("elemTex", SHADER_PARAM_TEXTURE);
    RecordingMapping modTex("modTex", SHADER_PARAM_TEXTURE);
    EXPECT_TRUE(material.InformShaderParams(&elemTex, kMainPass, &material));
    EXPECT_TRUE(material.InformShaderParams(&modTex, kMainPass, &material));
    EXPECT_EQ(elemTex.texture, RHashedString("__Default_Font_Tahoma_8"));
    EXPECT_EQ(modTex.texture, RHashedString("__Default_Mod"));

    // A screen-pixel material ignores the menus entirely.
    TestMenuState menus;
    menus.slideOffset = 0.5f;
    menus.xAdjustment = 3.0f;
    EXPECT_EQ(AnsweredFloat(material, "xOffset"), 0.0f);
}

TEST(HUDMaterialAnswers, UnknownNamesGoToTheChainAndAreUnhandledWithoutOne)
{
    RDefaultFontMaterial material;
    RecordingMapping unknown("someOtherUniform");
    EXPECT_FALSE(material.InformShaderParams(&unknown, kMainPass, &material));
    EXPECT_EQ(unknown.answers, 0);

    shadertest::TestInformant parent;
    parent.Answers("someOtherUniform", [](RShaderParamMapping* mapping) { mapping->SetFloat(7.0f); });
    ASSERT_TRUE(material.SetChainedInformant(&parent));
    EXPECT_EQ(AnsweredFloat(material, "someOtherUniform"), 7.0f);
    // The chain is asked only for names the material does not know.
    ScreenSize screen(800, 600);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenWidth"), 2.0f / 800.0f);
    EXPECT_EQ(parent.requests.size(), 1u);

    RMenuQuadMaterial quad;
    ASSERT_TRUE(quad.SetChainedInformant(&parent));
    EXPECT_EQ(AnsweredFloat(quad, "someOtherUniform"), 7.0f);
}

TEST(HUDMaterialAnswers, MenuMaterialAtExactlyFourThirdsTakesTheUnscaledSlide)
{
    ScreenSize screen(1024, 768);
    RDefaultMenuFontMaterial material;
    // No menu state: no slide, offsets as the menu space gives them.
    EXPECT_EQ(AnsweredFloat(material, "xOffset"), 0.0f);
    EXPECT_EQ(AnsweredFloat(material, "yOffset"), 0.0f);

    TestMenuState menus;
    menus.slideOffset = 0.25f;
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenWidth"), 1.0f / 512.0f);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenHeight"), 2.0f / 768.0f);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "xOffset"), 0.25f);
    EXPECT_EQ(AnsweredFloat(material, "yOffset"), 0.0f);
    // The rest comes from the screen-pixel base.
    EXPECT_EQ(AnsweredVector(material, "modColor").w, 1.0f);
}

TEST(HUDMaterialAnswers, MenuMaterialOnAWideScreenScalesTheSlideThenLetsTheTopMenuAdjust)
{
    ScreenSize screen(1920, 1080);
    const float aspect = 1920.0f / 1080.0f;
    TestMenuState menus;
    menus.slideOffset = 0.5f;
    menus.xAdjustment = 0.125f;
    menus.yAdjustment = -0.25f;
    RXboxGlyphsMaterial_Menu material;
    const float menuX = 1.0f - (4.0f * 1080.0f / 3.0f) / 1920.0f;  // 0.25
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenWidth"), 1.0f / (384.0f * aspect));
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "xOffset"), 0.5f * (4.0f / 3.0f) / aspect + 0.125f + menuX);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "yOffset"), -0.25f);
}

TEST(HUDMaterialAnswers, MenuMaterialOnATallScreenCentresVertically)
{
    ScreenSize screen(600, 800);
    TestMenuState menus;
    menus.slideOffset = -0.5f;
    RMenuQuadMaterial material;
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenWidth"), 2.0f / 1024.0f);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "invHalfScreenHeight"), 0.75f * 0.75f / 384.0f);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "xOffset"), -0.5f);
    EXPECT_FLOAT_EQ(AnsweredFloat(material, "yOffset"), 1.0f - 0.75f * 0.75f);
}

TEST(HUDMaterialAnswers, QuadAndUnderlayTakeTheOverlayColour)
{
    RMenuQuadMaterial quad;
    RMenuUnderlayMaterial underlay;
    // With no menu state, opaque white.
    EXPECT_EQ(AnsweredVector(quad, "OpacityColor").w, 1.0f);

    TestMenuState menus;
    menus.overlayColour = 0x80FF4000u;
    for (RVector4 colour : {AnsweredVector(quad, "OpacityColor"), AnsweredVector(underlay, "OpacityColor")}) {
        EXPECT_FLOAT_EQ(colour.x, 1.0f);
        EXPECT_NEAR(colour.y, 64.0f / 255.0f, 1e-6f);
        EXPECT_EQ(colour.z, 0.0f);
        EXPECT_NEAR(colour.w, 128.0f / 255.0f, 1e-6f);
    }
    EXPECT_EQ(AnsweredFloat(underlay, "TexSize"), 64.0f);
    EXPECT_EQ(AnsweredFloat(underlay, "TexSplit"), 0.25f);
    EXPECT_EQ(AnsweredFloat(underlay, "CenterScale"), 3.0f);
    // A menu font knows no overlay colour.
    RDefaultMenuFontMaterial font;
    RecordingMapping opacity("OpacityColor", SHADER_PARAM_VECTOR);
    EXPECT_FALSE(font.InformShaderParams(&opacity, kMainPass, &font));
}

TEST(HUDScreen, MenuSpaceFitsAndCentresTheMenus)
{
    // Wide: the height is spanned, 1,024 menu units across 4/3 of the height, centred.
    RMenuSpace wide = RHUDScreen::MenuSpaceFor(1600, 900);
    const float left = 0.0f * wide.invHalfWidth - 1.0f + wide.xOffset;
    const float right = 1024.0f * wide.invHalfWidth - 1.0f + wide.xOffset;
    EXPECT_NEAR(left, -right, 1e-6f);
    EXPECT_NEAR((right - left) * 0.5f * 1600.0f, 900.0f * 4.0f / 3.0f, 1e-2f);
    EXPECT_EQ(wide.yOffset, 0.0f);

    // Tall: the width is spanned, 768 units down 3/4 of the width, centred.
    RMenuSpace tall = RHUDScreen::MenuSpaceFor(600, 1000);
    const float top = 0.0f * tall.invHalfHeight + 1.0f - tall.yOffset;
    const float bottom = -768.0f * tall.invHalfHeight + 1.0f - tall.yOffset;
    EXPECT_NEAR(top, -bottom, 1e-6f);
    EXPECT_NEAR((top - bottom) * 0.5f * 1000.0f, 600.0f * 0.75f, 1e-2f);
    EXPECT_EQ(tall.xOffset, 0.0f);
}

TEST(HUDScreen, ZeroSizedScreensGiveFiniteFactors)
{
    for (auto size : {std::make_pair(0, 0), std::make_pair(0, 720), std::make_pair(1280, 0),
                      std::make_pair(-5, -5)}) {
        RMenuSpace space = RHUDScreen::MenuSpaceFor(size.first, size.second);
        EXPECT_TRUE(std::isfinite(space.invHalfWidth) && std::isfinite(space.invHalfHeight) &&
                    std::isfinite(space.xOffset) && std::isfinite(space.yOffset))
            << size.first << " x " << size.second;

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
    // With no resolution list current at all.
    RResolutionSensitiveList* previous = RResolutionSensitiveList::GetCurrent();
    RResolutionSensitiveList::SetCurrent(nullptr);
    RDefaultFontMaterial pixels;
    EXPECT_EQ(AnsweredFloat(pixels, "invHalfScreenWidth"), 2.0f);
    RResolutionSensitiveList::SetCurrent(previous);
}

TEST(HUDMenuState, AStateGoingAwayStopsBeingCurrent)
{
    auto* state = new TestMenuState();
    EXPECT_EQ(RHUDMenuState::GetCurrent(), state);
    delete state;
    EXPECT_EQ(RHUDMenuState::GetCurrent(), nullptr);
    RMenuQuadMaterial quad;
    EXPECT_EQ(AnsweredVector(quad, "OpacityColor").w, 1.0f);
}

// ---- The engine's effect files ----

TEST(HUDEffectFiles, ShadersPassTheReferenceCompiler)
{
    if (std::system("glslangValidator --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "glslangValidator is not installed";
    const std::string folder = ROLT_TEST_SOURCE_DIR "/content/Engine/";
    int checked = 0;
    for (const char* effect : {"__ROLT_Default_HUD", "__ROLT_Default_Glyph", "__ROLT_Default_Menu_Underlay",
                               "__ROLT_Default_Menu_Quad"}) {
        for (auto stage : {std::make_pair("vert", "_HUD_Main_VS.glsl"), std::make_pair("frag", "_HUD_Main_PS.glsl")}) {
            const std::string file = folder + effect + stage.second;
            const std::string command =
                std::string("glslangValidator -S ") + stage.first + " '" + file + "' > /dev/null";
            EXPECT_EQ(std::system(command.c_str()), 0) << file;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 8);
}

TEST_F(HUDMaterialGLTest, EveryHUDEffectLinksWithItsDeclaredParameters)
{
    struct Effect {
        const char* file;
        uint32_t materialParameters;
    };
    for (Effect effect : {Effect{"__ROLT_Default_HUD.fxo", 7}, Effect{"__ROLT_Default_Glyph.fxo", 7},
                          Effect{"__ROLT_Default_Menu_Quad.fxo", 8}, Effect{"__ROLT_Default_Menu_Underlay.fxo", 11}}) {
        SCOPED_TRACE(effect.file);
        RShader shader(effect.file, RHashedString("HUD Effect Check"));
        RTechnique* technique = shader.GetTechnique(RHashedString("HUD"));
        ASSERT_NE(technique, nullptr);
        ASSERT_NE(technique->GetGLTechnique(), nullptr);
        RGLObjectTechniquePass* pass = shadertest::FirstPass(&shader);
        ASSERT_NE(pass, nullptr);
        EXPECT_TRUE(pass->linked) << pass->buildReport.GetString();
        RShaderParamSetWrapper* wrapper = shader.GetParamSetWrapper(pass);
        ASSERT_NE(wrapper, nullptr);
        // Every declared uniform is active in the program, so every one became a parameter.
        EXPECT_EQ(wrapper->GetSet(RShaderParamSetWrapper::SCOPE_MATERIAL)->GetCount(), effect.materialParameters);
        renderer->SetEffect(nullptr);
    }
}

// ---- Drawn and read back ----

TEST_F(HUDMaterialGLTest, AQuadInScreenPixelsLandsOnThosePixels)
{
    ScreenSize screen(kWindowWidth, kWindowHeight);
    auto material = Build<RDefaultFontMaterial>();
    HUDQuad quad;
    ASSERT_TRUE(quad.Make(16, 8, 32, 24));
    ASSERT_TRUE(Draw(quad, material.get()));
    EXPECT_EQ(Pixel(16, 8), kPageGreen);
    EXPECT_EQ(Pixel(31, 23), kPageGreen);
    EXPECT_EQ(Pixel(15, 8), 0xFF000000u);
    EXPECT_EQ(Pixel(32, 8), 0xFF000000u);
    EXPECT_EQ(Pixel(16, 7), 0xFF000000u);
    EXPECT_EQ(Pixel(16, 24), 0xFF000000u);

    // Drawn for a screen twice the window's size, the same pixels take half the room.
    renderer->ClearColour(0xFF000000u);
    ScreenSize larger(2 * kWindowWidth, 2 * kWindowHeight);
    ASSERT_TRUE(Draw(quad, material.get()));
    EXPECT_EQ(Pixel(8, 4), kPageGreen);
    EXPECT_EQ(Pixel(15, 11), kPageGreen);
    EXPECT_EQ(Pixel(16, 4), 0xFF000000u);
    EXPECT_EQ(Pixel(8, 12), 0xFF000000u);
}

TEST_F(HUDMaterialGLTest, VertexColourAndAlphaReachThePicture)
{
    ScreenSize screen(kWindowWidth, kWindowHeight);
    auto material = Build<RDefaultFontMaterial>();
    HUDQuad quad;
    ASSERT_TRUE(quad.Make(0, 0, 64, 48, -1.0f, -1.0f, 0x80FFFFFFu));
    ASSERT_TRUE(Draw(quad, material.get()));
    // Green page at half opacity over black.
    uint32_t pixel = Pixel(32, 24);
    EXPECT_EQ(Channel(pixel, 16), 0u);
    EXPECT_NEAR(static_cast<int>(Channel(pixel, 8)), 128, 1);
}

TEST_F(HUDMaterialGLTest, GlyphCornersOnTheHalfPixelGridLandOnWholePixels)
{
    ScreenSize screen(kWindowWidth, kWindowHeight);
    auto material = Build<RXboxGlyphsMaterial>();
    HUDQuad quad;
    // A glyph at x 10, y 20 with cell size 8, as the glyph set places it.
    ASSERT_TRUE(quad.Make(9.5f, 19.5f, 17.5f, 27.5f));
    ASSERT_TRUE(Draw(quad, material.get()));
    EXPECT_EQ(Pixel(10, 20), kGlyphBlue);
    EXPECT_EQ(Pixel(17, 27), kGlyphBlue);
    EXPECT_EQ(Pixel(9, 20), 0xFF000000u);
    EXPECT_EQ(Pixel(18, 20), 0xFF000000u);
    EXPECT_EQ(Pixel(10, 19), 0xFF000000u);
    EXPECT_EQ(Pixel(10, 28), 0xFF000000u);
}

TEST_F(HUDMaterialGLTest, AQuadInMenuSpaceIsFittedToTheScreen)
{
    auto material = Build<RDefaultMenuFontMaterial>();
    HUDQuad quarter;
    ASSERT_TRUE(quarter.Make(512, 384, 768, 576));
    HUDQuad whole;
    ASSERT_TRUE(whole.Make(0, 0, 1024, 768));
    {
        // 4:3: the menu space is the window, 16 menu units to the pixel.
        ScreenSize screen(kWindowWidth, kWindowHeight);
        ASSERT_TRUE(Draw(quarter, material.get()));
        EXPECT_EQ(Pixel(32, 24), kPageGreen);
        EXPECT_EQ(Pixel(47, 35), kPageGreen);
        EXPECT_EQ(Pixel(31, 24), 0xFF000000u);
        EXPECT_EQ(Pixel(48, 24), 0xFF000000u);
        EXPECT_EQ(Pixel(32, 36), 0xFF000000u);
    }
    {
        // Twice as wide as high: the menus take the middle two thirds of the width, every row.
        renderer->ClearColour(0xFF000000u);
        ScreenSize screen(96, 48);
        ASSERT_TRUE(Draw(whole, material.get()));
        EXPECT_EQ(Pixel(10, 24), 0xFF000000u);
        EXPECT_EQ(Pixel(11, 0), kPageGreen);
        EXPECT_EQ(Pixel(52, 47), kPageGreen);
        EXPECT_EQ(Pixel(53, 24), 0xFF000000u);
    }
    {
        // Two thirds as wide as high: the menus take the middle half of the height, every column.
        renderer->ClearColour(0xFF000000u);
        ScreenSize screen(48, 72);
        ASSERT_TRUE(Draw(whole, material.get()));
        EXPECT_EQ(Pixel(0, 11), 0xFF000000u);
        EXPECT_EQ(Pixel(0, 12), kPageGreen);
        EXPECT_EQ(Pixel(63, 35), kPageGreen);
        EXPECT_EQ(Pixel(32, 36), 0xFF000000u);
    }
}

TEST_F(HUDMaterialGLTest, SlideOffsetAndOverlayColourReachTheShader)
{
    ScreenSize screen(kWindowWidth, kWindowHeight);
    auto material = Build<RMenuQuadMaterial>();
    HUDQuad leftHalf;
    ASSERT_TRUE(leftHalf.Make(0, 0, 512, 768));
    TestMenuState menus;
    menus.slideOffset = 1.0f;
    menus.overlayColour = 0x80FFFFFFu;
    ASSERT_TRUE(Draw(leftHalf, material.get()));

    // The uniforms as the program holds them after the draw.
    const uint32_t program = ProgramOf(material.get());
    ASSERT_NE(program, 0u);
    EXPECT_EQ(shadertest::UniformFloats(program, "xOffset", 1)[0], 1.0f);
    std::vector<float> overlay = shadertest::UniformFloats(program, "OpacityColor", 4);
    EXPECT_EQ(overlay[0], 1.0f);
    EXPECT_NEAR(overlay[3], 128.0f / 255.0f, 1e-6f);

    // Slid one clip unit right: the left half of the menus is drawn on the right half, at half opacity.
    EXPECT_EQ(Pixel(16, 24), 0xFF000000u);
    const uint32_t drawn = Pixel(48, 24);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR(static_cast<int>(Channel(drawn, shift)), 128, 1) << shift;

    // At rest and opaque again.
    renderer->ClearColour(0xFF000000u);
    menus.slideOffset = 0.0f;
    menus.overlayColour = 0xFFFFFFFFu;
    ASSERT_TRUE(Draw(leftHalf, material.get()));
    EXPECT_EQ(Pixel(16, 24), kWhite);
    EXPECT_EQ(Pixel(48, 24), 0xFF000000u);
}

TEST_F(HUDMaterialGLTest, UnderlayKeepsItsBorderAtTextureSize)
{
    ScreenSize screen(kWindowWidth, kWindowHeight);
    auto material = Build<RMenuUnderlayMaterial>();
    HUDQuad panel;
    // A panel over the whole menu space; its size goes in the second texture coordinate.
    ASSERT_TRUE(panel.Make(0, 0, 1024, 768, 1024, 768));
    ASSERT_TRUE(Draw(panel, material.get()));
    // The border is 16 menu units, one pixel here; the middle repeats the texture's green middle.
    EXPECT_EQ(Pixel(0, 24), kRed);
    EXPECT_EQ(Pixel(63, 24), kRed);
    EXPECT_EQ(Pixel(32, 0), kRed);
    EXPECT_EQ(Pixel(32, 47), kRed);
    EXPECT_EQ(Pixel(32, 24), kPageGreen);
    EXPECT_EQ(Pixel(8, 8), kPageGreen);
}

// ---- Shared resources and lifetime ----

TEST_F(HUDMaterialGLTest, MaterialsShareTheirEffectAndTextures)
{
    const RHashedString effect("__Default_Font Shader");
    const RHashedString page("__Default_Font_Tahoma_8");
    const RHashedString mod("__Default_Mod");
    auto first = Build<RDefaultFontMaterial>();
    auto second = Build<RDefaultMenuFontMaterial>();
    EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(effect), 2);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(page), 2);
    EXPECT_EQ(first->GetDefaultTechnique(), second->GetDefaultTechnique());

    // Loading again takes no further references.
    first->LoadResources();
    EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(effect), 2);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(page), 2);

    first.reset();
    EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(effect), 1);
    ASSERT_NE(RTexMgr::GetInstance()->GetTexture(page), nullptr);
    EXPECT_NE(RTexMgr::GetInstance()->GetTexture(mod), nullptr);
    ScreenSize screen(kWindowWidth, kWindowHeight);
    HUDQuad whole;
    ASSERT_TRUE(whole.Make(0, 0, 1024, 768));
    ASSERT_TRUE(Draw(whole, second.get()));
    EXPECT_EQ(Pixel(32, 24), kPageGreen);

    second.reset();
    EXPECT_FALSE(RShaderMgr::GetInstance()->Exists(effect));
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(page));
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(mod));
}

TEST_F(HUDMaterialGLTest, AMaterialNeverLoadedGivesNothingBack)
{
    const RHashedString effect("__Default_Glyph Shader");
    auto loaded = Build<RXboxGlyphsMaterial>();
    { RXboxGlyphsMaterial_Menu neverLoaded; }
    EXPECT_EQ(RShaderMgr::GetInstance()->GetReferenceCount(effect), 1);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(RHashedString("XBOX_BUTTONS_GLYPHS")), 1);
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
    EXPECT_EQ(Pixel(32, 24), 0xFF000000u);
    // An instance asks its template, so it draws nothing either.
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
