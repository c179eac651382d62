// Pass materials and backdrops: the parameters each answers (screen size, tate turns, brightness, picture
// placement, backdrop opacity), their effect and texture references, and, under a GL context with the engine's
// own effects and pictures from "Engine.rpk", full-screen passes, pictures and backdrops drawn through a render
// pass and read back.
#include <GL/glew.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "GLTestSupport.h"
#include "core/RMath.h"
#include "core/RStreamMgr.h"
#include "render/RConsoleBackdrop.h"
#include "render/RConsoleBackdropMaterial.h"
#include "render/RDefaultCalibrationMaterial.h"
#include "render/RDefaultTitleScreenMaterial.h"
#include "render/RDepthBackdropMaterial.h"
#include "render/RDepthBackdropQuad.h"
#include "render/RFinalPassMaterial.h"
#include "render/RGLObject.h"
#include "render/RHUDMenuState.h"
#include "render/RIndexBuffer.h"
#include "render/RMenuBackdrop.h"
#include "render/RMenuBackdropState.h"
#include "render/RMenuPicturePlacement.h"
#include "render/RMesh.h"
#include "render/RMeshUtil.h"
#include "render/RPassMaterialHost.h"
#include "render/RPreHUDPassMaterial.h"
#include "render/RRenderGroup.h"
#include "render/RRenderPass.h"
#include "render/RResolutionSensitiveList.h"
#include "render/RShaderMgr.h"
#include "render/RShaderParam.h"
#include "render/RTechnique.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"
#include "render/RVertexSet.h"

namespace {

// A parameter request that records the one answer it is given instead of uploading it.
class RecordingMapping : public RShaderParamMapping {
public:
    explicit RecordingMapping(const char* name)
        : RShaderParamMapping(nullptr, RHashedString(name), SHADER_PARAM_UNKNOWN, 1, nullptr)
    {
    }
    void SetBool(bool value) override { kind = "bool", boolValue = value; }
    void SetFloat(float value) override { kind = "float", floatValue = value; }
    void SetVector(const RVector4* value) override { kind = "vector", vector = *value; }
    void SetMatrix(const RMatrix4* value) override { kind = "matrix", matrix = *value; }
    void SetTexture(RHashedString name) override { kind = "texture", texture = name; }

    std::string kind;
    bool boolValue = false;
    float floatValue = 0.0f;
    RVector4 vector{};
    RMatrix4 matrix{};
    RHashedString texture;
};

// The material's answer to the parameter; kind stays empty when it was not answered.
RecordingMapping Ask(RShaderParamInformant* informant, const char* name, bool* answered = nullptr)
{
    RecordingMapping mapping(name);
    bool result = informant->InformShaderParams(&mapping, RHashedString(), informant);
    if (answered)
        *answered = result;
    return mapping;
}

int32_t EffectReferences(const char* name)
{
    return RShaderMgr::GetInstance()->GetReferenceCount(RHashedString(name));
}

// The game's side, as the materials read it; current while it lives.
class TestHost : public RPassMaterialHost {
public:
    TestHost() { SetCurrent(this); }
    int32_t GetTateMode() const override { return tate; }
    float GetBrightness() const override { return brightness; }
    float GetDefaultTitleScreenScale() const override { return titleScale; }
    float GetDefaultTitleScreenOffset() const override { return titleOffset; }
    float GetDefaultCalibrationScale() const override { return calibrationScale; }
    float GetDefaultCalibrationOffset() const override { return calibrationOffset; }
    const char* GetDefaultTitleScreenTextureFilename() const override { return titleFile; }

    int32_t tate = 0;
    float brightness = 1.0f;
    float titleScale = 0.5f;
    float titleOffset = 0.35f;
    float calibrationScale = 0.45f;
    float calibrationOffset = 0.3f;
    const char* titleFile = "default_title.dds";
};

// The menus' side: overlay colour, slide, title offset adjustment and backdrop opacity; current while it lives.
class TestMenus : public RHUDMenuState, public RMenuBackdropState {
public:
    TestMenus()
    {
        RHUDMenuState::SetCurrent(this);
        RMenuBackdropState::SetCurrent(this);
    }
    uint32_t GetOverlayColour() const override { return overlay; }
    float GetSlideOffset() const override { return slide; }
    void GetXOffset(float* offset) override {}
    void GetYOffset(float* offset) override {}
    void GetTitleYOffset(float* offset) override { *offset += titleShift; }
    float GetBackdropOpacity() const override { return opacity; }

