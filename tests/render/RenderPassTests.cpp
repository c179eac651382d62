// Render stages, passes, groups and targets: viewports, sorting and batching, records going away while listed,
// and target names through device resets.
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ShaderTestSupport.h"
#include "core/types/RMath.h"
#include "render/frame/RRenderGroup.h"
#include "render/frame/RRenderPass.h"
#include "render/frame/RRenderStage.h"
#include "render/frame/RRenderTarget.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"
#include "render/frame/RViewport.h"

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
    "attribute vec3 inPos;\nuniform vec4 u_rect;\nuniform vec4 u_shift;\n"
    "void main() { gl_Position = vec4(inPos.xy * u_rect.xy + u_rect.zw + u_shift.xy, 0.0, 1.0); }\n";
const char* const kFlatPS = "uniform vec4 u_colour;\nvoid main() { gl_FragColor = u_colour; }\n";
const char* const kHalfPS = "uniform vec4 u_colour;\nvoid main() { gl_FragColor = u_colour * 0.5; }\n";
const std::string kFlatState =
    "[Uniforms]\nu_colour = vector,1,material\nu_rect = vector,1,renderable\nu_shift = vector,1,rendinst\n"
    "[Attributes]\ninPos = POSITION\n[RenderStates]\nCullMode = None\nZEnable = False\n";
const std::string kAddState = kFlatState + "AlphaBlendEnable = True\nSrcBlend = One\nDestBlend = One\n";
// One draw as the quads record it: who drew and with which program.
struct DrawRecord {
    RRenderableInterface* drawn;
    GLint program;
};

std::vector<DrawRecord>* s_draws = nullptr;

// A quad sharing the fixture's full-screen quad buffers, placed by "u_rect". Records its draws.
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
        RMesh::RenderWith(renderer, instance);
    }

    RVector4 rect;
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

// A quad that draws runs of its instances: it records each run it is handed, with the colour and place its
// program holds then, and draws the quad once.
class RunQuad : public TestQuad {
public:
    struct Run {
        std::vector<RRenderableInst*> instances;
        std::vector<GLfloat> colour;
        std::vector<GLfloat> rect;
    };

    using TestQuad::TestQuad;
    bool DrawsRuns() const override { return true; }
    void RenderRun(RRenderer* renderer, RRenderableInst* const* instances, uint32_t count) override
    {
        GLint program = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        Run run{std::vector<RRenderableInst*>(instances, instances + count), std::vector<GLfloat>(4, -1.0f),
                std::vector<GLfloat>(4, -1.0f)};
        glGetUniformfv(program, glGetUniformLocation(program, "u_colour"), run.colour.data());
        glGetUniformfv(program, glGetUniformLocation(program, "u_rect"), run.rect.data());
        runs.push_back(run);
        RMesh::RenderWith(renderer, nullptr);
    }

    std::vector<Run> runs;
};

// Answers "u_colour" with a packed colour.
class TestMaterial : public RMaterial {
public:
    TestMaterial(RShader* effect, const char* technique, uint32_t rgb)
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
        return RMaterial::InformShaderParams(mapping, renderPassId, requester);
    }
    RVector4 colour;
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

RHashedString Id(const char* text) { return RHashedString(text); }

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
        ASSERT_EQ(first->GetTechniqueCount(), 3);
        ASSERT_EQ(second->GetTechniqueCount(), 3);
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
                     "<technique name=\"TwoPass\"><pass name=\"A\"/><pass name=\"B\"/></technique>");
        folder.WritePass(base, "Flat_P", kFlatVS, kFlatPS, kFlatState.c_str());
        folder.WritePass(base, "FlatB_P", kFlatVS, kFlatPS, kFlatState.c_str());
        folder.WritePass(base, "TwoPass_A", kFlatVS, kHalfPS, kFlatState.c_str());
        folder.WritePass(base, "TwoPass_B", kFlatVS, kHalfPS, kAddState.c_str());
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

    // A quad of the fixture's shape in the group, drawn with the material.
    TestQuad* Quad(const char* group, RMaterialInterface* material, RVector4 rect = kFull)
    {
        quads.emplace_back(new TestQuad(shape, rect));
        quads.back()->SetMaterial(material);
        renderer->AddRenderableToGroup(quads.back().get(), Id(group));
        return quads.back().get();
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
    std::vector<std::unique_ptr<TestQuad>> quads;
    std::vector<DrawRecord> draws;
};


