// Render stages, passes, groups and targets: frames of passes drawn into off-screen targets and the back buffer
// and read back pixel by pixel; the rebinding, clearing and viewport rules between consecutive passes; sorting
// and batching; records, renderables and targets going away while listed; targets through a device reset.
#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "GLTestSupport.h"
#include "ShaderTestSupport.h"
#include "core/RMath.h"
#include "render/RIndexBuffer.h"
#include "render/RMaterial.h"
#include "render/RMaterialInst.h"
#include "render/RMesh.h"
#include "render/RMeshUtil.h"
#include "render/RRenderGroup.h"
#include "render/RRenderPass.h"
#include "render/RRenderStage.h"
#include "render/RRenderTarget.h"
#include "render/RRenderableInst.h"
#include "render/RShader.h"
#include "render/RShaderParam.h"
#include "render/RTechnique.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"
#include "render/RVertexSet.h"
#include "render/RViewport.h"

using namespace gltest;

namespace {

constexpr uint32_t kBlack = 0x000000u;
constexpr uint32_t kRed = 0xFF0000u;
constexpr uint32_t kGreen = 0x00FF00u;
constexpr uint32_t kBlue = 0x0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFu;

const RVector4 kFull = {1.0f, 1.0f, 0.0f, 0.0f};        // u_rect: scale xy, offset xy
const RVector4 kLeftHalf = {0.5f, 1.0f, -0.5f, 0.0f};   // NDC x from -1 to 0
const RVector4 kRightHalf = {0.5f, 1.0f, 0.5f, 0.0f};

// The flat techniques place the quad with the template's "u_rect" plus the instance's "u_shift" and fill it
// with the material's "u_colour"; "TwoPass" draws half the colour, then adds the other half in a second program.
const char* const kFlatVS =
    "#version 120\n"
    "attribute vec3 inPos;\n"
    "uniform vec4 u_rect;\n"
    "uniform vec4 u_shift;\n"
    "void main() { gl_Position = vec4(inPos.xy * u_rect.xy + u_rect.zw + u_shift.xy, 0.0, 1.0); }\n";
const char* const kFlatPS = "#version 120\nuniform vec4 u_colour;\nvoid main() { gl_FragColor = u_colour; }\n";
const char* const kHalfPS =
    "#version 120\nuniform vec4 u_colour;\nvoid main() { gl_FragColor = u_colour * 0.5; }\n";
const char* const kFlatUniforms =
    "[Uniforms]\n"
    "u_colour = vector,1,material\n"
    "u_rect = vector,1,renderable\n"
    "u_shift = vector,1,rendinst\n"
    "[Attributes]\ninPos = POSITION\n";
const char* const kNoCull = "[RenderStates]\nCullMode = None\nZEnable = False\n";
const char* const kAdd =
    "[RenderStates]\nCullMode = None\nZEnable = False\nAlphaBlendEnable = True\nSrcBlend = One\nDestBlend = One\n";
// Samples the texture the material names in "u_tex" over the whole quad.
const char* const kSampleVS =
    "#version 120\n"
    "attribute vec3 inPos;\n"
    "attribute vec2 inTex;\n"
    "varying vec2 tex;\n"
    "void main() { tex = inTex; gl_Position = vec4(inPos.xy, 0.0, 1.0); }\n";
const char* const kSamplePS =
    "#version 120\nuniform sampler2D u_tex;\nvarying vec2 tex;\n"
    "void main() { gl_FragColor = texture2D(u_tex, tex); }\n";
const char* const kSampleState =
    "[Uniforms]\nu_tex = texture,1,material\n"
    "[Attributes]\ninPos = POSITION\ninTex = TEXCOORD0\n"
    "[RenderStates]\nCullMode = None\nZEnable = False\n"
    "[u_tex]\nMagFilter = Point\nAddressU = Clamp\nAddressV = Clamp\n";

// One draw as the quads record it: who drew and with which program.
struct DrawRecord {
    RRenderableInterface* drawn;
    GLint program;
};

std::vector<DrawRecord>* s_draws = nullptr;

// A quad sharing the fixture's full-screen quad buffers, placed by "u_rect". Records its draws, and runs an
// optional hook in the middle of each.
class TestQuad : public RMesh {
public:
    TestQuad(const RMesh& shape, RVector4 rect = kFull) : RMesh(shape), rect(rect) {}

    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("u_rect")) {
            mapping->SetVector(&rect);
            return true;
        }
        if (mapping->name == RHashedString("u_shift")) {
            RVector4 none = {0.0f, 0.0f, 0.0f, 0.0f};
            mapping->SetVector(&none);
            return true;
        }
        return RMesh::InformShaderParams(mapping, renderPassId, requester);
    }
    void RenderWith(RRenderer* renderer, RRenderableInst* instance) override
    {
        GLint program = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        if (s_draws)
            s_draws->push_back({instance ? static_cast<RRenderableInterface*>(instance) : this, program});
        if (hook)
            hook();
        RMesh::RenderWith(renderer, instance);
    }

    RVector4 rect;
    std::function<void()> hook;
};

// Moves its template's quad by "u_shift".
class ShiftedInst : public RRenderableInst {
public:
    explicit ShiftedInst(RVector4 shift) : shift(shift) {}
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("u_shift")) {
            mapping->SetVector(&shift);
            return true;
        }
        return RRenderableInst::InformShaderParams(mapping, renderPassId, requester);
    }
    RVector4 shift;
};

