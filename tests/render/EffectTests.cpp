// Effects built from technique descriptions, GLSL files and state files written to temporary folders: naming,
// the description's structure, compiling and linking, uniform handles, the current effect state, drawing
// through an effect and the clean-up of every GL object.
#include "GLTestSupport.h"
#include "ImageTestFiles.h"

#include <random>
#include <string>

#include "render/RGLObjMgr.h"
#include "render/RIndexBuffer.h"
#include "render/RShader.h"
#include "render/RShaderParam.h"
#include "render/RTechnique.h"
#include "render/RVertexSet.h"

using namespace gltest;

namespace {

// Draws the vertex colour at the vertex position.
const char* const kColourVS =
    "#version 120\n"
    "attribute vec3 inPos;\n"
    "attribute vec4 inColour;\n"
    "varying vec4 colour;\n"
    "void main() { colour = inColour; gl_Position = vec4(inPos, 1.0); }\n";
const char* const kColourPS =
    "#version 120\n"
    "varying vec4 colour;\n"
    "void main() { gl_FragColor = colour; }\n";

// Uniforms for the handle lookups; the two 70-character names differ only past the 63rd character.
const char* const kUniformVS =
    "#version 120\n"
    "attribute vec3 inPos;\n"
    "uniform float u_scale;\n"
    "void main() { gl_Position = vec4(inPos * u_scale, 1.0); }\n";
const char* const kUniformPS =
    "#version 120\n"
    "uniform vec4 u_arr[3];\n"
    "uniform float u_unlisted;\n"
    "uniform float u_aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa1;\n"
    "uniform float u_aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa2;\n"
    "void main() {\n"
    "    gl_FragColor = u_arr[2] + vec4(u_unlisted,\n"
    "        u_aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa1,\n"
    "        u_aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa2, 1.0);\n"
    "}\n";
const char* const kUniformState =
    "[Uniforms]\n"
    "u_scale = float,1,renderable\n"
    "u_arr = vector,3,instance\n"
    "[Attributes]\n"
    "inPos = POSITION\n";

// A syntax error (the missing semicolon), an undeclared name, and a shader that compiles but cannot link.
const char* const kBrokenVS = "#version 120\nattribute vec3 inPos;\nvoid main() { gl_Position = vec4(inPos, 1.0) }\n";
const char* const kBrokenPS = "#version 120\nvoid main() { gl_FragColor = undeclared; }\n";
const char* const kNoMainVS = "#version 120\nattribute vec3 inPos;\nvec4 helper() { return vec4(inPos, 1.0); }\n";

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

