// Effects built from technique descriptions, GLSL and state files: the description's structure, compiling and
// linking, uniform handles, drawing through an effect, damaged and oversized files in a mod folder, and outliving
// the renderer.
#include "GLTestSupport.h"
#include "ShaderTestSupport.h"

#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "render/device/RGLObjMgr.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RMeshUtil.h"
#include "render/effects/RShader.h"
#include "render/effects/RShaderParam.h"
#include "render/effects/RTechnique.h"
#include "render/geometry/RVertexSet.h"

using namespace gltest;

namespace {

// Draws the vertex colour at the vertex position.
const char* const kColourVS = "attribute vec3 inPos; attribute vec4 inColour; varying vec4 colour;\n"
                              "void main() { colour = inColour; gl_Position = vec4(inPos, 1.0); }\n";
const char* const kColourPS = "varying vec4 colour; void main() { gl_FragColor = colour; }\n";
// Uniforms for the handle lookups; the two 70-character names differ only past the 63rd character.
const char* const kUniformVS = "attribute vec3 inPos; uniform float u_scale;\n"
                               "void main() { gl_Position = vec4(inPos * u_scale, 1.0); }\n";
const std::string kLong(69, 'a');
const std::string kUniformPSText = "uniform vec4 u_arr[3]; uniform float u_unlisted, u_" + kLong + "1, u_" + kLong +
                                   "2;\nvoid main() { gl_FragColor = u_arr[2] + vec4(u_unlisted, u_" + kLong +
                                   "1, u_" + kLong + "2, 1.0); }\n";
const char* const kUniformPS = kUniformPSText.c_str();
const char* const kUniformState =
    "[Uniforms]\nu_scale = float,1,renderable\nu_arr = vector,3,instance\n[Attributes]\ninPos = POSITION\n";

// A syntax error (the missing semicolon), an undeclared name, and a shader that compiles but cannot link.
const char* const kBrokenVS = "void main() { gl_Position = vec4(1.0) }\n";
const char* const kBrokenPS = "void main() { gl_FragColor = undeclared; }\n";
const char* const kNoMainVS = "vec4 helper() { return vec4(1.0); }\n";

class EffectTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (!IsSkipped())
            baseline = LiveObjects();
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->SetEffect(nullptr);
        glUseProgram(0);
        renderer->SetDefaultState();
    }

    void Write(const std::string& name, const std::string& text) { folder.Write(name, text); }
    std::string EffectName(const std::string& base) const { return folder.File(base) + ".fxo"; }
    uint32_t LiveObjects() const { return RGLObjMgr::GetInstance()->GetObjects().getCount(); }

    shadertest::EffectFolder folder;
    uint32_t baseline = 0;
};

RGLObjectTechniquePass* PassOf(RShader& shader, uint32_t technique, uint32_t pass)
{
    RGLObjectShader* effect = shader.GetGLEffect();
    if (!effect || technique >= effect->techniques.getCount() ||
        pass >= effect->techniques[technique]->passes.getCount())
        return nullptr;
    return effect->techniques[technique]->passes[pass];
}

bool StartsWith(const RString& text, const char* prefix)
{
    return std::string(text.GetString()).rfind(prefix, 0) == 0;
}
bool HasText(const RString& text, const char* needle)
{
    return std::string(text.GetString()).find(needle) != std::string::npos;
}

}  // namespace