// Answers "u_colour" with a packed colour and "u_tex" with a texture name.
class TestMaterial : public RMaterial {
public:
    TestMaterial(RShader* effect, const char* technique, uint32_t rgb, const char* texture = nullptr)
        : texture(texture ? RHashedString(texture) : RHashedString())
    {
        SetDefaultTechnique(effect, RHashedString(technique));
        colour = {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, 1.0f};
    }
    bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                            RShaderParamInformant* requester) override
    {
        if (mapping->name == RHashedString("u_colour")) {
            mapping->SetVector(&colour);
            return true;
        }
        if (mapping->name == RHashedString("u_tex")) {
            mapping->SetTexture(texture);
            return true;
        }
        return RMaterial::InformShaderParams(mapping, renderPassId, requester);
    }
    RVector4 colour;
    RHashedString texture;
};

// The colour at a pixel (y from the bottom) of a target, or of the back buffer for null, without alpha.
uint32_t PixelOf(const RRenderTarget* target, int x, int y)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target && target->framebuffer ? target->framebuffer->name : 0);
    uint32_t pixel = ReadPixel(x, y) & 0x00FFFFFFu;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return pixel;
}

std::vector<GLint> Viewport()
{
    std::vector<GLint> values(4, -1);
    glGetIntegerv(GL_VIEWPORT, values.data());
    return values;
}

std::vector<float> DepthRange()
{
    std::vector<float> values(2, -1.0f);
    glGetFloatv(GL_DEPTH_RANGE, values.data());
    return values;
}

RHashedString Id(const char* text)
{
    return RHashedString(text);
}

class RenderPassTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        WriteEffect("passes");
        WriteEffect("passes2");
        first = new RShader(folder.File("passes.fxo").c_str(), Id("Pass Test Effect"));
        second = new RShader(folder.File("passes2.fxo").c_str(), Id("Pass Test Effect Two"));
        ASSERT_EQ(first->GetTechniqueCount(), 4);
        ASSERT_EQ(second->GetTechniqueCount(), 4);
        ASSERT_TRUE(RMeshUtil::MakeFullScreenQuad(&shape, kWindowWidth, kWindowHeight));
        renderer->SetCurrentRenderTarget(nullptr);
        s_draws = &draws;
    }
    void TearDown() override
    {
        s_draws = nullptr;
        if (!renderer)
            return;
        while (!renderer->GetRenderPasses().isEmpty())
            renderer->DestroyRenderPass(renderer->GetRenderPasses()[0]->id);
        while (!renderer->GetRenderGroups().isEmpty())
            renderer->DestroyRenderGroup(renderer->GetRenderGroups()[0]->id);
        renderer->DestroyAllRenderStages();
        renderer->SetCurrentRenderTarget(nullptr);
        renderer->SetEffect(nullptr);
        delete first;
        delete second;
        delete shape.GetVertexSet();
        delete shape.GetIndexBuffer();
        glUseProgram(0);
        glDisable(GL_BLEND);
        renderer->SetDefaultState();
        renderer->BindDefaultTarget();
        glDepthRange(0.0, 1.0);
    }

    void WriteEffect(const std::string& base)
    {
        folder.Write(base + "_GLSL.xml",
                     "<technique name=\"Flat\"><pass name=\"P\"/></technique>"
                     "<technique name=\"FlatB\"><pass name=\"P\"/></technique>"
                     "<technique name=\"TwoPass\"><pass name=\"A\"/><pass name=\"B\"/></technique>"
                     "<technique name=\"Sample\"><pass name=\"P\"/></technique>");
        WritePass(base, "Flat_P", kFlatVS, kFlatPS, std::string(kFlatUniforms) + kNoCull);
        WritePass(base, "FlatB_P", kFlatVS, kFlatPS, std::string(kFlatUniforms) + kNoCull);
        WritePass(base, "TwoPass_A", kFlatVS, kHalfPS, std::string(kFlatUniforms) + kNoCull);
        WritePass(base, "TwoPass_B", kFlatVS, kHalfPS, std::string(kFlatUniforms) + kAdd);
        WritePass(base, "Sample_P", kSampleVS, kSamplePS, kSampleState);
    }
    void WritePass(const std::string& base, const std::string& pass, const char* vertex, const char* pixel,
                   const std::string& state)
    {
        folder.Write(base + "_" + pass + "_VS.glsl", vertex);
        folder.Write(base + "_" + pass + "_PS.glsl", pixel);
        folder.Write(base + "_" + pass + "_State.ini", state);
    }

    // A pass drawing one group of the same name, clearing colour and depth to the colour.
    RRenderPass* PassWithGroup(const char* name, uint32_t clearRgb)
    {
        RRenderPass* pass = renderer->CreateRenderPass(Id(name));
        renderer->CreateRenderGroup(Id(name));
        renderer->AddGroupToPass(Id(name), Id(name));
        pass->clearColourFlag = true;
        pass->clearColour = 0xFF000000u | clearRgb;
        return pass;
    }

    void DrawFrame()
    {
        renderer->BeginFrame();
        renderer->RenderStage(RHashedString());
        renderer->EndFrame();
    }

    shadertest::EffectFolder folder;
    RShader* first = nullptr;
    RShader* second = nullptr;
    RMesh shape;
    std::vector<DrawRecord> draws;
};

// ---------------------------------------------------------------------------------------------------------------
// Records

TEST(RenderRecordsTest, ViewportsDifferBeyondTheRelativeTolerance)
{
    RViewport a;
    RViewport b;
    EXPECT_TRUE(a == b);
    b.height = 1.0f + 5e-6f;  // below 1e-5 of the smaller value
    EXPECT_TRUE(a == b);
    b.height = 1.0f + 5e-5f;
    EXPECT_TRUE(a != b);
    b = a;
    b.y = 1e-30f;  // 0 differs from every other value
    EXPECT_TRUE(a != b);
    b = a;
    b.minDepth = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(b != b);
    b = a;
    b.x = -0.0f;
    EXPECT_TRUE(a == b);
}