    uint32_t overlay = 0xFFFFFFFFu;
    float slide = 0.0f;
    float titleShift = 0.0f;
    float opacity = 1.0f;
};

// Makes a resolution list current with the screen size.
class Screen {
public:
    Screen(int32_t width, int32_t height)
    {
        m_list.SetResolution(width, height, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
        RResolutionSensitiveList::SetCurrent(&m_list);
    }
    ~Screen() { RResolutionSensitiveList::SetCurrent(nullptr); }

private:
    RResolutionSensitiveList m_list;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Parameters

TEST(PassMaterialParams, PreHUDQualityChoosesTheEffectAndHoldsItWhileItLives)
{
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectFileName(-1), "__ROLT_FXAA_None.fxo");
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectFileName(0), "__ROLT_FXAA_None.fxo");
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectFileName(1), "__ROLT_FXAA_Low.fxo");
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectFileName(2), "__ROLT_FXAA_Medium.fxo");
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectFileName(3), "__ROLT_FXAA_High.fxo");
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectFileName(7), "__ROLT_FXAA_Ultra.fxo");
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectName(-5), "__PreHUD_Pass Shader (FXAA: None)");
    EXPECT_STREQ(RPreHUDPassMaterial::GetEffectName(4), "__PreHUD_Pass Shader (FXAA: Ultra)");

    RPreHUDPassMaterial* low = new RPreHUDPassMaterial(1);
    RPreHUDPassMaterial* lowAgain = new RPreHUDPassMaterial(1);
    EXPECT_EQ(low->GetEffectName(), RHashedString("__PreHUD_Pass Shader (FXAA: Low)"));
    EXPECT_EQ(EffectReferences("__PreHUD_Pass Shader (FXAA: Low)"), 2);
    delete low;
    EXPECT_EQ(EffectReferences("__PreHUD_Pass Shader (FXAA: Low)"), 1);
    delete lowAgain;
    EXPECT_EQ(EffectReferences("__PreHUD_Pass Shader (FXAA: Low)"), 0);
}

TEST(PassMaterialParams, PreHUDAnswersTheFrameAndPassesTheRestOn)
{
    Screen screen(1280, 720);
    RPreHUDPassMaterial material(2);
    RecordingMapping rcp = Ask(&material, "rcpFrame");
    ASSERT_EQ(rcp.kind, "vector");
    EXPECT_FLOAT_EQ(rcp.vector.x, 0.00078125f);
    EXPECT_FLOAT_EQ(rcp.vector.y, 0.0013888889f);
    EXPECT_EQ(rcp.vector.z, 0.0f);
    EXPECT_EQ(rcp.vector.w, 0.0f);
    RecordingMapping fxaa = Ask(&material, "bUseFXAA");
    EXPECT_EQ(fxaa.kind, "bool");
    EXPECT_TRUE(fxaa.boolValue);
    RecordingMapping source = Ask(&material, "PreHUDPassBackbuffer");
    EXPECT_EQ(source.kind, "texture");
    EXPECT_EQ(source.texture, RHashedString("__ROLT_PreHUD_Pass_Texture"));

    // The neutral lens warp of the base class.
    EXPECT_EQ(Ask(&material, "LensCenter").floatValue, 0.0f);
    EXPECT_EQ(Ask(&material, "Rift_Scale").floatValue, 1.0f);
    EXPECT_EQ(Ask(&material, "Rift_Offset").floatValue, 0.0f);
    EXPECT_EQ(Ask(&material, "VertScale").floatValue, 1.0f);
    EXPECT_EQ(Ask(&material, "FOVScale").floatValue, 1.0f);
    RecordingMapping warp = Ask(&material, "HmdWarpParam");
    EXPECT_EQ(warp.kind, "vector");
    EXPECT_EQ(warp.vector.x, 1.0f);
    EXPECT_EQ(warp.vector.w, 0.0f);

    bool answered = true;
    EXPECT_EQ(Ask(&material, "NoSuchParameter", &answered).kind, "");
    EXPECT_FALSE(answered) << "unknown names reach the (missing) chained informant";
}