    void Write(const std::string& name, const std::string& text)
    {
        folder.Put(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    // The description and the files of each pass ("T" and "P" unless named) of the effect with base name B.
    std::string Effect(const std::string& base, const char* vertex = kColourVS, const char* pixel = kColourPS,
                       const char* state = "")
    {
        Write(base + "_GLSL.xml", "<technique name=\"T\"><pass name=\"P\"/></technique>");
        WritePass(base, "T", "P", vertex, pixel, state);
        return EffectName(base);
    }
    void WritePass(const std::string& base, const std::string& technique, const std::string& pass,
                   const char* vertex, const char* pixel, const char* state)
    {
        const std::string prefix = base + "_" + technique + "_" + pass;
        if (vertex)
            Write(prefix + "_VS.glsl", vertex);
        if (pixel)
            Write(prefix + "_PS.glsl", pixel);
        if (state)
            Write(prefix + "_State.ini", state);
    }
    std::string EffectName(const std::string& base) const { return folder.File(base) + ".fxo"; }
    uint32_t LiveObjects() const { return RGLObjMgr::GetInstance()->GetObjects().getCount(); }

    imagetest::TempFolder folder;
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

TEST_F(EffectTest, NamesItsFilesAfterEffectTechniqueAndPassAndLinks)
{
    Write("sprites_GLSL.xml", "<technique name=\"SpriteTech\"><pass name=\"Main\"/></technique>");
    WritePass("sprites", "SpriteTech", "Main", kColourVS, kColourPS, "[Attributes]\ninPos = POSITION\ninColour = COLOR0\n");
    {
        RShader shader(EffectName("sprites").c_str(), RHashedString("Sprites Shader"));
        RGLObjectTechniquePass* pass = PassOf(shader, 0, 0);
        ASSERT_NE(pass, nullptr);
        EXPECT_TRUE(pass->linked) << pass->buildReport.GetString();
        EXPECT_TRUE(pass->buildReport.IsEmpty());
        EXPECT_TRUE(glIsProgram(pass->name) && glIsShader(pass->vertexShader) && glIsShader(pass->fragmentShader));
        // The state file was read into the attribute map.
        ASSERT_TRUE(pass->attributes.find(STREAM_POSITION) && pass->attributes.find(STREAM_COLOR));
        EXPECT_STREQ(pass->attributes.find(STREAM_POSITION)->value.GetString(), "inPos");
        EXPECT_STREQ(pass->attributes.find(STREAM_COLOR)->value.GetString(), "inColour");
        EXPECT_NE(shader.GetTechnique(RHashedString("spritetech")), nullptr);
        // Whatever the extension, the last four characters go.
        RShader again((folder.File("sprites") + "ABCD").c_str(), RHashedString("Sprites Again"));
        ASSERT_NE(PassOf(again, 0, 0), nullptr);
        EXPECT_TRUE(PassOf(again, 0, 0)->linked);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    EXPECT_EQ(LiveObjects(), baseline);

    // A relative name, found through a folder added to the stream manager.
    RStreamMgr::GetInstance()->AddSearchPath(folder.path.c_str());
    Effect("foldered");
    RShader shader("foldered.fxo", RHashedString("Foldered"));
    ASSERT_NE(PassOf(shader, 0, 0), nullptr);
    EXPECT_TRUE(PassOf(shader, 0, 0)->linked);
}

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
    EXPECT_EQ(RRenderer::FindTechniqueByName(&shader, "Lost"), nullptr);
    EXPECT_EQ(RRenderer::FindTechniqueByName(&shader, nullptr), nullptr);
    RTechnique* dup = shader.GetTechnique(RHashedString("dUP"));
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(dup->GetGLTechnique(), effect->techniques[2]);
    EXPECT_EQ(shader.GetTechnique(RHashedString("NoSuchTechnique")), nullptr);
    EXPECT_EQ(shader.GetTechniqueCount(), 4);

    // Passes whose files are missing hand nothing to GL and say why.
    RGLObjectTechniquePass* pass = effect->techniques[0]->passes[0];
    EXPECT_EQ(pass->name, 0u);
    EXPECT_EQ(pass->vertexShader, 0u);
    EXPECT_FALSE(pass->linked);
    EXPECT_TRUE(HasText(pass->buildReport, "Missing shader source."));
    EXPECT_TRUE(HasText(pass->buildReport, "structure_Upper_One_VS.glsl"));

    // A missing description gives no GL side.
    RGLObjectShader* absent = reinterpret_cast<RGLObjectShader*>(&folder);
    renderer->CreateEffect(EffectName("absent").c_str(), &absent);
    EXPECT_EQ(absent, nullptr);
    RShader none(EffectName("absent").c_str(), RHashedString("Absent"));
    EXPECT_EQ(none.GetGLEffect(), nullptr);
    EXPECT_EQ(none.GetTechniqueCount() + none.GetParamSetWrapperCount(), 0);
    EXPECT_EQ(RRenderer::FindTechniqueByName(&none, "Anything"), nullptr);
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
    WritePass("broken", "T", "BadVS", kBrokenVS, kColourPS, "");
    WritePass("broken", "T", "BadPS", kColourVS, kBrokenPS, "");
    WritePass("broken", "T", "NoMain", kNoMainVS, kColourPS, "");
    WritePass("broken", "T", "Good", kColourVS, kColourPS, "");
    WritePass("broken", "T", "NoVS", nullptr, kColourPS, "[RenderStates]\nZEnable = False\n");
    WritePass("broken", "T", "NoPS", kColourVS, nullptr, "");
    WritePass("broken", "T", "NoState", kColourVS, kColourPS, nullptr);
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
    RShader shader(Effect("uniforms", kUniformVS, kUniformPS, kUniformState).c_str(), RHashedString("Uniforms"));
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
    WritePass("state", "T", "A", kColourVS, kColourPS, (std::string(attributes) + "[RenderStates]\nZEnable = True\n").c_str());
    WritePass("state", "T", "B", kColourVS, kColourPS,
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
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), technique->passes[1]);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<uint32_t>(program), technique->passes[1]->name);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_CULL_FACE));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indexBuffer);
    renderer->DrawIndexedTriangles(-1);
    renderer->EndPass();
    EXPECT_EQ(ReadPixel(kWindowWidth / 2, kWindowHeight / 2), 0xFF20C040u);
    EXPECT_EQ(ReadPixel(1, 1), 0xFF20C040u);
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));  // nothing is restored when a pass ends

    ASSERT_TRUE(renderer->BeginPass(0));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(renderer->BeginPass(2));
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    ASSERT_TRUE(renderer->BeginPass(0));
    renderer->SetTechnique(technique);
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    renderer->SetEffect(nullptr);
    EXPECT_EQ(renderer->GetCurrentTechnique(), nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(EffectTest, DestroyingTheCurrentEffectLeavesNothingPointingIntoIt)
{
    const float positions[] = {0, 0, 0, 1, 0, 0, 1, 1, 0};
    const RVertexStreamDesc stream = {positions, 12, STREAM_POSITION, false};
    RVertexSet set;
    ASSERT_TRUE(set.Create(&stream, 1, 3));
    const uint32_t withSet = LiveObjects();
    uint32_t program = 0;
    {
        RShader shader(Effect("current", kColourVS, kColourPS, "[Attributes]\ninPos = POSITION\n").c_str(),
                       RHashedString("Current"));
        program = PassOf(shader, 0, 0)->name;
        renderer->SetEffect(&shader);
        renderer->SetTechnique(RRenderer::FindTechniqueByName(&shader, "T"));
        renderer->BeginTechnique();
        ASSERT_TRUE(renderer->BeginPass(0));
        renderer->BindVertexSet(&set);
        ASSERT_EQ(renderer->GetBoundVertexSet(), &set);
    }
    EXPECT_EQ(renderer->GetCurrentEffect(), nullptr);
    EXPECT_EQ(renderer->GetCurrentTechnique(), nullptr);
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    EXPECT_EQ(renderer->GetBoundVertexSet(), nullptr);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(LiveObjects(), withSet);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The engine's shut-down destroys the renderer before the shader manager; without a context nothing is built.
TEST_F(EffectTest, AnEffectMayOutliveTheRendererAndNoneIsBuiltWithoutAContext)
{
    RShader* shader = new RShader(Effect("outlive", kUniformVS, kUniformPS, kUniformState).c_str(),
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