TEST_F(EffectTest, ReadsTheDescriptionsTechniquesAndPasses)
{
    Write("structure_GLSL.xml",
          "<?xml version=\"1.0\"?>\n"
          "<!-- every technique and pass here lacks shader files -->\n"
          "<other name=\"NotATechnique\"><pass name=\"P\"/></other>\n"
          "<TECHNIQUE NAME=\"Upper\"><PASS NAME=\"One\"/>some text<Pass name=\"Two\"></Pass></TECHNIQUE>\n"
          "<technique name=\"\"><pass name=\"Lost\"/></technique>\n"
          "<technique><pass name=\"AlsoLost\"/></technique>\n"
          "<technique name=\"first\" Name=\"Last\">\n"
          "  <pass/><pass name=\"\"/><group><pass name=\"Deep\"/></group><pass name=\"Kept\"/>\n"
          "</technique>\n"
          "<technique name=\"Dup\"><pass name=\"A\"/></technique>\n"
          "<technique name=\"dup\"><pass name=\"B\"/><pass name=\"C\"/></technique>\n"
          "<technique name=\"Empty\"></technique>\n");
    RShader shader(EffectName("structure").c_str(), RHashedString("Structure"));
    RGLObjectShader* effect = shader.GetGLEffect();
    ASSERT_NE(effect, nullptr);
    std::vector<std::string> techniques;
    std::vector<std::vector<std::string>> passes;
    for (RGLObjectTechnique* technique : effect->techniques) {
        techniques.push_back(technique->techniqueName.GetString());
        passes.emplace_back();
        for (RGLObjectTechniquePass* pass : technique->passes)
            passes.back().push_back(pass->passName.GetString());
    }
    EXPECT_EQ(techniques, (std::vector<std::string>{"Upper", "Last", "Dup", "dup", "Empty"}));
    EXPECT_EQ(passes, (std::vector<std::vector<std::string>>{{"One", "Two"}, {"Kept"}, {"A"}, {"B", "C"}, {}}));

    // Both techniques called dup exist; lookups by name find the first, and the effect keeps one record for them.
    EXPECT_EQ(RRenderer::FindTechniqueByName(&shader, "DUP"), effect->techniques[2]);
    EXPECT_EQ(shader.GetTechniqueCount(), 4);

    // Passes whose files are missing hand nothing to GL and say why.
    RGLObjectTechniquePass* pass = effect->techniques[0]->passes[0];
    EXPECT_EQ(pass->name, 0u);
    EXPECT_FALSE(pass->linked);
    EXPECT_TRUE(HasText(pass->buildReport, "structure_Upper_One_VS.glsl"));

    // A missing description gives no GL side.
    RGLObjectShader* absent = reinterpret_cast<RGLObjectShader*>(&folder);
    renderer->CreateEffect(EffectName("absent").c_str(), &absent);
    EXPECT_EQ(absent, nullptr);
    RShader none(EffectName("absent").c_str(), RHashedString("Absent"));
    EXPECT_EQ(none.GetGLEffect(), nullptr);
    EXPECT_EQ(none.GetTechniqueCount() + none.GetParamSetWrapperCount(), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(EffectTest, MalformedDescriptionsLoadWhatTheyHoldAndLeakNothing)
{
    const std::string valid =
        "<technique name=\"Alpha\"><pass name=\"One\"/><pass name=\"Two\"/></technique>"
        "<technique name=\"Beta\"><pass name=\"Three\"/></technique>";
    std::vector<std::string> texts;
    for (size_t length = 0; length <= valid.size(); ++length)
        texts.push_back(valid.substr(0, length));
    std::mt19937 random(1234);
    for (int i = 0; i < 40; ++i) {
        std::string garbage(static_cast<size_t>(random() % 400), '\0');
        for (char& c : garbage)
            c = static_cast<char>(random() % 4 == 0 ? "<>/=\" technamepass"[random() % 19] : random() % 256);
        texts.push_back(garbage);
    }
    texts.push_back(std::string(100000, '<'));
    texts.push_back(std::string(3000, '\0'));
    for (size_t i = 0; i < texts.size(); ++i) {
        Write("malformed_GLSL.xml", texts[i]);
        {
            RShader shader(EffectName("malformed").c_str(), RHashedString("Malformed"));
            ASSERT_NE(shader.GetGLEffect(), nullptr) << "text " << i;
            for (RGLObjectTechnique* technique : shader.GetGLEffect()->techniques) {
                EXPECT_FALSE(technique->techniqueName.IsEmpty());
                for (RGLObjectTechniquePass* pass : technique->passes)
                    EXPECT_FALSE(pass->linked);
            }
        }
        ASSERT_EQ(LiveObjects(), baseline) << "text " << i;
    }
    // The whole text gives the whole structure.
    Write("malformed_GLSL.xml", valid);
    RShader shader(EffectName("malformed").c_str(), RHashedString("Malformed"));
    ASSERT_EQ(shader.GetGLEffect()->techniques.getCount(), 2u);
    EXPECT_EQ(shader.GetGLEffect()->techniques[0]->passes.getCount(), 2u);
}

TEST_F(EffectTest, BrokenAndMissingShaderFilesGiveUnlinkedPassesWithReports)
{
    Write("broken_GLSL.xml",
          "<technique name=\"T\"><pass name=\"BadVS\"/><pass name=\"BadPS\"/><pass name=\"NoMain\"/>"
          "<pass name=\"Good\"/><pass name=\"NoVS\"/><pass name=\"NoPS\"/><pass name=\"NoState\"/></technique>");
    folder.WritePass("broken", "T_BadVS", kBrokenVS, kColourPS, "");
    folder.WritePass("broken", "T_BadPS", kColourVS, kBrokenPS, "");
    folder.WritePass("broken", "T_NoMain", kNoMainVS, kColourPS, "");
    folder.WritePass("broken", "T_Good", kColourVS, kColourPS, "");
    folder.WritePass("broken", "T_NoVS", nullptr, kColourPS, "[RenderStates]\nZEnable = False\n");
    folder.WritePass("broken", "T_NoPS", kColourVS, nullptr, "");
    folder.WritePass("broken", "T_NoState", kColourVS, kColourPS, nullptr);
    {
        RShader shader(EffectName("broken").c_str(), RHashedString("Broken"));
        RGLObjectTechniquePass* badVertex = PassOf(shader, 0, 0);
        ASSERT_NE(PassOf(shader, 0, 6), nullptr);
        EXPECT_FALSE(badVertex->linked);
        EXPECT_TRUE(glIsProgram(badVertex->name) && glIsShader(badVertex->vertexShader));  // kept for the report
        const RString& report = badVertex->buildReport;
        EXPECT_TRUE(StartsWith(report, "Error in vertex shader compilation.\n\nSource file: ")) << report.GetString();
        EXPECT_TRUE(HasText(report, "broken_T_BadVS_VS.glsl\nTechnique: T\nPass: BadVS\n\n")) << report.GetString();
        EXPECT_TRUE(HasText(report, "Error in shader linking."));
        EXPECT_FALSE(PassOf(shader, 0, 1)->linked);
        EXPECT_TRUE(StartsWith(PassOf(shader, 0, 1)->buildReport, "Error in pixel shader compilation."));
        EXPECT_FALSE(PassOf(shader, 0, 2)->linked);
        EXPECT_TRUE(StartsWith(PassOf(shader, 0, 2)->buildReport, "Error in shader linking.\n\nSource files: "));
        EXPECT_TRUE(PassOf(shader, 0, 3)->linked);
        // Every pass has its parameter sets, but unlinked ones have no uniforms.
        EXPECT_EQ(shader.GetParamSetWrapperCount(), 7);
        EXPECT_EQ(badVertex->uniformHandles.getCount(), 0);

        // A missing shader file hands nothing to GL; the state file is still read. Without a state file the
        // pass has empty maps and still links.
        for (uint32_t p : {4u, 5u}) {
            EXPECT_EQ(PassOf(shader, 0, p)->name, 0u);
            EXPECT_TRUE(HasText(PassOf(shader, 0, p)->buildReport, p == 4 ? "broken_T_NoVS_VS.glsl" : "broken_T_NoPS_PS.glsl"));
        }
        EXPECT_EQ(PassOf(shader, 0, 4)->renderStates.getCount(), 1);
        RGLObjectTechniquePass* noState = PassOf(shader, 0, 6);
        EXPECT_TRUE(noState->linked);
        EXPECT_EQ(noState->attributes.getCount() + noState->renderStates.getCount() + noState->samplerStates.getCount(), 0);

        // An unlinked pass is never made current: the good pass's program does not stay in use in its place.
        renderer->SetEffect(&shader);
        renderer->SetTechnique(RRenderer::FindTechniqueByName(&shader, "T"));
        EXPECT_EQ(renderer->BeginTechnique(), 7u);
        EXPECT_TRUE(renderer->BeginPass(3));
        EXPECT_FALSE(renderer->BeginPass(0));
        GLint program = -1;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        EXPECT_EQ(program, 0);
        EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
        renderer->SetEffect(nullptr);
    }
    // Destroying passes without GL objects makes no invalid GL call.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(LiveObjects(), baseline);
}

TEST_F(EffectTest, UniformHandleLookupsAreBoundedAndAddNothing)
{
    RShader shader(folder.WriteEffect("uniforms", kUniformVS, kUniformPS, kUniformState).c_str(), RHashedString("Uniforms"));
    RGLObjectTechniquePass* pass = PassOf(shader, 0, 0);
    ASSERT_NE(pass, nullptr);
    ASSERT_TRUE(pass->linked) << pass->buildReport.GetString();
    RGLObjectShaderParamHandle* unlisted = RRenderer::GetShaderParamHandle(pass, "u_unlisted");
    ASSERT_NE(unlisted, nullptr);
    EXPECT_EQ(unlisted->location, glGetUniformLocation(pass->name, "u_unlisted"));
    const int32_t handles = pass->uniformHandles.getCount();
    EXPECT_EQ(RRenderer::GetShaderParamHandle(pass, "U_SCALE"), nullptr);  // GLSL names are case-sensitive
    EXPECT_EQ(RRenderer::GetShaderParamHandle(pass, nullptr), nullptr);
    EXPECT_EQ(RRenderer::GetShaderParamHandle(nullptr, "u_scale"), nullptr);
    EXPECT_EQ(RRenderer::GetShaderParamHandle(pass, "u_arr"), RRenderer::GetShaderParamHandle(pass, "u_arr[0]"));
    EXPECT_EQ(pass->uniformHandles.getCount(), handles);

    // The two 70-character names share their first 63 characters, so they share one handle.
    GLint active = 0;
    glGetProgramiv(pass->name, GL_ACTIVE_UNIFORMS, &active);
    EXPECT_EQ(handles, active - 1);
    EXPECT_NE(RRenderer::GetShaderParamHandle(pass, ("u_" + std::string(61, 'a')).c_str()), nullptr);
    EXPECT_EQ(RRenderer::GetShaderParamHandle(pass, ("u_" + std::string(67, 'a') + "1").c_str()), nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(EffectTest, PassesApplyTheirStatesAndDrawThroughTheirAttributes)
{
    Write("state_GLSL.xml", "<technique name=\"T\"><pass name=\"A\"/><pass name=\"B\"/></technique>");
    // The quad winds counter-clockwise, which the default state culls: pass B turns culling off.
    const char* attributes = "[Attributes]\ninPos = POSITION\ninColour = COLOR0\n";
    folder.WritePass("state", "T_A", kColourVS, kColourPS, (std::string(attributes) + "[RenderStates]\nZEnable = True\n").c_str());
    folder.WritePass("state", "T_B", kColourVS, kColourPS,
              (std::string(attributes) + "[RenderStates]\nCullMode = None\nZEnable = False\n").c_str());
    RShader shader(EffectName("state").c_str(), RHashedString("State"));
    RGLObjectTechnique* technique = RRenderer::FindTechniqueByName(&shader, "t");
    ASSERT_NE(technique, nullptr);
    renderer->SetEffect(&shader);
    EXPECT_EQ(renderer->BeginTechnique(), 0u);  // no technique yet
    EXPECT_FALSE(renderer->BeginPass(0));
    renderer->SetTechnique(technique);
    EXPECT_EQ(renderer->BeginTechnique(), 2u);

    const float positions[] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
    const uint32_t colours[] = {0xFF20C040u, 0xFF20C040u, 0xFF20C040u, 0xFF20C040u};
    const uint16_t indices[] = {0, 1, 2, 0, 2, 3};
    const RVertexStreamDesc streams[2] = {{positions, 12, STREAM_POSITION, false}, {colours, 4, STREAM_COLOR, false}};
    RVertexSet set;
    RIndexBuffer indexBuffer;
    ASSERT_TRUE(set.Create(streams, 2, 4) && indexBuffer.Create(indices, 6, false));
    renderer->ClearColourAndDepth(0xFF000000u, 1.0f);
    glEnable(GL_DEPTH_TEST);
    ASSERT_TRUE(renderer->BeginPass(1));
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<uint32_t>(program), technique->passes[1]->name);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_CULL_FACE));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indexBuffer);
    renderer->DrawIndexedTriangles(-1);
    renderer->EndPass();
    EXPECT_EQ(ReadPixel(kWindowWidth / 2, kWindowHeight / 2), 0xFF20C040u);
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));  // nothing is restored when a pass ends

    ASSERT_TRUE(renderer->BeginPass(0));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(renderer->BeginPass(2));
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    renderer->SetEffect(nullptr);
    EXPECT_EQ(renderer->GetCurrentTechnique(), nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The engine's shut-down destroys the renderer before the shader manager; without a context nothing is built.
TEST_F(EffectTest, AnEffectMayOutliveTheRendererAndNoneIsBuiltWithoutAContext)
{
    RShader* shader = new RShader(folder.WriteEffect("outlive", kUniformVS, kUniformPS, kUniformState).c_str(),
                                  RHashedString("Outlive"));
    ASSERT_TRUE(PassOf(*shader, 0, 0) && PassOf(*shader, 0, 0)->linked);
    renderer->SetEffect(shader);
    RRenderer::DestroyInstance();
    renderer = nullptr;
    delete shader;
    EXPECT_EQ(LiveObjects(), baseline);
    EXPECT_FALSE(RRenderer::HasInstance());

    RGLObjectShader* effect = nullptr;
    RRenderer::GetInstance()->CreateEffect(EffectName("outlive").c_str(), &effect);
    EXPECT_EQ(effect, nullptr);
    RRenderer::DestroyInstance();
    EXPECT_EQ(LiveObjects(), baseline);
}

namespace {

// Draws the effect's technique over the whole window, cleared black first, and reads the window back (rows from
// the bottom); empty when the effect has no such technique.
std::vector<uint32_t> DrawTechnique(RRenderer* renderer, RShader& shader, const char* name)
{
    RTechnique* technique = shader.GetTechnique(RHashedString(name));
    if (!technique || !technique->GetGLTechnique())
        return {};
    materialtest::QuadBuffers quad;
    if (!RMeshUtil::MakeFullScreenQuad(&quad.mesh, kWindowWidth, kWindowHeight))
        return {};
    renderer->ClearColourAndDepth(0xFF000000u, 1.0f);
    renderer->SetEffect(&shader);
    renderer->SetTechnique(technique->GetGLTechnique());
    const uint32_t passes = renderer->BeginTechnique();
    for (uint32_t p = 0; p < passes; ++p) {
        if (!renderer->BeginPass(p))
            continue;
        renderer->BindVertexSet(quad.mesh.GetVertexSet());
        renderer->BindIndexBuffer(quad.mesh.GetIndexBuffer());
        renderer->DrawIndexedTriangles(-1);
        renderer->EndPass();
    }
    renderer->SetEffect(nullptr);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < kWindowHeight; ++y)
        for (int x = 0; x < kWindowWidth; ++x)
            pixels.push_back(ReadPixel(x, y));
    return pixels;
}

// Text of the given size: the text, then comment lines up to the size (';' for state files, an XML comment for
// descriptions), so that the file reads as the text alone.
std::string PaddedTo(const std::string& text, size_t size, bool xml)
{
    std::string padded = text + (xml ? "<!--" : "");
    const size_t end = xml ? 3 : 0;
    while (padded.size() + end < size)
        padded += xml ? std::string("  padding padding padding padding padding padding padding padding\n")
                      : std::string("; padding padding padding padding padding padding padding padding\n");
    padded.resize(size - end);
    return padded + (xml ? "-->" : "");
}

}  // namespace