TEST_F(RenderPassTest, FindsCreatesAddsAndRemovesByIdWithoutDuplicates)
{
    EXPECT_EQ(renderer->FindRenderPass(Id("Nowhere")), nullptr);
    RRenderPass* pass = renderer->CreateRenderPass(Id("Main"));
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(renderer->CreateRenderPass(Id("main")), pass);  // ids are case-insensitive names
    EXPECT_EQ(renderer->FindRenderPass(Id("Main")), pass);
    // The defaults of a new pass.
    EXPECT_TRUE(pass->targets.isEmpty());
    EXPECT_FALSE(pass->clearColourFlag);
    EXPECT_TRUE(pass->clearDepthFlag);
    EXPECT_EQ(pass->clearColour, 0u);
    EXPECT_EQ(pass->clearDepth, 1.0f);
    EXPECT_FALSE(pass->clearAlways);
    EXPECT_FALSE(pass->setTargetFlag);
    EXPECT_EQ(pass->setTarget, nullptr);
    EXPECT_TRUE(pass->enabled);
    EXPECT_TRUE(pass->viewport == RViewport());
    EXPECT_EQ(pass->viewport.maxDepth, 1.0f);

    RRenderGroup* world = renderer->CreateRenderGroup(Id("World"));
    RRenderGroup* hud = renderer->CreateRenderGroup(Id("HUD"));
    EXPECT_EQ(renderer->CreateRenderGroup(Id("World")), world);
    EXPECT_TRUE(world->enabled);
    renderer->AddGroupToPass(Id("HUD"), Id("Main"));
    renderer->AddGroupToPass(Id("World"), Id("Main"));
    renderer->AddGroupToPass(Id("HUD"), Id("Main"));
    renderer->AddGroupToPass(Id("Missing"), Id("Main"));
    renderer->AddGroupToPass(Id("World"), Id("Missing"));
    ASSERT_EQ(pass->groups.getCount(), 2u);
    EXPECT_EQ(pass->groups[0], hud);
    EXPECT_EQ(pass->groups[1], world);
    renderer->RemoveGroupFromPass(Id("HUD"), Id("Main"));
    renderer->RemoveGroupFromPass(Id("HUD"), Id("Missing"));
    ASSERT_EQ(pass->groups.getCount(), 1u);
    EXPECT_EQ(pass->groups[0], world);

    TestQuad quad(shape);
    renderer->AddRenderableToGroup(&quad, Id("World"));
    renderer->AddRenderableToGroup(&quad, Id("World"));
    renderer->AddRenderableToGroup(&quad, Id("HUD"));
    renderer->AddRenderableToGroup(nullptr, Id("HUD"));
    renderer->AddRenderableToGroup(&quad, Id("Missing"));
    EXPECT_EQ(world->renderables.getCount(), 1u);
    EXPECT_EQ(hud->renderables.getCount(), 1u);
    renderer->RemoveRenderableFromGroup(&quad, Id("HUD"));
    renderer->RemoveRenderableFromGroup(&quad, Id("Missing"));
    EXPECT_EQ(hud->renderables.getCount(), 0u);
    renderer->AddRenderableToGroup(&quad, Id("HUD"));
    renderer->RemoveRenderableFromAllGroups(&quad);
    EXPECT_TRUE(world->renderables.isEmpty());
    EXPECT_TRUE(hud->renderables.isEmpty());

    RRenderStage* stage = renderer->CreateRenderStage(Id("Stage"));
    EXPECT_EQ(renderer->CreateRenderStage(Id("Stage")), stage);
    renderer->AddPassToStage(Id("Main"), Id("Stage"));
    renderer->AddPassToStage(Id("Main"), Id("Stage"));
    renderer->AddPassToStage(Id("Missing"), Id("Stage"));
    EXPECT_EQ(stage->passes.getCount(), 1u);
    renderer->RemovePassFromStage(Id("Main"), Id("Stage"));
    EXPECT_TRUE(stage->passes.isEmpty());
    renderer->DestroyRenderStage(Id("Stage"));
    EXPECT_EQ(renderer->FindRenderStage(Id("Stage")), nullptr);
    renderer->DestroyRenderStage(Id("Stage"));
}

// Destroying a pass or a group leaves nothing pointing at the deleted record: a later frame draws what is left.
TEST_F(RenderPassTest, DestroyedPassesAndGroupsLeaveTheirStagesAndPasses)
{
    PassWithGroup("Main", kBlack);
    renderer->CreateRenderGroup(Id("Extra"));
    renderer->AddGroupToPass(Id("Extra"), Id("Main"));
    renderer->CreateRenderPass(Id("Later"));
    RRenderStage* stage = renderer->CreateRenderStage(Id("Stage"));
    renderer->AddPassToStage(Id("Main"), Id("Stage"));
    renderer->AddPassToStage(Id("Later"), Id("Stage"));

    renderer->DestroyRenderGroup(Id("Extra"));
    EXPECT_EQ(renderer->FindRenderGroup(Id("Extra")), nullptr);
    ASSERT_EQ(renderer->FindRenderPass(Id("Main"))->groups.getCount(), 1u);
    EXPECT_EQ(renderer->FindRenderPass(Id("Main"))->groups[0], renderer->FindRenderGroup(Id("Main")));

    renderer->DestroyRenderPass(Id("Main"));
    EXPECT_EQ(renderer->FindRenderPass(Id("Main")), nullptr);
    ASSERT_EQ(stage->passes.getCount(), 1u);
    EXPECT_EQ(stage->passes[0], renderer->FindRenderPass(Id("Later")));
    renderer->RenderStage(Id("Stage"));
    renderer->RenderStage(RHashedString());
}