// Passes, groups, renderables and targets destroyed while listed leave every list: a later frame draws what is
// left and reaches none of them.
TEST_F(RenderPassTest, RecordsDestroyedWhileListedLeaveEveryList)
{
    TestMaterial red(first, "Flat", kRed);
    PassWithGroup("Main", kBlack);
    renderer->CreateRenderGroup(Id("Extra"));
    renderer->AddGroupToPass(Id("Extra"), Id("Main"));
    renderer->CreateRenderPass(Id("Later"));
    RRenderStage* stage = renderer->CreateRenderStage(Id("Stage"));
    renderer->AddPassToStage(Id("Main"), Id("Stage"));
    renderer->AddPassToStage(Id("Later"), Id("Stage"));
    renderer->DestroyRenderGroup(Id("Extra"));
    ASSERT_EQ(renderer->FindRenderPass(Id("Main"))->groups.getCount(), 1u);
    renderer->DestroyRenderPass(Id("Main"));
    ASSERT_EQ(stage->passes.getCount(), 1u);
    renderer->RenderStage(Id("Stage"));

    PassWithGroup("Drawn", kGreen)->clearAlways = true;
    renderer->CreateRenderGroup(Id("Other"));
    renderer->AddGroupToPass(Id("Other"), Id("Drawn"));
    TestQuad* quad = new TestQuad(shape);
    quad->SetMaterial(&red);
    RRenderableInst* instance = quad->CreateInstance();
    renderer->AddRenderableToGroup(quad, Id("Drawn"));
    renderer->AddRenderableToGroup(instance, Id("Drawn"));
    renderer->AddRenderableToGroup(instance, Id("Other"));
    delete instance;
    EXPECT_EQ(renderer->FindRenderGroup(Id("Drawn"))->GetRenderables().getCount(), 1u);
    EXPECT_TRUE(renderer->FindRenderGroup(Id("Other"))->GetRenderables().isEmpty());
    delete quad;
    EXPECT_TRUE(renderer->FindRenderGroup(Id("Drawn"))->GetRenderables().isEmpty());

    RRenderTarget* target = new RRenderTarget(Id("PassTestGone"), 8, 8, RRenderer::FORMAT_RGBA, 0, 0);
    RRenderPass* drawing = renderer->FindRenderPass(Id("Drawn"));
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

    DrawFrame();
    EXPECT_TRUE(draws.empty());
    EXPECT_EQ(PixelOf(nullptr, 10, 10), kGreen);
}

