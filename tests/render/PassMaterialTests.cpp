// Pass materials and backdrops: the parameters each answers, and the pre-HUD and final passes drawn with the
// engine's own effects from "Engine.rpk" and read back.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "GLTestSupport.h"
#include "HUDTestSupport.h"
#include "core/types/RMath.h"
#include "core/files/RStreamMgr.h"
#include "render/passes/RConsoleBackdrop.h"
#include "render/passes/RConsoleBackdropMaterial.h"
#include "render/hud/RDefaultTitleScreenMaterial.h"
#include "render/passes/RFinalPassMaterial.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RMeshUtil.h"
#include "render/passes/RPassMaterialHost.h"
#include "render/passes/RPreHUDPassMaterial.h"
#include "render/frame/RRenderPass.h"
#include "render/effects/RShaderMgr.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

using namespace hudtest;

namespace {

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

}  // namespace

TEST(PassMaterialParams, PreHUDQualityChoosesTheEffectAndTheFrameSizeIsNeverDividedByZero)
{
    const char* const files[] = {"None", "None", "Low", "Medium", "High", "Ultra", "Ultra"};
    for (int32_t quality = -1; quality <= 5; ++quality) {
        EXPECT_EQ(std::string(RPreHUDPassMaterial::GetEffectFileName(quality)),
                  std::string("__ROLT_FXAA_") + files[quality + 1] + ".fxo");
        EXPECT_EQ(std::string(RPreHUDPassMaterial::GetEffectName(quality)),
                  std::string("__PreHUD_Pass Shader (FXAA: ") + files[quality + 1] + ")");
    }
    RPreHUDPassMaterial* low = new RPreHUDPassMaterial(1);
    RPreHUDPassMaterial* lowAgain = new RPreHUDPassMaterial(1);
    EXPECT_EQ(EffectReferences("__PreHUD_Pass Shader (FXAA: Low)"), 2);
    delete low;
    delete lowAgain;
    EXPECT_EQ(EffectReferences("__PreHUD_Pass Shader (FXAA: Low)"), 0);

    RPreHUDPassMaterial material(2);
    {
        ScreenSize screen(1280, 720);
        RecordingMapping rcp = Ask(material, "rcpFrame");
        ASSERT_EQ(rcp.kind, "vector");
        EXPECT_FLOAT_EQ(rcp.vector.x, 0.00078125f);
        EXPECT_FLOAT_EQ(rcp.vector.y, 0.0013888889f);
    }
    EXPECT_TRUE(Ask(material, "bUseFXAA").boolValue);
    EXPECT_EQ(Ask(material, "PreHUDPassBackbuffer").texture, RHashedString("__ROLT_PreHUD_Pass_Texture"));

    // Without a screen size the frame is one pixel.
    ScreenSize none(0, 0);
    RResolutionSensitiveList::SetCurrent(nullptr);
    EXPECT_EQ(Ask(material, "rcpFrame").vector.x, 1.0f);
    RConsoleBackdropMaterial console(false);
    EXPECT_EQ(AnsweredFloat(console, "invHalfScreenHeight"), 2.0f);
}

TEST(PassMaterialParams, PicturesWithoutATextureCollapseAndFadeWithTheMenus)
{
    TestHost host;
    host.titleFile = nullptr;
    ScreenSize screen(1280, 800);
    RDefaultTitleScreenMaterial title;
    EXPECT_EQ(title.GetTitleTexture(), nullptr);
    EXPECT_EQ(title.GetPictureAspect(), 0.0f);
    RecordingMapping placement = Ask(title, "wvpMat");
    EXPECT_EQ(placement.matrix.m[0], 0.0f);
    EXPECT_FALSE(std::isnan(placement.matrix.m[5]));
    EXPECT_FLOAT_EQ(placement.matrix.m[13], 0.35f);
    EXPECT_EQ(AnsweredVector(title, "OpacityColor").w, 1.0f);  // no menu state: opaque, not slid
    {
        TestMenuState menus;
        menus.overlayColour = 0x80FFFFFFu;
        menus.slideOffset = -0.5f;
        menus.titleShift = 0.1f;
        EXPECT_NEAR(AnsweredVector(title, "OpacityColor").w, 128.0f / 255.0f, 1e-6f);
        RecordingMapping moved = Ask(title, "wvpMat");
        EXPECT_NEAR(moved.matrix.m[12], -0.5f * (4.0f / 3.0f) / 1.6f, 1e-6f);
        EXPECT_NEAR(moved.matrix.m[13], 0.45f, 1e-6f);
    }
    EXPECT_EQ(Ask(title, "TitleTex").texture, RHashedString("__Default_Title Texture"));
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(RHashedString("__Default_Title Texture")));
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
        if (!RStreamMgr::GetInstance()->Exists("default_title.dds", RStreamMgr::kPacksOnly))
            RStreamMgr::GetInstance()->MountPack(ROLT_TEST_RESOURCE_DIR "/Engine.rpk");
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
    ScreenSize screen{kWindowWidth, kWindowHeight};
};

// White above a shallow line, black below: stair steps two pixels long.
uint32_t Staircase(int x, int y)
{
    return 2 * y > x + 30 ? 0xFFFFFFu : 0x000000u;
}

}  // namespace

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

    for (int32_t quality : {1, 4}) {
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
    MakeSource("__ROLT_Final_Pass_Texture", [](int x, int y) -> uint32_t {
        const bool right = x >= kWindowWidth / 2;
        return y >= kWindowHeight / 2 ? (right ? 0xFFFFFFu : 0x0000FFu) : (right ? 0x00FF00u : 0xFF0000u);
    });
    TestHost host;
    RFinalPassMaterial material;
    quad.SetMaterial(&material);
    const int left = 8, right = kWindowWidth - 9, bottom = 6, top = kWindowHeight - 7;
    struct Case {
        int32_t tate;
        float brightness;
        uint32_t bottomLeft, bottomRight, topLeft, topRight;
    };
    for (Case c : {Case{0, 1.0f, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu},
                   Case{1, 1.0f, 0x00FF00u, 0xFFFFFFu, 0xFF0000u, 0x0000FFu},  // a quarter turn clockwise
                   Case{-1, 1.0f, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu},  // out of range: unturned
                   Case{0, 0.5f, 0x800000u, 0x008000u, 0x000080u, 0x808080u},
                   Case{0, 3.0f, 0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFFFFu}}) {  // clamped, not wrapped
        SCOPED_TRACE(std::to_string(c.tate) + " at " + std::to_string(c.brightness));
        host.tate = c.tate;
        host.brightness = c.brightness;
        std::vector<uint32_t> drawn = Draw({&quad}, 0x000000);
        const uint32_t corners[4][2] = {{At(drawn, left, bottom), c.bottomLeft}, {At(drawn, right, bottom), c.bottomRight},
                                        {At(drawn, left, top), c.topLeft}, {At(drawn, right, top), c.topRight}};
        const int tolerance = c.brightness == 0.5f ? 1 : 0;  // halves round either way
        for (const auto& corner : corners) {
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(int((corner[0] >> shift) & 0xFF), int((corner[1] >> shift) & 0xFF), tolerance)
                    << std::hex << corner[0];
        }
    }
    quad.SetMaterial(nullptr);
    renderer->UnloadTexture(RHashedString("__ROLT_Final_Pass_Texture"));
}