// A renderable destroyed while listed leaves every group: the next frame never reaches it.
TEST_F(RenderPassTest, DestroyedRenderablesLeaveEveryGroup)
{
    TestMaterial red(first, "Flat", kRed);
    PassWithGroup("Main", kBlack);
    renderer->CreateRenderGroup(Id("Other"));
    renderer->AddGroupToPass(Id("Other"), Id("Main"));
    TestQuad* quad = new TestQuad(shape);
    quad->SetMaterial(&red);
    RRenderableInst* instance = quad->CreateInstance();
    renderer->AddRenderableToGroup(quad, Id("Main"));
    renderer->AddRenderableToGroup(instance, Id("Main"));
    renderer->AddRenderableToGroup(instance, Id("Other"));

    delete instance;
    EXPECT_EQ(renderer->FindRenderGroup(Id("Main"))->renderables.getCount(), 1u);
    EXPECT_TRUE(renderer->FindRenderGroup(Id("Other"))->renderables.isEmpty());
    delete quad;
    EXPECT_TRUE(renderer->FindRenderGroup(Id("Main"))->renderables.isEmpty());
    DrawFrame();
    EXPECT_TRUE(draws.empty());
    EXPECT_EQ(PixelOf(nullptr, 10, 10), kBlack);
}

// ---------------------------------------------------------------------------------------------------------------
// Binding, clearing and viewports between passes

// Two passes without targets: the first clears, the second only with its clear-always flag.
TEST_F(RenderPassTest, OnlyTheFirstPassOrAClearAlwaysPassClearsTheSameTargets)
{
    TestMaterial green(first, "Flat", kGreen);
    TestMaterial blue(first, "Flat", kBlue);
    PassWithGroup("First", kRed);
    RRenderPass* second_ = PassWithGroup("Second", kWhite);
    TestQuad left(shape, kLeftHalf);
    left.SetMaterial(&green);
    TestQuad right(shape, kRightHalf);
    right.SetMaterial(&blue);
    renderer->AddRenderableToGroup(&left, Id("First"));
    renderer->AddRenderableToGroup(&right, Id("Second"));

    DrawFrame();
    EXPECT_EQ(PixelOf(nullptr, 8, 24), kGreen);
    EXPECT_EQ(PixelOf(nullptr, 56, 24), kBlue);
    EXPECT_TRUE(renderer->IsTextFlushRaised());

    // The right quad goes: what the first pass left shows through the second, uncleared.
    renderer->RemoveRenderableFromAllGroups(&right);
    DrawFrame();
    EXPECT_EQ(PixelOf(nullptr, 8, 24), kGreen);
    EXPECT_EQ(PixelOf(nullptr, 56, 24), kRed);

    second_->clearAlways = true;
    DrawFrame();
    EXPECT_EQ(PixelOf(nullptr, 8, 24), kWhite);
    EXPECT_EQ(PixelOf(nullptr, 56, 24), kWhite);
}

// A disabled first pass does not keep the frame from being cleared: the first pass drawn clears.
TEST_F(RenderPassTest, TheFirstPassDrawnClearsWhenEarlierOnesAreDisabled)
{
    RRenderPass* off = PassWithGroup("Off", kBlue);
    off->enabled = false;
    PassWithGroup("On", kGreen);
    renderer->ClearColour(0xFFFF0000u);
    DrawFrame();
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kGreen);
}

// An off-screen pass draws into its target; a later pass samples the target by name onto the back buffer.
TEST_F(RenderPassTest, OffScreenTargetIsDrawnAndSampledByName)
{
    RRenderTarget target(Id("PassTestScene"), 32, 16, RRenderer::FORMAT_RGBA, 0, 0);
    ASSERT_NE(target.framebuffer, nullptr);
    TestMaterial green(first, "Flat", kGreen);
    TestMaterial sample(first, "Sample", kBlack, "PassTestScene");
    RRenderPass* scene = PassWithGroup("Scene", kRed);
    scene->targets.push(&target);
    PassWithGroup("Show", kBlue);
    TestQuad left(shape, kLeftHalf);
    left.SetMaterial(&green);
    TestQuad screen(shape);
    screen.SetMaterial(&sample);
    renderer->AddRenderableToGroup(&left, Id("Scene"));
    renderer->AddRenderableToGroup(&screen, Id("Show"));

    DrawFrame();
    EXPECT_EQ(PixelOf(&target, 4, 8), kGreen);
    EXPECT_EQ(PixelOf(&target, 28, 8), kRed);
    EXPECT_EQ(PixelOf(nullptr, 8, 24), kGreen);
    EXPECT_EQ(PixelOf(nullptr, 56, 24), kRed);
    // The back buffer was bound at its own size for the second pass.
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 0, kWindowWidth, kWindowHeight}));
    EXPECT_EQ(renderer->GetCurrentTargetWidth(), static_cast<uint32_t>(kWindowWidth));
}

// A pass drawing into the target the pass before drew into neither rebinds nor clears it.
TEST_F(RenderPassTest, ConsecutivePassesIntoOneTargetShareItUncleared)
{
    RRenderTarget target(Id("PassTestShared"), 32, 16, RRenderer::FORMAT_RGBA, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    RRenderPass* one = PassWithGroup("One", kRed);
    RRenderPass* two = PassWithGroup("Two", kBlue);
    one->targets.push(&target);
    two->targets.push(&target);
    TestQuad left(shape, kLeftHalf);
    left.SetMaterial(&green);
    renderer->AddRenderableToGroup(&left, Id("One"));

    DrawFrame();
    EXPECT_EQ(PixelOf(&target, 4, 8), kGreen);
    EXPECT_EQ(PixelOf(&target, 28, 8), kRed);
    two->clearAlways = true;
    DrawFrame();
    EXPECT_EQ(PixelOf(&target, 4, 8), kBlue);
}

// A set-target pass changes where passes without targets draw: the next one binds it, clears and sets its
// viewport; the back buffer is left alone, and the target stays current from frame to frame.
TEST_F(RenderPassTest, SetTargetPassRedirectsPassesWithoutTargets)
{
    RRenderTarget target(Id("PassTestRedirect"), 40, 20, RRenderer::FORMAT_RGBA, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    PassWithGroup("Before", kRed);
    RRenderPass* redirect = renderer->CreateRenderPass(Id("Redirect"));
    redirect->setTargetFlag = true;
    redirect->setTarget = &target;
    RRenderPass* after = PassWithGroup("After", kBlue);
    after->viewport.width = 0.5f;
    TestQuad full(shape);
    full.SetMaterial(&green);
    renderer->AddRenderableToGroup(&full, Id("After"));

    DrawFrame();
    EXPECT_EQ(renderer->GetCurrentRenderTarget(), &target);
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kRed);
    EXPECT_EQ(PixelOf(&target, 5, 10), kGreen);
    EXPECT_EQ(PixelOf(&target, 35, 10), kBlue);
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 0, 20, 20}));

    // Next frame "Before" draws into the current target too, and "After" no longer counts as a change.
    redirect->enabled = false;
    redirect->setTargetFlag = false;
    DrawFrame();
    EXPECT_EQ(PixelOf(&target, 5, 10), kGreen);
    EXPECT_EQ(PixelOf(&target, 35, 10), kRed);
}