TEST(PassMaterialParams, WithoutAScreenSizeTheFrameIsOnePixel)
{
    RResolutionSensitiveList::SetCurrent(nullptr);
    RPreHUDPassMaterial material(0);
    RecordingMapping rcp = Ask(&material, "rcpFrame");
    EXPECT_EQ(rcp.vector.x, 1.0f) << "never a division by zero";
    EXPECT_EQ(rcp.vector.y, 1.0f);
    RConsoleBackdropMaterial console(false);
    EXPECT_EQ(Ask(&console, "invHalfScreenHeight").floatValue, 2.0f);
}

TEST(PassMaterialParams, FinalPassTurnsByTheTateModeAndScalesByBrightness)
{
    TestHost host;
    RFinalPassMaterial material;
    EXPECT_EQ(EffectReferences("__Final_Pass Shader"), 1);
    const float expected[4][16] = {
        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
        {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1},
    };
    for (int32_t mode = 0; mode < 4; ++mode) {
        host.tate = mode;
        RecordingMapping tate = Ask(&material, "tateMat");
        ASSERT_EQ(tate.kind, "matrix");
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(tate.matrix.m[i], expected[mode][i]) << "mode " << mode << " element " << i;
    }
    // A mode the game has not yet put back in range draws the picture unturned.
    for (int32_t mode : {-1, 4, 1000}) {
        host.tate = mode;
        RecordingMapping tate = Ask(&material, "tateMat");
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(tate.matrix.m[i], expected[0][i]) << "mode " << mode;
    }
    host.brightness = 0.75f;
    EXPECT_EQ(Ask(&material, "Brightness").floatValue, 0.75f);
    EXPECT_EQ(Ask(&material, "FinalPassBackbuffer").texture, RHashedString("__ROLT_Final_Pass_Texture"));
    EXPECT_EQ(Ask(&material, "FOVScale").floatValue, 1.0f);
}

TEST(PassMaterialParams, MenuPicturesKeepTheMenuSpaceOnWideAndNarrowScreens)
{
    const float slide = 0.3f;
    // 16:10: the slide is narrowed to the 4:3 menu space, the scales keep the picture's proportions.
    RMatrix4 wide = RMenuPicturePlacement::Place(1.6f, 2.0f, 0.5f, 0.35f, slide);
    EXPECT_FLOAT_EQ(wide.m[0], 2.0f / 1.6f * 0.5f);
    EXPECT_FLOAT_EQ(wide.m[5], 0.5f) << "the y scale is s";
    EXPECT_FLOAT_EQ(wide.m[10], 0.5f);
    EXPECT_NEAR(wide.m[12], slide * 0.8333333f, 1e-6f);
    EXPECT_FLOAT_EQ(wide.m[13], 0.35f);
    // 5:4: everything but the slide shrinks by 1.25 / (4/3) = 0.9375.
    RMatrix4 narrow = RMenuPicturePlacement::Place(1.25f, 2.0f, 0.5f, 0.35f, slide);
    EXPECT_NEAR(narrow.m[0], 2.0f / 1.25f * 0.5f * 0.9375f, 1e-6f);
    EXPECT_NEAR(narrow.m[5], 0.5f * 0.9375f, 1e-6f);
    EXPECT_NEAR(narrow.m[13], 0.35f * 0.9375f, 1e-6f);
    EXPECT_FLOAT_EQ(narrow.m[12], slide);
    // No picture: zero width, nothing else disturbed.
    RMatrix4 none = RMenuPicturePlacement::Place(1.6f, 0.0f, 0.5f, 0.35f, 0.0f);
    EXPECT_EQ(none.m[0], 0.0f);
    EXPECT_FALSE(std::isnan(none.m[5]));
}