// A damaged file of each kind in a mod folder: the effect does not build whole, is built again from the pack
// alone, draws the packed picture, and one report names the file at fault and why. A file the bound refuses is
// otherwise whole, so only the bound makes it fail.
TEST_F(EffectTest, ADamagedModFileGivesWayToThePackedEffectAndIsNamedOnce)
{
    using materialtest::FlatPS;
    using materialtest::kFlatState;
    using materialtest::kFlatVS;
    const std::string description = "<technique name=\"Plain\"><pass name=\"P0\"/></technique>"
                                    "<technique name=\"CRT\"><pass name=\"P0\"/></technique>";
    imagetest::ModFolderAndPack sources({
        {"modded_GLSL.xml", description},
        {"modded_Plain_P0_VS.glsl", kFlatVS},
        {"modded_Plain_P0_PS.glsl", FlatPS("1.0, 0.0, 0.0, 1.0")},
        {"modded_Plain_P0_State.ini", kFlatState},
        {"modded_CRT_P0_VS.glsl", kFlatVS},
        {"modded_CRT_P0_PS.glsl", FlatPS("0.0, 1.0, 0.0, 1.0")},
        {"modded_CRT_P0_State.ini", kFlatState},
        // Broken in the pack too: its only pass's state file feeds no vertex attribute.
        {"twice_GLSL.xml", "<technique name=\"CRT\"><pass name=\"P0\"/></technique>"},
        {"twice_CRT_P0_VS.glsl", kFlatVS},
        {"twice_CRT_P0_PS.glsl", FlatPS("0.0, 1.0, 0.0, 1.0")},
        {"twice_CRT_P0_State.ini", ""},
    });

    // The packed picture: the whole window green.
    testing::internal::CaptureStderr();
    std::vector<uint32_t> packed;
    {
        RShader shader("modded.fxo", RHashedString("Modded"));
        packed = DrawTechnique(renderer, shader, "CRT");
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(packed, std::vector<uint32_t>(kWindowWidth * kWindowHeight, 0xFF00FF00u));

    const size_t bound = RRenderer::kMaxEffectFileBytes;
    const struct {
        const char* what;
        const char* file;
        std::string text;
        const char* reason;
    } cases[] = {
        {"empty description", "modded_GLSL.xml", "", "modded_GLSL.xml holds no technique"},
        {"comment-only description", "modded_GLSL.xml", "<!-- nothing here -->\n",
         "modded_GLSL.xml holds no technique"},
        {"technique without a pass", "modded_GLSL.xml",
         "<technique name=\"Plain\"><pass name=\"P0\"/></technique><technique name=\"CRT\"/>",
         "modded_GLSL.xml: the technique CRT has no pass"},
        {"missing technique", "modded_GLSL.xml", "<technique name=\"Plain\"><pass name=\"P0\"/></technique>",
         "modded_GLSL.xml lacks the technique CRT"},
        {"description beyond the bound", "modded_GLSL.xml", PaddedTo(description, bound + 1, true),
         "modded_GLSL.xml is too large (1048577 bytes"},
        {"empty state file", "modded_CRT_P0_State.ini", "", "modded_CRT_P0_State.ini gives the pass no vertex"},
        {"comment-only state file", "modded_CRT_P0_State.ini", "; nothing here\n",
         "modded_CRT_P0_State.ini gives the pass no vertex"},
        {"state file beyond the bound", "modded_CRT_P0_State.ini", PaddedTo(kFlatState, bound + 1, false),
         "modded_CRT_P0_State.ini is too large (1048577 bytes"},
        {"shader that does not compile", "modded_CRT_P0_PS.glsl", "void main() { gl_FragColor = not glsl; }\n",
         "Error in pixel shader compilation.\n\nSource file: modded_CRT_P0_PS.glsl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sources.Mod(c.file, c.text);
        testing::internal::CaptureStderr();
        {
            RShader shader("modded.fxo", RHashedString("Modded"));
            EXPECT_TRUE(DrawTechnique(renderer, shader, "CRT") == packed) << "not the packed picture";
        }
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(imagetest::Occurrences(said, "The effect modded.fxo failed to build and is drawn from the packs "
                                               "instead:\n"), 1) << said;
        EXPECT_EQ(imagetest::Occurrences(said, "The effect"), 1) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
    }

    // Broken in the pack too: named the same way, with both reports.
    sources.Mod("twice_GLSL.xml", "");
    testing::internal::CaptureStderr();
    {
        RShader shader("twice.fxo", RHashedString("Twice"));
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(imagetest::Occurrences(said, "The effect twice.fxo failed to build, from the packs too:\n"), 1) << said;
    EXPECT_EQ(imagetest::Occurrences(said, "The effect"), 1) << said;
    EXPECT_NE(said.find("twice_GLSL.xml holds no technique\nFrom the packs:\ntwice_CRT_P0_State.ini gives the pass"),
              std::string::npos)
        << said;
    EXPECT_EQ(LiveObjects(), baseline);
}

// A description far beyond the bound is refused from its size: no memory is taken for it.
TEST_F(EffectTest, AnOversizedDescriptionIsRefusedUnread)
{
    Write("huge_GLSL.xml", "");
    ASSERT_EQ(truncate(folder.File("huge_GLSL.xml").c_str(), 256 << 20), 0);  // sparse: no disk or memory taken
    struct rusage before = {};
    getrusage(RUSAGE_SELF, &before);
    testing::internal::CaptureStderr();
    {
        RShader shader(EffectName("huge").c_str(), RHashedString("Huge"));
        ASSERT_NE(shader.GetGLEffect(), nullptr);
        EXPECT_EQ(shader.GetGLEffect()->techniques.getCount(), 0u);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    struct rusage after = {};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(imagetest::Occurrences(said, "huge_GLSL.xml is too large (268435456 bytes, more than 1048576)"), 1)
        << said;
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 << 10) << "peak grew by " << after.ru_maxrss - before.ru_maxrss
                                                            << " KiB";
}