// The base game's letterbox viewport on a 640 x 480 target: equal bars above and below.
TEST_F(RenderPassTest, ViewportFractionsMapToPixelsFromTheTop)
{
    RRenderTarget target(Id("PassTestLetterbox"), 640, 480, RRenderer::FORMAT_RGBA, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    RRenderPass* pass = PassWithGroup("Main", kRed);
    pass->targets.push(&target);
    pass->viewport.y = 0.1f;
    pass->viewport.height = 0.8f;
    pass->viewport.minDepth = 0.25f;
    pass->viewport.maxDepth = 0.75f;
    TestQuad full(shape);
    full.SetMaterial(&green);
    renderer->AddRenderableToGroup(&full, Id("Main"));

    DrawFrame();
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 48, 640, 384}));
    EXPECT_EQ(DepthRange(), (std::vector<float>{0.25f, 0.75f}));
    EXPECT_EQ(PixelOf(&target, 320, 47), kRed);
    EXPECT_EQ(PixelOf(&target, 320, 48), kGreen);
    EXPECT_EQ(PixelOf(&target, 320, 431), kGreen);
    EXPECT_EQ(PixelOf(&target, 320, 432), kRed);
}

// A viewport equal within the tolerance is not set again: what the GL holds stays, however it got there.
TEST_F(RenderPassTest, NearlyEqualViewportKeepsTheGLViewportAndDepthRange)
{
    TestMaterial green(first, "Flat", kGreen);
    RRenderPass* one = PassWithGroup("One", kBlack);
    RRenderPass* two = PassWithGroup("Two", kBlack);
    one->viewport.minDepth = 0.5f;
    two->viewport = one->viewport;
    two->viewport.width = 1.0f - 1e-6f;
    TestQuad meddler(shape);
    meddler.SetMaterial(&green);
    meddler.hook = [] {
        glViewport(1, 2, 3, 4);
        glDepthRange(0.125, 0.25);
    };
    TestQuad plain(shape);
    plain.SetMaterial(&green);
    renderer->AddRenderableToGroup(&meddler, Id("One"));
    renderer->AddRenderableToGroup(&plain, Id("Two"));

    DrawFrame();
    EXPECT_EQ(Viewport(), (std::vector<GLint>{1, 2, 3, 4}));
    EXPECT_EQ(DepthRange(), (std::vector<float>{0.125f, 0.25f}));

    two->viewport.width = 0.5f;
    DrawFrame();
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 0, 32, kWindowHeight}));
    EXPECT_EQ(DepthRange(), (std::vector<float>{0.5f, 1.0f}));
}

// A frame starts at the full depth range: a range the last frame's last pass set does not leak into the next
// frame's first pass.
TEST_F(RenderPassTest, EveryFrameStartsFromTheFullDepthRange)
{
    PassWithGroup("Plain", kBlack);
    RRenderPass* deep = PassWithGroup("Deep", kBlack);
    deep->viewport.minDepth = 0.25f;
    deep->viewport.maxDepth = 0.75f;
    DrawFrame();
    EXPECT_EQ(DepthRange(), (std::vector<float>{0.25f, 0.75f}));
    deep->enabled = false;
    DrawFrame();
    EXPECT_EQ(DepthRange(), (std::vector<float>{0.0f, 1.0f}));
}

// Negative or NaN sizes give an empty viewport (nothing drawn, no GL error), never the previous pass's.
TEST_F(RenderPassTest, NegativeOrNaNViewportSizesDrawNothing)
{
    TestMaterial green(first, "Flat", kGreen);
    TestMaterial red(first, "Flat", kRed);
    PassWithGroup("Good", kBlack);
    RRenderPass* bad = PassWithGroup("Bad", kBlack);
    bad->viewport.width = -0.5f;
    TestQuad under(shape);
    under.SetMaterial(&green);
    TestQuad over(shape);
    over.SetMaterial(&red);
    renderer->AddRenderableToGroup(&under, Id("Good"));
    renderer->AddRenderableToGroup(&over, Id("Bad"));

    while (glGetError() != GL_NO_ERROR) {
    }
    DrawFrame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(Viewport()[2], 0);
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kGreen);

    bad->viewport.width = 1.0f;
    bad->viewport.height = std::numeric_limits<float>::quiet_NaN();
    bad->viewport.x = 1e30f;
    DrawFrame();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kGreen);
}