TEST(PassMaterialParams, PicturesWithoutATextureCollapseAndFadeWithTheMenus)
{
    TestHost host;
    host.titleFile = nullptr;
    Screen screen(1280, 800);
    RDefaultTitleScreenMaterial title;
    EXPECT_EQ(title.GetTitleTexture(), nullptr);
    EXPECT_EQ(title.GetPictureAspect(), 0.0f);
    RecordingMapping placement = Ask(&title, "wvpMat");
    ASSERT_EQ(placement.kind, "matrix");
    EXPECT_EQ(placement.matrix.m[0], 0.0f);
    EXPECT_FLOAT_EQ(placement.matrix.m[13], 0.35f);

    // With no menu state current, the pictures are opaque and do not slide.
    RecordingMapping opaque = Ask(&title, "OpacityColor");
    EXPECT_EQ(opaque.vector.x, 1.0f);
    EXPECT_EQ(opaque.vector.w, 1.0f);
    {
        TestMenus menus;
        menus.overlay = 0x80FFFFFFu;
        menus.slide = -0.5f;
        menus.titleShift = 0.1f;
        RecordingMapping faded = Ask(&title, "OpacityColor");
        EXPECT_NEAR(faded.vector.w, 128.0f / 255.0f, 1e-6f);
        RecordingMapping moved = Ask(&title, "wvpMat");
        EXPECT_NEAR(moved.matrix.m[12], -0.5f * (4.0f / 3.0f) / 1.6f, 1e-6f);
        EXPECT_NEAR(moved.matrix.m[13], 0.45f, 1e-6f) << "the top menu's title offset is added";
    }
    EXPECT_EQ(Ask(&title, "TitleTex").texture, RHashedString("__Default_Title Texture"));
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(RHashedString("__Default_Title Texture")))
        << "no file name, no reference taken";
}

TEST(PassMaterialParams, BackdropsAnswerColourHeightOpacityAndTransform)
{
    Screen screen(1280, 720);
    RDepthBackdropMaterial depth;
    RecordingMapping grey = Ask(&depth, "BackdropColor");
    EXPECT_EQ(grey.kind, "vector");
    EXPECT_EQ(grey.vector.x, 0.5f);
    EXPECT_EQ(grey.vector.w, 0.5f);

    RConsoleBackdropMaterial console(false);
    RConsoleBackdropMaterial menu(true);
    EXPECT_FLOAT_EQ(Ask(&console, "invHalfScreenHeight").floatValue, 2.0f / 720.0f);
    EXPECT_EQ(Ask(&console, "BackdropOpacity").floatValue, 1.0f);
    EXPECT_EQ(Ask(&menu, "BackdropOpacity").floatValue, 0.0f) << "no menu stacked";
    {
        TestMenus menus;
        menus.opacity = 0.25f;
        EXPECT_EQ(Ask(&menu, "BackdropOpacity").floatValue, 0.25f);
        EXPECT_EQ(Ask(&console, "BackdropOpacity").floatValue, 1.0f);
    }
    EXPECT_EQ(EffectReferences("__Console_Backdrop Shader"), 2);

    RConsoleBackdrop panel;
    RecordingMapping identity = Ask(&panel, "wvpMat");
    EXPECT_EQ(identity.matrix.m[5], 1.0f);
    panel.SetHeight(300.0f);
    RecordingMapping hanging = Ask(&panel, "wvpMat");
    EXPECT_EQ(hanging.matrix.m[0], 1.0f);
    EXPECT_EQ(hanging.matrix.m[5], -300.0f);
    EXPECT_EQ(hanging.matrix.m[10], 0.0f);
    EXPECT_EQ(hanging.matrix.m[15], 1.0f);
}

// ---------------------------------------------------------------------------------------------------------------
// Drawn