// Negative or NaN sizes give an empty viewport (nothing drawn, no GL error), never the previous pass's.
TEST_F(RenderPassTest, NegativeOrNaNViewportSizesDrawNothing)
{
    TestMaterial green(first, "Flat", kGreen);
    TestMaterial red(first, "Flat", kRed);
    PassWithGroup("Good", kBlack);
    RRenderPass* bad = PassWithGroup("Bad", kBlack);
    Quad("Good", &green);
    Quad("Bad", &red);
    while (glGetError() != GL_NO_ERROR) {
    }
    bad->viewport.width = -0.5f;
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

// A pass of several targets draws into its last one, at the size its GL side was made (a record resized before
// the reset must not give a viewport larger or smaller than the texture drawn into).
TEST_F(RenderPassTest, SeveralTargetsDrawIntoTheLastAtItsGLSize)
{
    RRenderTarget big(Id("PassTestBig"), 64, 48, RRenderer::FORMAT_RGBA, 0, 0);
    RRenderTarget small(Id("PassTestSmall"), 16, 8, RRenderer::FORMAT_RGBA, 0, 0);
    TestMaterial green(first, "Flat", kGreen);
    RRenderPass* pass = PassWithGroup("Main", kRed);
    pass->targets.push(&big);
    pass->targets.push(&small);
    Quad("Main", &green, kRightHalf);
    small.width = 10;
    small.height = 4;

    DrawFrame();
    EXPECT_EQ(Viewport(), (std::vector<GLint>{0, 0, 16, 8}));
    EXPECT_EQ(PixelOf(&small, 2, 4), kRed);
    EXPECT_EQ(PixelOf(&small, 14, 4), kGreen);
}

// Every target carries a depth-stencil buffer from its creation, and again once a reset re-creates it: a near
// quad drawn by one pass hides a far one the next pass draws into the same target, and a target only drawn into
// with the depth test off has its buffer too, its depth cleared with its colour.
TEST_F(RenderPassTest, TargetsCarryDepthFromTheirCreation)
{
    const char* depthVS = "attribute vec3 inPos;\nuniform vec4 u_rect;\nuniform float u_depth;\n"
                          "void main() { gl_Position = vec4(inPos.xy * u_rect.xy + u_rect.zw, u_depth, 1.0); }\n";
    folder.Write("depth_GLSL.xml", "<technique name=\"Depth\"><pass name=\"P\"/></technique>");
    folder.WritePass("depth", "Depth_P", depthVS, kFlatPS,
                     "[Uniforms]\nu_colour = vector,1,material\nu_depth = float,1,material\n"
                     "u_rect = vector,1,renderable\n[Attributes]\ninPos = POSITION\n[RenderStates]\n"
                     "CullMode = None\nZEnable = True\nZWriteEnable = True\nZFunc = Less\n");
    RShader depthEffect(folder.File("depth.fxo").c_str(), Id("Pass Test Depth Effect"));
    class DepthMaterial : public TestMaterial {
    public:
        DepthMaterial(RShader* effect, uint32_t rgb, float z) : TestMaterial(effect, "Depth", rgb), depth(z) {}
        bool InformShaderParams(RShaderParamMapping* mapping, RHashedString renderPassId,
                                RShaderParamInformant* requester) override
        {
            if (mapping->name == RHashedString("u_depth")) {
                mapping->SetFloat(depth);
                return true;
            }
            return TestMaterial::InformShaderParams(mapping, renderPassId, requester);
        }
        float depth;
    };
    DepthMaterial nearRed(&depthEffect, kRed, -0.5f);
    DepthMaterial farGreen(&depthEffect, kGreen, 0.5f);
    TestMaterial flatBlue(first, "Flat", kBlue);

    RRenderTarget flat(Id("PassTestFlat"), 16, 8, RRenderer::FORMAT_RGBA, 0, 1);
    RRenderTarget deep(Id("PassTestDeep"), 16, 8, RRenderer::FORMAT_RGBA, 0, 1);
    RRenderPass* flatPass = PassWithGroup("FlatPass", kBlack);
    flatPass->targets.push(&flat);
    Quad("FlatPass", &flatBlue);
    RRenderPass* nearPass = PassWithGroup("NearPass", kBlack);
    nearPass->targets.push(&deep);
    Quad("NearPass", &nearRed);
    RRenderPass* farPass = PassWithGroup("FarPass", kWhite);
    farPass->clearColourFlag = false;
    farPass->clearDepthFlag = false;
    farPass->targets.push(&deep);
    Quad("FarPass", &farGreen);
    EXPECT_NE(flat.depthBuffer, nullptr);
    EXPECT_NE(deep.depthBuffer, nullptr);

    for (int frame = 0; frame < 2; ++frame) {
        DrawFrame();
        EXPECT_NE(flat.depthBuffer, nullptr);
        EXPECT_EQ(flat.depthAttached, 1);
        EXPECT_EQ(PixelOf(&flat, 8, 4), kBlue);
        ASSERT_NE(deep.depthBuffer, nullptr);
        EXPECT_EQ(deep.depthAttached, 1);
        EXPECT_EQ(PixelOf(&deep, 8, 4), kRed) << "frame " << frame;
    }
    // A reset re-creates the targets with their buffers.
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    bool fullscreenFailed = false;
    renderer->ResetDevice(Window(), &width, &height, false, &fullscreenFailed);
    ASSERT_NE(deep.depthBuffer, nullptr);
    EXPECT_EQ(deep.depthAttached, 1);
    DrawFrame();
    EXPECT_EQ(PixelOf(&deep, 8, 4), kRed);
    EXPECT_NE(flat.depthBuffer, nullptr);
}

// Renderables of two effects and three techniques are drawn sorted by effect, technique and material, each
// technique's renderables in one batch; a renderable without a technique for the pass is passed over.
TEST_F(RenderPassTest, GroupsSortByStateAndDrawOneBatchPerTechnique)
{
    TestMaterial a1(first, "Flat", kRed);
    TestMaterial a2(first, "Flat", kGreen);
    TestMaterial b1(first, "FlatB", kBlue);
    TestMaterial c1(second, "Flat", kWhite);
    TestMaterial none(first, "NoSuchTechnique", kRed);
    PassWithGroup("Main", kBlack);
    for (TestMaterial* material : {&c1, &a2, &b1, &none, &a1, &c1, &b1, &a2, &a1, &none})
        Quad("Main", material);
    RMaterialInst* tinted = a1.CreateInstance();
    ShiftedInst instance({0.0f, 0.0f, 0.0f, 0.0f});
    instance.SetTemplate(quads[0].get());
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
    std::vector<GLint> runs;
    for (size_t i = 0; i < draws.size(); ++i) {
        if (runs.empty() || runs.back() != draws[i].program)
            runs.push_back(draws[i].program);
        if (i == 0)
            continue;
        std::vector<const void*> previous = keys(draws[i - 1].drawn);
        std::vector<const void*> current = keys(draws[i].drawn);
        EXPECT_FALSE(std::lexicographical_compare(current.begin(), current.end(), previous.begin(), previous.end(),
                                                  before))
            << "draw " << i << " is out of order";
    }
    EXPECT_EQ(runs.size(), 3u);  // one program per batch, each used for one run of draws
    instance.SetMaterial(nullptr);
    delete tinted;
}

// A group is drawn in the order of its keys through frames that change nothing, change materials (the last drawn
// one's too), add and remove renderables; drawn by a second pass whose materials choose other techniques, it is
// drawn in each pass's order.
TEST_F(RenderPassTest, GroupsStayInOrderThroughChanges)
{
    TestMaterial a1(first, "Flat", kRed);
    TestMaterial b1(first, "FlatB", kBlue);
    TestMaterial c1(second, "Flat", kWhite);
    a1.SetTechniqueForPass(second, Id("FlatB"), Id("Second"));
    c1.SetTechniqueForPass(first, Id("Flat"), Id("Second"));
    PassWithGroup("Main", kBlack);
    for (TestMaterial* material : {&c1, &a1, &b1, &a1, &c1, &b1, &c1, &a1})
        Quad("Main", material);

    auto keys = [](RRenderableInterface* r, RHashedString pass) {
        RMaterialInterface* material = r->GetMaterial();
        RTechnique* technique = material->GetTechniqueForPass(pass);
        return std::vector<const void*>{technique->GetOwner(),  technique,          material->GetTemplate(),
                                        material->GetInstance(), r->GetTemplate(), r->GetInstance()};
    };
    // Draws one frame and checks that each of the passes drew every quad in its keys' order.
    std::less<const void*> before;
    std::vector<RRenderableInterface*> lastOrder;
    auto drawnInOrder = [&](const char* step, size_t passes = 1) {
        draws.clear();
        DrawFrame();
        const size_t count = quads.size();
        EXPECT_EQ(draws.size(), passes * count) << step;
        if (draws.size() != passes * count)
            return;
        lastOrder.clear();
        for (size_t i = 0; i < draws.size(); ++i) {
            lastOrder.push_back(draws[i].drawn);
            const size_t inPass = i % count;
            if (inPass == 0)
                continue;
            RHashedString pass = Id(i < count ? "Main" : "Second");
            std::vector<const void*> previous = keys(draws[i - 1].drawn, pass);
            std::vector<const void*> current = keys(draws[i].drawn, pass);
            EXPECT_FALSE(std::lexicographical_compare(current.begin(), current.end(), previous.begin(),
                                                      previous.end(), before))
                << step << ": draw " << i << " is out of order";
        }
    };

    drawnInOrder("first frame");
    std::vector<RRenderableInterface*> firstOrder = lastOrder;
    drawnInOrder("unchanged");
    EXPECT_EQ(lastOrder, firstOrder);
    quads[1]->SetMaterial(&c1);
    quads[6]->SetMaterial(&b1);
    drawnInOrder("materials changed");
    // The quad drawn last takes the material drawn first: it belongs with the first ones now.
    ASSERT_FALSE(lastOrder.empty());
    for (const auto& quad : quads) {
        if (quad.get() == lastOrder.back()) {
            quad->SetMaterial(lastOrder.front()->GetMaterial());
            break;
        }
    }
    drawnInOrder("the last one's material changed");
    Quad("Main", &a1);
    Quad("Main", &b1);
    drawnInOrder("added");
    renderer->RemoveRenderableFromGroup(quads[3].get(), Id("Main"));
    quads.erase(quads.begin() + 3);
    drawnInOrder("removed");
    renderer->CreateRenderPass(Id("Second"));
    renderer->AddGroupToPass(Id("Main"), Id("Second"));
    drawnInOrder("two passes", 2);
    drawnInOrder("two passes again", 2);
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
            EXPECT_EQ(xy, -RRenderGroup::CompareRenderables(&y, &x, &pass));
            EXPECT_TRUE(xy == -1 || xy == 0 || xy == 1);
            for (RRenderableInterface* z : items) {
                if (xy < 0 && RRenderGroup::CompareRenderables(&y, &z, &pass) < 0) {
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

// Material and renderable templates are sent once per program: a technique of two passes gives the second
// program its parameters too, and the instance its own place.
TEST_F(RenderPassTest, EveryProgramOfATechniqueGetsEveryScope)
{
    TestMaterial red(first, "TwoPass", kRed);
    PassWithGroup("Main", kBlack);
    TestQuad quad(shape, kLeftHalf);
    quad.SetMaterial(&red);
    ShiftedInst moved({1.0f, 0.0f, 0.0f, 0.0f});
    moved.SetTemplate(&quad);
    renderer->AddRenderableToGroup(&moved, Id("Main"));

    DrawFrame();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_NE(draws[0].program, draws[1].program);
    // Half red from each program: full red, in the right half where the instance moved the quad.
    uint32_t pixel = PixelOf(nullptr, 56, 24);
    EXPECT_GE(pixel >> 16, 0xFEu);
    EXPECT_EQ(pixel & 0xFFFFu, 0u);
}

// A template that draws runs is handed each run of its visible instances that come together in the group and
// share a material, once, in the group's order, with that material's and its own parameters in the program; the
// instances of a template that does not are still drawn one by one.
TEST_F(RenderPassTest, ATemplateThatDrawsRunsGetsEachRunInGroupOrder)
{
    TestMaterial red(first, "Flat", kRed);
    TestMaterial green(first, "Flat", kGreen);
    PassWithGroup("Main", kBlack);
    RunQuad runner(shape, kLeftHalf);
    runner.SetMaterial(&red);
    std::vector<std::unique_ptr<ShiftedInst>> instances;
    for (int i = 0; i < 6; ++i) {
        instances.emplace_back(new ShiftedInst({0.0f, 0.0f, 0.0f, 0.0f}));
        instances.back()->SetTemplate(&runner);
        renderer->AddRenderableToGroup(instances.back().get(), Id("Main"));
    }
    instances[2]->SetVisible(false);
    instances[4]->SetMaterial(&green);
    TestQuad single(shape);
    single.SetMaterial(&red);
    RRenderableInst* plain = single.CreateInstance();
    renderer->AddRenderableToGroup(plain, Id("Main"));

    DrawFrame();
    // The red run and the green one, in the order the group holds them; the hidden instance left out.
    std::vector<RRenderableInst*> redRun;
    std::vector<RRenderableInst*> greenRun;
    const RUtilVector<RRenderableInterface*>& order = renderer->FindRenderGroup(Id("Main"))->GetRenderables();
    for (uint32_t i = 0; i < order.getCount(); ++i) {
        RRenderableInst* instance = order[i]->GetInstance();
        if (!instance || instance->GetTemplate() != &runner || !instance->IsVisible())
            continue;
        (instance->GetMaterial() == &red ? redRun : greenRun).push_back(instance);
    }
    ASSERT_EQ(redRun.size(), 4u);
    ASSERT_EQ(runner.runs.size(), 2u);
    const bool redFirst = runner.runs[0].instances.size() == 4;
    const RunQuad::Run& redDrawn = runner.runs[redFirst ? 0 : 1];
    const RunQuad::Run& greenDrawn = runner.runs[redFirst ? 1 : 0];
    EXPECT_EQ(redDrawn.instances, redRun);
    EXPECT_EQ(greenDrawn.instances, greenRun);
    EXPECT_EQ(redDrawn.colour, (std::vector<GLfloat>{1.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(greenDrawn.colour, (std::vector<GLfloat>{0.0f, 1.0f, 0.0f, 1.0f}));
    const std::vector<GLfloat> leftHalf = {kLeftHalf.x, kLeftHalf.y, kLeftHalf.z, kLeftHalf.w};
    EXPECT_EQ(redDrawn.rect, leftHalf);
    EXPECT_EQ(greenDrawn.rect, leftHalf);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].drawn, plain);
    delete plain;
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