// A pass of two targets of different sizes draws into its last one, at that one's size.
TEST_F(RenderPassTest, SeveralTargetsDrawIntoTheLastAtItsOwnSize)
{
    RRenderTarget big(Id("PassTestBig"), 64, 48, RRenderer::FORMAT_RGBA, 0, 0);
    RRenderTarget small(Id("PassTestSmall"), 16, 8, RRenderer::FORMAT_RGBA, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    RRenderPass* pass = PassWithGroup("Main", kRed);
    pass->targets.push(&big);
    pass->targets.push(&small);
    TestQuad full(shape, kRightHalf);
    full.SetMaterial(&green);
    renderer->AddRenderableToGroup(&full, Id("Main"));

    DrawFrame();
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 0, 16, 8}));
    EXPECT_EQ(renderer->GetCurrentTargetWidth(), 16u);
    EXPECT_EQ(PixelOf(&small, 2, 4), kRed);
    EXPECT_EQ(PixelOf(&small, 14, 4), kGreen);
}

// A record resized since its GL side was made (a resolution change before the reset) is drawn at the size its
// GL side has, so the viewport covers the texture drawn into.
TEST_F(RenderPassTest, TargetsAreDrawnAtTheSizeTheirGLSideWasMade)
{
    RRenderTarget target(Id("PassTestResized"), 32, 16, RRenderer::FORMAT_RGBA, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    RRenderPass* pass = PassWithGroup("Main", kRed);
    pass->targets.push(&target);
    TestQuad right(shape, kRightHalf);
    right.SetMaterial(&green);
    renderer->AddRenderableToGroup(&right, Id("Main"));
    target.width = 20;
    target.height = 10;

    DrawFrame();
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 0, 32, 16}));
    EXPECT_EQ(PixelOf(&target, 4, 12), kRed);
    EXPECT_EQ(PixelOf(&target, 28, 12), kGreen);
}

// A target without a GL side binds the back buffer; a pass drawing into one draws nothing rather than there.
TEST_F(RenderPassTest, PassIntoATargetWithoutAGLSideDrawsNothing)
{
    RRenderTarget unsized;  // never given a size: no GL side
    TestMaterial red(first, "Flat", kRed);
    PassWithGroup("Screen", kGreen);
    RRenderPass* lost = PassWithGroup("Lost", kBlue);
    lost->targets.push(&unsized);
    TestQuad full(shape);
    full.SetMaterial(&red);
    renderer->AddRenderableToGroup(&full, Id("Lost"));

    DrawFrame();
    EXPECT_TRUE(draws.empty());
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kGreen);
}

// A target destroyed while listed leaves every pass and stops being current.
TEST_F(RenderPassTest, DestroyedTargetsLeaveEveryPass)
{
    RRenderTarget* target = new RRenderTarget(Id("PassTestGone"), 8, 8, RRenderer::FORMAT_RGBA, 0, 0);
    RRenderPass* drawing = PassWithGroup("Drawing", kGreen);
    drawing->targets.push(target);
    drawing->targets.push(target);
    RRenderPass* redirect = renderer->CreateRenderPass(Id("Redirect"));
    redirect->setTargetFlag = true;
    redirect->setTarget = target;
    renderer->SetCurrentRenderTarget(target);

    delete target;
    EXPECT_TRUE(drawing->targets.isEmpty());
    EXPECT_EQ(redirect->setTarget, nullptr);
    EXPECT_EQ(renderer->GetCurrentRenderTarget(), nullptr);
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(Id("PassTestGone")));
    DrawFrame();
    EXPECT_EQ(PixelOf(nullptr, 4, 4), kGreen);
}

// ---------------------------------------------------------------------------------------------------------------
// Sorting, batching and the draw loop

// Renderables of two effects and three techniques are drawn sorted by effect, technique and material, each
// technique's renderables in one batch; a renderable without a technique for the pass is passed over.
TEST_F(RenderPassTest, GroupsSortByStateAndDrawOneBatchPerTechnique)
{
    TestMaterial a1(first, "Flat", kRed);
    TestMaterial a2(first, "Flat", kGreen);
    TestMaterial b1(first, "FlatB", kBlue);
    TestMaterial c1(second, "Flat", kWhite);
    TestMaterial none(first, "NoSuchTechnique", kRed);
    ASSERT_EQ(none.GetTechniqueForPass(Id("Main")), nullptr);
    PassWithGroup("Main", kBlack);
    std::vector<TestQuad*> quads;
    TestMaterial* order[] = {&c1, &a2, &b1, &none, &a1, &c1, &b1, &a2, &a1, &none};
    for (TestMaterial* material : order) {
        quads.push_back(new TestQuad(shape));
        quads.back()->SetMaterial(material);
        renderer->AddRenderableToGroup(quads.back(), Id("Main"));
    }
    RMaterialInst* tinted = a1.CreateInstance();
    ShiftedInst instance({0.0f, 0.0f, 0.0f, 0.0f});
    instance.SetTemplate(quads[0]);
    instance.SetMaterial(tinted);
    renderer->AddRenderableToGroup(&instance, Id("Main"));

    DrawFrame();
    ASSERT_EQ(draws.size(), 9u);  // every renderable but the two without a technique
    auto keys = [](RRenderableInterface* r) {
        RMaterialInterface* material = r->GetMaterial();
        RTechnique* technique = material->GetTechniqueForPass(Id("Main"));
        return std::vector<const void*>{technique->GetOwner(),  technique,          material->GetTemplate(),
                                        material->GetInstance(), r->GetTemplate(), r->GetInstance()};
    };
    std::less<const void*> before;
    for (size_t i = 1; i < draws.size(); ++i) {
        std::vector<const void*> previous = keys(draws[i - 1].drawn);
        std::vector<const void*> current = keys(draws[i].drawn);
        EXPECT_FALSE(std::lexicographical_compare(current.begin(), current.end(), previous.begin(), previous.end(),
                                                  before))
            << "draw " << i << " is out of order";
    }
    // One program per batch, each used for one run of draws.
    std::vector<GLint> runs;
    for (const DrawRecord& draw : draws) {
        if (runs.empty() || runs.back() != draw.program)
            runs.push_back(draw.program);
    }
    EXPECT_EQ(runs.size(), 3u);
    // The effect with the lower address is drawn first.
    RShader* lower = before(first, second) ? first : second;
    EXPECT_EQ(keys(draws.front().drawn)[0], lower);
    // The group keeps the sorted order.
    RRenderGroup* group = renderer->FindRenderGroup(Id("Main"));
    for (size_t i = 0, drawn = 0; i < group->renderables.getCount(); ++i) {
        if (group->renderables[i]->GetMaterial() == &none)
            continue;
        EXPECT_EQ(group->renderables[i], draws[drawn++].drawn);
    }
    instance.SetMaterial(nullptr);
    delete tinted;
    for (TestQuad* quad : quads)
        delete quad;
}