namespace {

using gltest::kWindowHeight;
using gltest::kWindowWidth;

const RHashedString kPassId("Pass Material Test");

class PassMaterialGLTest : public gltest::GLTest {
protected:
    void SetUp() override
    {
        gltest::GLTest::SetUp();
        if (IsSkipped())
            return;
        static bool mounted = false;
        if (!mounted) {
            RStreamMgr::GetInstance()->MountPack(ROLT_TEST_RESOURCE_DIR "/Engine.rpk");
            mounted = true;
        }
        ASSERT_TRUE(RMeshUtil::MakeFullScreenQuad(&quad, kWindowWidth, kWindowHeight));
        pass = renderer->CreateRenderPass(kPassId);
        renderer->CreateRenderGroup(kPassId);
        renderer->AddGroupToPass(kPassId, kPassId);
        pass->clearColourFlag = true;
        renderer->SetCurrentRenderTarget(nullptr);
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->DestroyRenderPass(kPassId);
        renderer->DestroyRenderGroup(kPassId);
        renderer->SetEffect(nullptr);
        delete quad.GetVertexSet();
        delete quad.GetIndexBuffer();
        glUseProgram(0);
        glDisable(GL_BLEND);
        renderer->SetDefaultState();
        renderer->BindDefaultTarget();
    }

    // Draws the renderables in the test pass over the clear colour and reads the back buffer: packed RGB, row by
    // row from the bottom.
    std::vector<uint32_t> Draw(std::initializer_list<RRenderableInterface*> drawn, uint32_t clearRgb)
    {
        for (RRenderableInterface* renderable : drawn)
            renderer->AddRenderableToGroup(renderable, kPassId);
        pass->clearColour = 0xFF000000u | clearRgb;
        renderer->BeginFrame();
        renderer->RenderStage(RHashedString());
        renderer->EndFrame();
        for (RRenderableInterface* renderable : drawn)
            renderer->RemoveRenderableFromGroup(renderable, kPassId);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        std::vector<uint8_t> bytes(kWindowWidth * kWindowHeight * 4);
        glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        std::vector<uint32_t> pixels(kWindowWidth * kWindowHeight);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint32_t(bytes[i * 4]) << 16 | uint32_t(bytes[i * 4 + 1]) << 8 | bytes[i * 4 + 2];
        renderer->Present();
        return pixels;
    }

    // A named RGB texture of the window's size from a function of (x, y from the bottom) to packed RGB.
    template <typename Picture> void MakeSource(const char* name, Picture picture)
    {
        RTexture* texture = renderer->CreateNamedTexture(kWindowWidth, kWindowHeight, RRenderer::FORMAT_RGBA,
                                                         RHashedString(name), false, false, false);
        ASSERT_NE(texture, nullptr);
        uint8_t* texels = renderer->LockTexture(texture->GetGLTexture(), 0);
        ASSERT_NE(texels, nullptr);
        for (int y = 0; y < kWindowHeight; ++y) {
            for (int x = 0; x < kWindowWidth; ++x) {
                const uint32_t rgb = picture(x, y);
                uint8_t* texel = texels + (y * kWindowWidth + x) * 4;
                texel[0] = rgb & 0xFF;
                texel[1] = (rgb >> 8) & 0xFF;
                texel[2] = (rgb >> 16) & 0xFF;
                texel[3] = 0xFF;
            }
        }
        renderer->UnlockTexture(texture->GetGLTexture(), 0);
    }

    static uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) { return pixels[y * kWindowWidth + x]; }
    static int Red(uint32_t rgb) { return int((rgb >> 16) & 0xFF); }
    static int Green(uint32_t rgb) { return int((rgb >> 8) & 0xFF); }
    static int Blue(uint32_t rgb) { return int(rgb & 0xFF); }

    RMesh quad;
    RRenderPass* pass = nullptr;
    Screen screen{kWindowWidth, kWindowHeight};
};

// White above a shallow line, black below: stair steps two pixels long.
uint32_t Staircase(int x, int y)
{
    return 2 * y > x + 30 ? 0xFFFFFFu : 0x000000u;
}

}  // namespace