TEST_F(RenderPassTest, CompareRenderablesIsATotalOrderOnItsKeys)
{
    TestMaterial a(first, "Flat", kRed);
    TestMaterial b(second, "Flat", kRed);
    TestMaterial none(first, "NoSuchTechnique", kRed);
    TestQuad qa(shape), qb(shape), qn(shape), bare(shape);
    qa.SetMaterial(&a);
    qb.SetMaterial(&b);
    qn.SetMaterial(&none);
    RRenderableInterface* items[] = {&qa, &qb, &qn, &bare};
    RHashedString pass = Id("Main");
    for (RRenderableInterface* x : items) {
        EXPECT_EQ(RRenderGroup::CompareRenderables(&x, &x, &pass), 0);
        for (RRenderableInterface* y : items) {
            int xy = RRenderGroup::CompareRenderables(&x, &y, &pass);
            int yx = RRenderGroup::CompareRenderables(&y, &x, &pass);
            EXPECT_EQ(xy, -yx);
            EXPECT_TRUE(xy == -1 || xy == 0 || xy == 1);
            for (RRenderableInterface* z : items) {
                int yz = RRenderGroup::CompareRenderables(&y, &z, &pass);
                if (xy < 0 && yz < 0) {
                    EXPECT_LT(RRenderGroup::CompareRenderables(&x, &z, &pass), 0);
                }
            }
        }
    }
    // Without a technique the effect key is 0: before any drawn renderable.
    RRenderableInterface* drawnOne = &qa;
    RRenderableInterface* notDrawn = &qn;
    EXPECT_LT(RRenderGroup::CompareRenderables(&notDrawn, &drawnOne, &pass), 0);
}

// Hidden renderables, hidden templates and disabled groups: nothing drawn, and a disabled group is not sorted.
TEST_F(RenderPassTest, HiddenRenderablesAndDisabledGroupsAreSkipped)
{
    TestMaterial red(first, "Flat", kRed);
    TestMaterial blue(second, "Flat", kBlue);
    PassWithGroup("Main", kBlack);
    TestQuad hiddenTemplate(shape, kLeftHalf);
    hiddenTemplate.SetMaterial(&red);
    ShiftedInst visibleInstance({0.0f, 0.0f, 0.0f, 0.0f});
    visibleInstance.SetTemplate(&hiddenTemplate);
    hiddenTemplate.SetVisible(false);
    TestQuad shown(shape, kRightHalf);
    shown.SetMaterial(&blue);
    ShiftedInst hiddenInstance({0.0f, 0.0f, 0.0f, 0.0f});
    hiddenInstance.SetTemplate(&shown);
    hiddenInstance.SetVisible(false);
    renderer->AddRenderableToGroup(&visibleInstance, Id("Main"));
    renderer->AddRenderableToGroup(&hiddenInstance, Id("Main"));
    renderer->AddRenderableToGroup(&shown, Id("Main"));

    DrawFrame();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].drawn, &shown);
    EXPECT_EQ(PixelOf(nullptr, 8, 24), kBlack);
    EXPECT_EQ(PixelOf(nullptr, 56, 24), kBlue);

    // Put the group out of order and disable it: it stays as it is and draws nothing.
    RRenderGroup* group = renderer->FindRenderGroup(Id("Main"));
    RRenderableInterface* firstBefore = group->renderables[0];
    group->renderables[0] = group->renderables[2];
    group->renderables[2] = firstBefore;
    std::vector<RRenderableInterface*> unsorted(group->renderables.begin(), group->renderables.end());
    group->enabled = false;
    draws.clear();
    DrawFrame();
    EXPECT_TRUE(draws.empty());
    EXPECT_EQ(std::vector<RRenderableInterface*>(group->renderables.begin(), group->renderables.end()), unsorted);
}

// Material and renderable templates are sent once per program: a technique of two passes gives the second
// program its parameters too, and instances of one template each get their own place.
TEST_F(RenderPassTest, EveryProgramOfATechniqueGetsEveryScope)
{
    TestMaterial red(first, "TwoPass", kRed);
    PassWithGroup("Main", kBlack);
    TestQuad quad(shape, kLeftHalf);
    quad.SetMaterial(&red);
    ShiftedInst moved({1.0f, 0.0f, 0.0f, 0.0f});
    moved.SetTemplate(&quad);
    quad.SetVisible(true);
    renderer->AddRenderableToGroup(&moved, Id("Main"));

    DrawFrame();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_NE(draws[0].program, draws[1].program);
    // Half red from each program: full red, in the right half where the instance moved the quad.
    uint32_t pixel = PixelOf(nullptr, 56, 24);
    EXPECT_GE(pixel >> 16, 0xFEu);
    EXPECT_EQ(pixel & 0xFFFFu, 0u);
    EXPECT_EQ(PixelOf(nullptr, 8, 24), kBlack);
}

// A stage draws its own passes in its own order; an unknown stage id draws every pass.
TEST_F(RenderPassTest, StagesDrawTheirOwnPassesAndUnknownIdsDrawAll)
{
    TestMaterial red(first, "Flat", kRed);
    TestMaterial green(first, "Flat", kGreen);
    PassWithGroup("RedPass", kBlack);
    RRenderPass* greenPass = PassWithGroup("GreenPass", kBlack);
    greenPass->clearColourFlag = false;
    greenPass->clearDepthFlag = false;
    TestQuad redQuad(shape), greenQuad(shape);
    redQuad.SetMaterial(&red);
    greenQuad.SetMaterial(&green);
    renderer->AddRenderableToGroup(&redQuad, Id("RedPass"));
    renderer->AddRenderableToGroup(&greenQuad, Id("GreenPass"));

    renderer->CreateRenderStage(Id("Backwards"));
    renderer->AddPassToStage(Id("GreenPass"), Id("Backwards"));
    renderer->AddPassToStage(Id("RedPass"), Id("Backwards"));
    renderer->RenderStage(Id("Backwards"));
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kRed);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].drawn, &greenQuad);

    renderer->RenderStage(Id("NoSuchStage"));
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kGreen);
}

// ---------------------------------------------------------------------------------------------------------------
// Targets

// A device reset re-creates every listed target at the size its record then holds, under its name.
TEST_F(RenderPassTest, DeviceResetRecreatesTargetsAtTheirRecordedSize)
{
    RRenderTarget target(Id("PassTestReset"), 32, 16, RRenderer::FORMAT_RGBA, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    RRenderPass* pass = PassWithGroup("Main", kRed);
    pass->targets.push(&target);
    TestQuad left(shape, kLeftHalf);
    left.SetMaterial(&green);
    renderer->AddRenderableToGroup(&left, Id("Main"));

    target.width = 20;
    target.height = 10;
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    bool failed = false;
    renderer->ResetDevice(Window(), &width, &height, false, &failed);
    ASSERT_NE(target.colourTexture, nullptr);
    EXPECT_EQ(LevelParameter(target.colourTexture->name, 0, GL_TEXTURE_WIDTH), 20);
    EXPECT_EQ(LevelParameter(target.colourTexture->name, 0, GL_TEXTURE_HEIGHT), 10);
    RTexture* registered = RTexMgr::GetInstance()->GetTexture(Id("PassTestReset"));
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(registered->GetGLTexture(), target.colourTexture);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(Id("PassTestReset")), 1);

    DrawFrame();
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 0, 20, 10}));
    EXPECT_EQ(PixelOf(&target, 2, 5), kGreen);
    EXPECT_EQ(PixelOf(&target, 18, 5), kRed);
}

// A target re-created at a side of 0 (a screen-following target of a minimised window) has no GL side: its pass
// draws nothing, and certainly not into the back buffer, until a reset at a real size brings the target back.
TEST_F(RenderPassTest, TargetsRecreatedAtSideZeroDrawNothingUntilTheyHaveASize)
{
    RRenderTarget target(Id("PassTestTiny"), 16, 8, RRenderer::FORMAT_RGB, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    PassWithGroup("Screen", kBlue);
    RRenderPass* pass = PassWithGroup("Main", kRed);
    pass->targets.push(&target);
    TestQuad full(shape);
    full.SetMaterial(&green);
    renderer->AddRenderableToGroup(&full, Id("Main"));
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    bool failed = false;

    target.width = 0;
    renderer->ResetDevice(Window(), &width, &height, false, &failed);
    EXPECT_EQ(target.framebuffer, nullptr);
    EXPECT_FALSE(RTexMgr::GetInstance()->HasTexture(Id("PassTestTiny")));
    DrawFrame();
    EXPECT_TRUE(draws.empty());
    EXPECT_EQ(PixelOf(nullptr, 32, 24), kBlue);

    target.width = 4;
    renderer->ResetDevice(Window(), &width, &height, false, &failed);
    ASSERT_NE(target.colourTexture, nullptr);
    EXPECT_EQ(LevelParameter(target.colourTexture->name, 0, GL_TEXTURE_WIDTH), 4);
    DrawFrame();
    EXPECT_EQ(draws.size(), 1u);
    EXPECT_EQ(PixelOf(&target, 2, 4), kGreen);
}

// Others holding a target's name keep their count through resets and find the name absent, not dangling, once
// the target is gone.
TEST_F(RenderPassTest, TargetNamesKeepOthersReferencesThroughResets)
{
    RHashedString name = Id("PassTestShared Name");
    RRenderTarget* target = new RRenderTarget(name, 8, 8, RRenderer::FORMAT_RGBA, 0, 0);
    RTexMgr* textures = RTexMgr::GetInstance();
    ASSERT_NE(textures->LoadTexture("ignored.dds", name), nullptr);  // a material's reference
    EXPECT_EQ(textures->GetReferenceCount(name), 2);
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    bool failed = false;
    for (int reset = 0; reset < 3; ++reset) {
        renderer->ResetDevice(Window(), &width, &height, false, &failed);
        EXPECT_EQ(textures->GetReferenceCount(name), 2);
        ASSERT_NE(textures->GetTexture(name), nullptr);
        EXPECT_EQ(textures->GetTexture(name)->GetGLTexture(), target->colourTexture);
    }
    // Recreating under a new name lets go of the old one.
    target->Recreate(Id("PassTestShared Renamed"), false);
    EXPECT_EQ(textures->GetReferenceCount(name), 1);
    EXPECT_EQ(textures->GetTexture(name), nullptr);
    EXPECT_EQ(textures->GetReferenceCount(Id("PassTestShared Renamed")), 1);
    delete target;
    EXPECT_FALSE(textures->HasTexture(Id("PassTestShared Renamed")));
    textures->UnloadTexture(name);
    EXPECT_FALSE(textures->HasTexture(name));
}

}  // namespace