TEST_F(PassMaterialGLTest, EveryEngineEffectLoadsItsTechnique)
{
    TestHost host;
    std::vector<RMaterial*> materials;
    for (int32_t quality = 0; quality <= 4; ++quality)
        materials.push_back(new RPreHUDPassMaterial(quality));
    materials.push_back(new RFinalPassMaterial());
    materials.push_back(new RDefaultTitleScreenMaterial());
    materials.push_back(new RDefaultCalibrationMaterial());
    materials.push_back(new RDepthBackdropMaterial());
    materials.push_back(new RConsoleBackdropMaterial(false));
    for (RMaterial* material : materials) {
        RTechnique* technique = material->GetDefaultTechnique();
        ASSERT_NE(technique, nullptr);
        ASSERT_NE(technique->GetGLTechnique(), nullptr);
        for (uint32_t i = 0; i < technique->GetGLTechnique()->passes.getCount(); ++i) {
            const RGLObjectTechniquePass* glPass = technique->GetGLTechnique()->passes[i];
            EXPECT_TRUE(glPass->linked) << glPass->buildReport.GetString();
        }
    }
    for (RMaterial* material : materials)
        delete material;
}

TEST_F(PassMaterialGLTest, PreHUDWithoutFXAACopiesThePictureAndFXAASoftensOnlyItsEdges)
{
    MakeSource("__ROLT_PreHUD_Pass_Texture", Staircase);
    RPreHUDPassMaterial none(0);
    quad.SetMaterial(&none);
    std::vector<uint32_t> copied = Draw({&quad}, 0xFF00FF);
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x)
            ASSERT_EQ(At(copied, x, y), Staircase(x, y)) << x << ", " << y;
    }

    for (int32_t quality = 1; quality <= 4; ++quality) {
        RPreHUDPassMaterial smoothing(quality);
        quad.SetMaterial(&smoothing);
        std::vector<uint32_t> smoothed = Draw({&quad}, 0xFF00FF);
        int softened = 0;
        for (int y = 0; y < kWindowHeight; ++y) {
            for (int x = 0; x < kWindowWidth; ++x) {
                const uint32_t pixel = At(smoothed, x, y);
                EXPECT_EQ(Red(pixel), Blue(pixel)) << "greys stay grey";
                if (Red(pixel) > 8 && Red(pixel) < 247)
                    ++softened;
                // Far from the edge the picture is untouched.
                if (std::abs(2 * y - x - 30) > 8) {
                    ASSERT_EQ(pixel, Staircase(x, y)) << "quality " << quality << " at " << x << ", " << y;
                }
            }
        }
        EXPECT_GT(softened, 10) << "quality " << quality << " leaves the stair steps hard";
    }
    quad.SetMaterial(nullptr);
    renderer->UnloadTexture(RHashedString("__ROLT_PreHUD_Pass_Texture"));
}

TEST_F(PassMaterialGLTest, FinalPassTurnsThePictureAndAppliesBrightness)
{
    // Quadrants: red bottom left, green bottom right, blue top left, white top right.
    auto quadrants = [](int x, int y) -> uint32_t {
        const bool right = x >= kWindowWidth / 2;
        const bool top = y >= kWindowHeight / 2;
        return top ? (right ? 0xFFFFFFu : 0x0000FFu) : (right ? 0x00FF00u : 0xFF0000u);
    };
    MakeSource("__ROLT_Final_Pass_Texture", quadrants);
    TestHost host;
    RFinalPassMaterial material;
    quad.SetMaterial(&material);
    const int left = 8, right = kWindowWidth - 9, bottom = 6, top = kWindowHeight - 7;

    std::vector<uint32_t> upright = Draw({&quad}, 0x000000);
    EXPECT_EQ(At(upright, left, bottom), 0xFF0000u);
    EXPECT_EQ(At(upright, right, bottom), 0x00FF00u);
    EXPECT_EQ(At(upright, left, top), 0x0000FFu);
    EXPECT_EQ(At(upright, right, top), 0xFFFFFFu);

    // A quarter turn clockwise: the top left corner goes to the top right.
    host.tate = 1;
    std::vector<uint32_t> turned = Draw({&quad}, 0x000000);
    EXPECT_EQ(At(turned, right, top), 0x0000FFu);
    EXPECT_EQ(At(turned, right, bottom), 0xFFFFFFu);
    EXPECT_EQ(At(turned, left, bottom), 0x00FF00u);
    EXPECT_EQ(At(turned, left, top), 0xFF0000u);

    host.tate = 2;
    std::vector<uint32_t> upsideDown = Draw({&quad}, 0x000000);
    EXPECT_EQ(At(upsideDown, right, top), 0xFF0000u);
    EXPECT_EQ(At(upsideDown, left, bottom), 0xFFFFFFu);

    host.tate = 0;
    host.brightness = 0.5f;
    std::vector<uint32_t> dimmed = Draw({&quad}, 0x000000);
    EXPECT_NEAR(Red(At(dimmed, right, top)), 128, 1);
    EXPECT_NEAR(Blue(At(dimmed, left, top)), 128, 1);
    EXPECT_EQ(Green(At(dimmed, left, top)), 0);
    host.brightness = 3.0f;
    EXPECT_EQ(At(Draw({&quad}, 0x000000), left, bottom), 0xFF0000u) << "clamped, not wrapped";
    quad.SetMaterial(nullptr);
    renderer->UnloadTexture(RHashedString("__ROLT_Final_Pass_Texture"));
}

TEST_F(PassMaterialGLTest, TitlePictureSitsInItsPlaceAndFadesOut)
{
    TestHost host;
    RDefaultTitleScreenMaterial material;
    ASSERT_NE(material.GetTitleTexture(), nullptr);
    EXPECT_EQ(material.GetTitleTexture()->GetWidth(), 512u);
    EXPECT_EQ(material.GetTitleTexture()->GetHeight(), 256u);
    EXPECT_EQ(material.GetPictureAspect(), 2.0f);
    quad.SetMaterial(&material);

    // On this 4:3 window the picture spans x -0.75 to 0.75 and y -0.15 to 0.85 (scale 0.5 around y 0.35).
    std::vector<uint32_t> drawn = Draw({&quad}, 0x000000);
    int lit = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            const bool inside = x >= 7 && x <= 56 && y >= 19 && y <= 45;
            if (At(drawn, x, y) != 0) {
                ++lit;
                EXPECT_TRUE(inside) << "lit outside the picture at " << x << ", " << y;
            }
        }
    }
    EXPECT_GT(lit, 50);

    TestMenus menus;
    menus.overlay = 0x00FFFFFFu;
    std::vector<uint32_t> faded = Draw({&quad}, 0x000000);
    for (uint32_t pixel : faded)
        ASSERT_EQ(pixel, 0u) << "a fully faded overlay hides the picture";
    quad.SetMaterial(nullptr);
}

TEST_F(PassMaterialGLTest, CalibrationPictureIsUprightWithItsStepsAbove)
{
    TestHost host;
    host.calibrationScale = 1.0f;
    host.calibrationOffset = 0.0f;
    RDefaultCalibrationMaterial material;
    EXPECT_EQ(material.GetImageAspect(), 2.0f);
    quad.SetMaterial(&material);
    std::vector<uint32_t> drawn = Draw({&quad}, 0x000000);
    // The upper half shows the grey steps, darker on the left; the lower half the near-black field.
    const int upper = kWindowHeight * 3 / 4;
    EXPECT_LT(Red(At(drawn, 4, upper)) + 40, Red(At(drawn, kWindowWidth - 5, upper)));
    EXPECT_GT(Red(At(drawn, kWindowWidth - 5, upper)), 150);
    for (int y = 0; y < kWindowHeight / 2 - 2; ++y) {
        for (int x = 0; x < kWindowWidth; ++x)
            ASSERT_LE(Red(At(drawn, x, y)), 16) << x << ", " << y;
    }
    quad.SetMaterial(nullptr);
}

TEST_F(PassMaterialGLTest, DepthBackdropFillsOnlyWhatNothingNearerCovers)
{
    const int32_t before = EffectReferences("__Depth_Backdrop Shader");
    RDepthBackdropQuad* backdrop = new RDepthBackdropQuad();
    EXPECT_EQ(EffectReferences("__Depth_Backdrop Shader"), before + 1);
    ASSERT_NE(backdrop->GetVertexSet(), nullptr);
    EXPECT_EQ(backdrop->GetVertexSet()->GetVertexCount(), 4u);

    pass->clearDepth = 1.0f;
    std::vector<uint32_t> far = Draw({backdrop}, 0x0000FF);
    for (uint32_t pixel : far) {
        ASSERT_NEAR(Red(pixel), 128, 1);
        ASSERT_EQ(Red(pixel), Blue(pixel));
    }
    pass->clearDepth = 0.5f;
    std::vector<uint32_t> covered = Draw({backdrop}, 0x0000FF);
    for (uint32_t pixel : covered)
        ASSERT_EQ(pixel, 0x0000FFu);
    pass->clearDepth = 1.0f;

    delete backdrop;
    EXPECT_EQ(EffectReferences("__Depth_Backdrop Shader"), before) << "the quad deleted its material";
}

TEST_F(PassMaterialGLTest, ConsoleBackdropHangsFromTheTop)
{
    RConsoleBackdropMaterial material(false);
    RConsoleBackdrop panel;
    panel.SetMaterial(&material);
    panel.SetHeight(kWindowHeight / 2.0f);
    std::vector<uint32_t> half = Draw({&panel}, 0xFFFFFF);
    for (int y = 0; y < kWindowHeight / 2; ++y) {
        for (int x = 0; x < kWindowWidth; ++x)
            ASSERT_EQ(At(half, x, y), 0xFFFFFFu) << "below the panel at " << x << ", " << y;
    }
    // Opaque black at the left, three-quarter black at the right of its top edge.
    EXPECT_LE(Red(At(half, 0, kWindowHeight - 1)), 4);
    EXPECT_NEAR(Red(At(half, kWindowWidth - 1, kWindowHeight - 1)), 64, 4);
    // Its middle: seven-eighths opaque, half-way to the dark grey of its lower edge.
    EXPECT_NEAR(Red(At(half, kWindowWidth / 2, kWindowHeight * 3 / 4)), 46, 4);

    panel.SetHeight(0.0f);
    for (uint32_t pixel : Draw({&panel}, 0xFFFFFF))
        ASSERT_EQ(pixel, 0xFFFFFFu) << "a panel of height 0 covers nothing";
    panel.SetMaterial(nullptr);
}

TEST_F(PassMaterialGLTest, MenuBackdropCoversTheScreenAndFadesWithTheMenus)
{
    RConsoleBackdropMaterial material(true);
    RMenuBackdrop panel;
    panel.SetMaterial(&material);
    panel.SetHeight(static_cast<float>(kWindowHeight));

    for (uint32_t pixel : Draw({&panel}, 0xFFFFFF))
        ASSERT_EQ(pixel, 0xFFFFFFu) << "no menu stacked: transparent";

    TestMenus menus;
    std::vector<uint32_t> shown = Draw({&panel}, 0xFFFFFF);
    // Half opacity along the top edge, three-quarter along the bottom, the same across each row.
    EXPECT_NEAR(Red(At(shown, 0, kWindowHeight - 1)), 128, 4);
    EXPECT_NEAR(Red(At(shown, kWindowWidth - 1, kWindowHeight - 1)), 128, 4);
    EXPECT_NEAR(Red(At(shown, kWindowWidth / 2, 0)), 64, 4);

    menus.opacity = 0.5f;
    std::vector<uint32_t> fading = Draw({&panel}, 0xFFFFFF);
    EXPECT_NEAR(Red(At(fading, kWindowWidth / 2, 0)), 255 - 96, 4);
    panel.SetMaterial(nullptr);
}
