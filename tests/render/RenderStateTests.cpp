// State files read into a pass and applied: the keyword tables, the attribute, render-state and sampler maps,
// the render states read back from GL, sampler states read back from the bound texture, the registry listing,
// and truncated or garbage state files.
#include "GLTestSupport.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>

#include "core/RStreamMgr.h"
#include "render/RRenderStateRegistry.h"
#include "render/RShaderParam.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"

using namespace gltest;

namespace {

RHashedString Id(const char* text)
{
    return RHashedString(text);
}

// A pass holding only a state file, made current so that its states can be applied.
class RenderStateTest : public GLTest {
protected:
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->SetCurrentTechniquePass(nullptr);
        glDisable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
        glDisable(GL_ALPHA_TEST);
        glAlphaFunc(GL_ALWAYS, 0.0f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDepthFunc(GL_LESS);
        renderer->SetDefaultState();
    }

    void Load(const std::string& text)
    {
        pass.stateFile.LoadFromMemory(text.data(), static_cast<uint32_t>(text.size()), true, true);
        pass.ReadAttributes();
        pass.ReadRenderStates();
        pass.ReadSamplerStates();
    }
    void Apply(const std::string& text)
    {
        Load(text);
        renderer->SetCurrentTechniquePass(&pass);
        renderer->ApplyRenderStates();
    }

    RGLObjectTechniquePass pass;
};

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// A 4 x 4 uncompressed 32-bit DDS file with its full chain of three levels, written to a temporary path that
// the stream manager finds through its working-directory source.
std::string WriteMipmappedDDS()
{
    std::vector<uint8_t> bytes(128, 0);
    memcpy(bytes.data(), "DDS ", 4);
    Put32(bytes, 4, 124);
    Put32(bytes, 8, 0x1007 | 0x20000);  // caps, height, width, pixel format, mip count
    Put32(bytes, 12, 4);
    Put32(bytes, 16, 4);
    Put32(bytes, 28, 3);
    Put32(bytes, 76, 32);
    Put32(bytes, 80, 0x41);  // RGB with alpha
    Put32(bytes, 88, 32);
    Put32(bytes, 92, 0x00FF0000u);
    Put32(bytes, 96, 0x0000FF00u);
    Put32(bytes, 100, 0x000000FFu);
    Put32(bytes, 104, 0xFF000000u);
    Put32(bytes, 108, 0x1000);
    bytes.resize(128 + (16 + 4 + 1) * 4, 0x80);
    char path[] = "/tmp/rolt_states_XXXXXX.dds";
    int descriptor = mkstemps(path, 4);
    if (descriptor < 0)
        return "";
    close(descriptor);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    static bool searchPathAdded = false;
    if (!searchPathAdded) {
        RStreamMgr::GetInstance()->AddSearchPath("");
        searchPathAdded = true;
    }
    return path;
}

GLint Integer(GLenum name)
{
    GLint value[4] = {-1, -1, -1, -1};
    glGetIntegerv(name, value);
    return value[0];
}

float Float(GLenum name)
{
    GLfloat value[4] = {-1, -1, -1, -1};
    glGetFloatv(name, value);
    return value[0];
}

}  // namespace

TEST(RenderStateKeywords, CompareBlendFillBoolAddressAndFilterTables)
{
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("Always")), static_cast<uint32_t>(GL_ALWAYS));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("never")), static_cast<uint32_t>(GL_NEVER));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("LESS")), static_cast<uint32_t>(GL_LESS));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("LessEqual")), static_cast<uint32_t>(GL_LEQUAL));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("Equal")), static_cast<uint32_t>(GL_EQUAL));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("GreaterEqual")), static_cast<uint32_t>(GL_GEQUAL));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("Greater")), static_cast<uint32_t>(GL_GREATER));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("NotEqual")), static_cast<uint32_t>(GL_NOTEQUAL));
    EXPECT_EQ(RRenderer::ParseCompareFunc(Id("Sometimes")), static_cast<uint32_t>(GL_ALWAYS));

    const std::pair<const char*, GLenum> blends[] = {
        {"Zero", GL_ZERO},
        {"One", GL_ONE},
        {"SrcColor", GL_SRC_COLOR},
        {"InvSrcColor", GL_ONE_MINUS_SRC_COLOR},
        {"srcalpha", GL_SRC_ALPHA},
        {"InvSrcAlpha", GL_ONE_MINUS_SRC_ALPHA},
        {"DestAlpha", GL_DST_ALPHA},
        {"InvDestAlpha", GL_ONE_MINUS_DST_ALPHA},
        {"DestColor", GL_DST_COLOR},
        {"InvDestColor", GL_ONE_MINUS_DST_COLOR},
        {"SrcAlphaSat", GL_SRC_ALPHA_SATURATE},
        {"BothSrcAlpha", GL_ONE},
        {"BothInvSrcAlpha", GL_ONE},
        {"BlendFactor", GL_ONE},
        {"InvBlendFactor", GL_ONE},
        {"SrcColor2", GL_ONE},
        {"InvSrcColor2", GL_ONE},
        {"", GL_ONE},
    };
    for (const auto& blend : blends)
        EXPECT_EQ(RRenderer::ParseBlendFactor(Id(blend.first)), static_cast<uint32_t>(blend.second)) << blend.first;

    EXPECT_EQ(RRenderer::ParseFillMode(Id("Wireframe")), static_cast<uint32_t>(GL_LINE));
    EXPECT_EQ(RRenderer::ParseFillMode(Id("point")), static_cast<uint32_t>(GL_POINT));
    EXPECT_EQ(RRenderer::ParseFillMode(Id("Solid")), static_cast<uint32_t>(GL_FILL));
    EXPECT_EQ(RRenderer::ParseFillMode(Id("Hatched")), static_cast<uint32_t>(GL_FILL));

    EXPECT_TRUE(RRenderer::ParseBool(Id("True")));
    EXPECT_TRUE(RRenderer::ParseBool(Id("true")));
    EXPECT_FALSE(RRenderer::ParseBool(Id("1")));
    EXPECT_FALSE(RRenderer::ParseBool(Id("False")));
    EXPECT_FALSE(RRenderer::ParseBool(Id("yes")));

    EXPECT_EQ(RRenderer::ParseAddressMode(Id("Wrap")), static_cast<uint32_t>(GL_REPEAT));
    EXPECT_EQ(RRenderer::ParseAddressMode(Id("clamp")), static_cast<uint32_t>(GL_CLAMP_TO_EDGE));
    EXPECT_EQ(RRenderer::ParseAddressMode(Id("Border")), static_cast<uint32_t>(GL_CLAMP_TO_BORDER));
    EXPECT_EQ(RRenderer::ParseAddressMode(Id("Mirror")), static_cast<uint32_t>(GL_MIRRORED_REPEAT));
    EXPECT_EQ(RRenderer::ParseAddressMode(Id("MirrorOnce")), static_cast<uint32_t>(GL_MIRROR_CLAMP_TO_EDGE));
    EXPECT_EQ(RRenderer::ParseAddressMode(Id("Elsewhere")), static_cast<uint32_t>(GL_REPEAT));

    EXPECT_EQ(RRenderer::ParseFilter(Id("Point")), static_cast<uint32_t>(GL_NEAREST));
    EXPECT_EQ(RRenderer::ParseFilter(Id("Linear")), static_cast<uint32_t>(GL_LINEAR));
    EXPECT_EQ(RRenderer::ParseFilter(Id("Anisotropic")), static_cast<uint32_t>(GL_LINEAR));
}

TEST(RenderStateKeywords, CullModes)
{
    uint32_t face = 0;
    bool cull = true;
    ASSERT_TRUE(RRenderer::ParseCullMode(Id("None"), &face, &cull));
    EXPECT_EQ(face, static_cast<uint32_t>(GL_CCW));
    EXPECT_FALSE(cull);
    ASSERT_TRUE(RRenderer::ParseCullMode(Id("cw"), &face, &cull));
    EXPECT_EQ(face, static_cast<uint32_t>(GL_CCW));
    EXPECT_TRUE(cull);
    ASSERT_TRUE(RRenderer::ParseCullMode(Id("CCW"), &face, &cull));
    EXPECT_EQ(face, static_cast<uint32_t>(GL_CW));
    EXPECT_TRUE(cull);
    face = 7;
    EXPECT_FALSE(RRenderer::ParseCullMode(Id("Both"), &face, &cull));
    EXPECT_EQ(face, 7u);
}

TEST(RenderStateKeywords, BorderColours)
{
    float rgba[4];
    RRenderer::ParseBorderColor("0xFF00FF00", rgba);  // alpha, red, green, blue
    EXPECT_FLOAT_EQ(rgba[0], 0.0f);
    EXPECT_FLOAT_EQ(rgba[1], 1.0f);
    EXPECT_FLOAT_EQ(rgba[2], 0.0f);
    EXPECT_FLOAT_EQ(rgba[3], 1.0f);
    RRenderer::ParseBorderColor("0x80402010", rgba);
    EXPECT_FLOAT_EQ(rgba[0], 0x40 / 255.0f);
    EXPECT_FLOAT_EQ(rgba[1], 0x20 / 255.0f);
    EXPECT_FLOAT_EQ(rgba[2], 0x10 / 255.0f);
    EXPECT_FLOAT_EQ(rgba[3], 0x80 / 255.0f);
    // A non-hexadecimal digit counts as -1: "Fz" is 15 x 16 - 1.
    RRenderer::ParseBorderColor("0xFzFF0000", rgba);
    EXPECT_FLOAT_EQ(rgba[3], 239 / 255.0f);
    // Short values read no further than their end: missing digits count as -1 too.
    RRenderer::ParseBorderColor("0xFF", rgba);
    EXPECT_FLOAT_EQ(rgba[3], 1.0f);
    EXPECT_FLOAT_EQ(rgba[0], 0.0f);
    EXPECT_FLOAT_EQ(rgba[1], 0.0f);
    EXPECT_FLOAT_EQ(rgba[2], 0.0f);
    RRenderer::ParseBorderColor("0xFFFFFFF", rgba);
    EXPECT_FLOAT_EQ(rgba[2], 239 / 255.0f);
    RRenderer::ParseBorderColor("", rgba);
    EXPECT_FLOAT_EQ(rgba[3], 0.0f);
    RRenderer::ParseBorderColor(nullptr, rgba);
    EXPECT_FLOAT_EQ(rgba[0], 0.0f);
}

TEST(RenderStateKeywords, UniformDeclarations)
{
    EShaderParamType type = SHADER_PARAM_UNKNOWN;
    int32_t count = -1;
    uint32_t scope = 99;
    ASSERT_TRUE(ParseShaderParamDeclaration("texture,1,material", &type, &count, &scope));
    EXPECT_EQ(type, SHADER_PARAM_TEXTURE);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(scope, 0u);
    ASSERT_TRUE(ParseShaderParamDeclaration("Matrix,  12,RendInst", &type, &count, &scope));
    EXPECT_EQ(type, SHADER_PARAM_MATRIX);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(scope, 3u);
    ASSERT_TRUE(ParseShaderParamDeclaration("bool,1,instance", &type, &count, &scope));
    EXPECT_EQ(type, SHADER_PARAM_BOOL);
    EXPECT_EQ(scope, 3u);
    ASSERT_TRUE(ParseShaderParamDeclaration("int,2,renderable", &type, &count, &scope));
    EXPECT_EQ(type, SHADER_PARAM_INT);
    EXPECT_EQ(scope, 2u);
    // Fields are not trimmed: " matinst" is no keyword and falls to the material scope.
    ASSERT_TRUE(ParseShaderParamDeclaration("float, 1, matinst", &type, &count, &scope));
    EXPECT_EQ(type, SHADER_PARAM_FLOAT);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(scope, 0u);
    ASSERT_TRUE(ParseShaderParamDeclaration(" vector,1,matinst", &type, &count, &scope));
    EXPECT_EQ(type, SHADER_PARAM_UNKNOWN);
    EXPECT_EQ(scope, 1u);
    // Counts are read as decimal integers and saturate instead of overflowing.
    ASSERT_TRUE(ParseShaderParamDeclaration("float,99999999999999999999999,material", &type, &count, &scope));
    EXPECT_EQ(count, INT32_MAX);
    ASSERT_TRUE(ParseShaderParamDeclaration("float,x7,material", &type, &count, &scope));
    EXPECT_EQ(count, 0);
    ASSERT_TRUE(ParseShaderParamDeclaration("float,3,matinst,extra", &type, &count, &scope));
    EXPECT_EQ(scope, 1u);
    // Fewer than three fields: skipped, outputs untouched.
    type = SHADER_PARAM_INT;
    EXPECT_FALSE(ParseShaderParamDeclaration("float,1", &type, &count, &scope));
    EXPECT_FALSE(ParseShaderParamDeclaration("", &type, &count, &scope));
    EXPECT_FALSE(ParseShaderParamDeclaration(nullptr, &type, &count, &scope));
    EXPECT_EQ(type, SHADER_PARAM_INT);
}

TEST(RenderStateKeywords, VertexSemantics)
{
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("POSITION"), STREAM_POSITION);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("position0"), STREAM_POSITION);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("NORMAL"), STREAM_NORMAL);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("COLOR0"), STREAM_COLOR);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("Tangent"), STREAM_TANGENT);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("BINORMAL"), STREAM_BINORMAL);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("BLENDINDICES"), STREAM_BLENDINDICES);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("BLENDWEIGHT"), STREAM_BLENDWEIGHT);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("TEXCOORD1"), STREAM_TEXCOORD1);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("texcoord"), STREAM_TEXCOORD0);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("TEXCOORD7"), STREAM_TEXCOORD7);
    // There is no ninth or tenth texture coordinate stream: 8 and 9 must not alias the blend streams.
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("TEXCOORD8"), STREAM_UNRECOGNISED);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("TEXCOORD9"), STREAM_UNRECOGNISED);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("TEXCOORD12"), STREAM_TEXCOORD2);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage("POS"), STREAM_UNRECOGNISED);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage(""), STREAM_UNRECOGNISED);
    EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage(nullptr), STREAM_UNRECOGNISED);
}

TEST(RenderStateFile, ReadsAttributesRenderStatesAndSamplerSections)
{
    RGLObjectTechniquePass pass;
    const char* text =
        "[Attributes]\n"
        "uv1 = TEXCOORD1\n"
        "uvA = texcoord\n"
        "tint = COLOR0\n"
        "odd = POS\n"
        "[RenderStates]\n"
        "ZEnable = true\n"
        "SrcBlend = SrcAlpha\n"
        "[Uniforms]\n"
        "diffuse = texture,1,material\n"
        "[diffuse]\n"
        "AddressU = Clamp\n"
        "MinFilter = Linear\n"
        "[renderstates]\n"
        "Unused = 1\n";
    pass.stateFile.LoadFromMemory(text, static_cast<uint32_t>(strlen(text)), true, true);
    pass.ReadAttributes();
    pass.ReadRenderStates();
    pass.ReadSamplerStates();

    ASSERT_NE(pass.attributes.find(STREAM_TEXCOORD1), nullptr);
    EXPECT_STREQ(pass.attributes.find(STREAM_TEXCOORD1)->value.GetString(), "uv1");
    EXPECT_STREQ(pass.attributes.find(STREAM_TEXCOORD0)->value.GetString(), "uvA");
    EXPECT_STREQ(pass.attributes.find(STREAM_COLOR)->value.GetString(), "tint");
    EXPECT_STREQ(pass.attributes.find(STREAM_UNRECOGNISED)->value.GetString(), "odd");
    EXPECT_EQ(pass.attributes.getCount(), 4);

    EXPECT_EQ(pass.renderStates.getCount(), 2);
    ASSERT_NE(pass.renderStates.find(RHashedString("ZEnable", true)), nullptr);
    EXPECT_EQ(pass.renderStates.find(RHashedString("ZEnable", true))->value, Id("TRUE"));

    // Section names are case-sensitive: "renderstates" is a sampler section like "diffuse".
    EXPECT_EQ(pass.samplerStates.getCount(), 2);
    auto* diffuse = pass.samplerStates.find(RHashedString("diffuse", true));
    ASSERT_NE(diffuse, nullptr);
    EXPECT_EQ(diffuse->value.getCount(), 2);
    EXPECT_EQ(diffuse->value.find(RHashedString("AddressU", true))->value, Id("clamp"));
    EXPECT_NE(pass.samplerStates.find(RHashedString("renderstates", true)), nullptr);
    EXPECT_EQ(pass.samplerStates.find(RHashedString("Uniforms", true)), nullptr);

    // Reading again empties each map first.
    pass.stateFile.LoadFromMemory("", 0, true, true);
    pass.ReadAttributes();
    pass.ReadRenderStates();
    pass.ReadSamplerStates();
    EXPECT_EQ(pass.attributes.getCount(), 0);
    EXPECT_EQ(pass.renderStates.getCount(), 0);
    EXPECT_EQ(pass.samplerStates.getCount(), 0);
}

TEST(RenderStateFile, OfTwoAttributesForOneUsageTheHigherKeyIdWins)
{
    RGLObjectTechniquePass pass;
    const char* text = "[Attributes]\nfirstColour = COLOR\nsecondColour = COLOR1\n";
    pass.stateFile.LoadFromMemory(text, static_cast<uint32_t>(strlen(text)), true, true);
    pass.ReadAttributes();
    RHashedString first("firstColour", true);
    RHashedString second("secondColour", true);
    ASSERT_NE(pass.attributes.find(STREAM_COLOR), nullptr);
    EXPECT_EQ(pass.attributes.find(STREAM_COLOR)->value, first < second ? second : first);
}

TEST(RenderStateFile, TheRegistryListsEveryStateAndValueGiven)
{
    RGLObjectTechniquePass pass;
    const char* text = "[RenderStates]\nStencilEnable = RegistryProbeOne\nFillMode = RegistryProbeFill\n";
    pass.stateFile.LoadFromMemory(text, static_cast<uint32_t>(strlen(text)), true, true);
    pass.ReadRenderStates();
    const char* other = "[RenderStates]\nStencilEnable = RegistryProbeTwo\n";
    pass.stateFile.LoadFromMemory(other, static_cast<uint32_t>(strlen(other)), true, true);
    pass.ReadRenderStates();

    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(RRenderStateRegistry::Write(file));
    long size = ftell(file);
    rewind(file);
    std::string listing(static_cast<size_t>(size), '\0');
    ASSERT_EQ(fread(&listing[0], 1, listing.size(), file), listing.size());
    fclose(file);

    // Parse the listing back: a name line, then its value lines, each ended with CR LF.
    std::map<std::string, std::set<std::string>> parsed;
    std::string current;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        std::string line = listing.substr(start, end - start);
        if (!line.empty() && line[0] == '\t') {
            ASSERT_FALSE(current.empty());
            parsed[current].insert(line.substr(1));
        } else {
            current = line;
            parsed[current];
        }
        start = end + 2;
    }
    EXPECT_TRUE(parsed["StencilEnable"].count("RegistryProbeOne"));
    EXPECT_TRUE(parsed["StencilEnable"].count("RegistryProbeTwo"));
    EXPECT_TRUE(parsed["FillMode"].count("RegistryProbeFill"));
    EXPECT_FALSE(RRenderStateRegistry::Write(nullptr));
}

TEST_F(RenderStateTest, BooleansDepthAndFill)
{
    glDisable(GL_DEPTH_TEST);
    Apply("[RenderStates]\nZEnable = true\nZWriteEnable = False\nZFunc = GreaterEqual\nFillMode = Wireframe\n");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_FALSE);
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_GEQUAL);
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);

    Apply("[RenderStates]\nZEnable = 1\nZWriteEnable = TRUE\nZFunc = Whenever\nFillMode = Point\n");
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_ALWAYS);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_POINT);

    glEnable(GL_DEPTH_TEST);
    Apply("[RenderStates]\nZEnable = False\nFillMode = Solid\nStencilEnable = True\nNoSuchState = True\n");
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, BlendFunctionNeedsBothFactors)
{
    Apply("[RenderStates]\nAlphaBlendEnable = True\nSrcBlend = SrcAlpha\nDestBlend = InvSrcAlpha\n");
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);

    Apply("[RenderStates]\nSrcBlend = DestColor\nDestBlend = Zero\n");
    EXPECT_TRUE(glIsEnabled(GL_BLEND));  // not named, not changed
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_DST_COLOR);
    EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ZERO);

    Apply("[RenderStates]\nAlphaBlendEnable = False\nSrcBlend = One\n");
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_DST_COLOR);
    EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ZERO);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, AlphaTestFunctionAndReference)
{
    Apply("[RenderStates]\nAlphaTestEnable = True\nAlphaRef = 128\nAlphaFunc = Greater\n");
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_GREATER);
    EXPECT_NEAR(Float(GL_ALPHA_TEST_REF), 128.0f / 255.0f, 1e-6f);

    Apply("[RenderStates]\nAlphaFunc = LessEqual\nAlphaRef = 300\n");
    EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_LEQUAL);
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 1.0f);

    // Without a function the reference does nothing.
    Apply("[RenderStates]\nAlphaRef = 10\nAlphaTestEnable = False\n");
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_LEQUAL);
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 1.0f);

    // Without a reference it is 0; out-of-range numbers clamp instead of overflowing.
    Apply("[RenderStates]\nAlphaFunc = Equal\n");
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 0.0f);
    Apply("[RenderStates]\nAlphaFunc = Equal\nAlphaRef = 99999999999999999999999999\n");
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 1.0f);
    Apply("[RenderStates]\nAlphaFunc = Equal\nAlphaRef = -99999999999999999999999999\n");
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 0.0f);
    Apply("[RenderStates]\nAlphaFunc = Equal\nAlphaRef = half\n");
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, CullModes)
{
    Apply("[RenderStates]\nCullMode = None\n");
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CCW);

    Apply("[RenderStates]\nCullMode = CCW\n");
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CW);
    EXPECT_EQ(Integer(GL_CULL_FACE_MODE), GL_BACK);

    Apply("[RenderStates]\nCullMode = cw\n");
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CCW);

    // An unknown mode leaves culling as it was.
    Apply("[RenderStates]\nCullMode = Sideways\n");
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CCW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, NothingHappensWithoutACurrentPass)
{
    Load("[RenderStates]\nZEnable = False\n");
    glEnable(GL_DEPTH_TEST);
    renderer->SetCurrentTechniquePass(nullptr);
    renderer->ApplyRenderStates();
    renderer->ApplySamplerStates(RHashedString("tex", true), RHashedString("Anything"));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, SamplerStatesGoToTheBoundTexture)
{
    RHashedString mipmapped("RenderStateTest Mipmapped");
    RHashedString single("RenderStateTest Single");
    std::string ddsPath = WriteMipmappedDDS();
    ASSERT_FALSE(ddsPath.empty());
    RTexture* full = renderer->LoadTexture(ddsPath.c_str(), mipmapped);
    unlink(ddsPath.c_str());
    RTexture* one = renderer->CreateNamedTexture(16, 16, RRenderer::FORMAT_RGBA, single, false, false, false);
    ASSERT_TRUE(full && full->HasGLTexture() && full->GetMipCount() > 1);
    ASSERT_TRUE(one && one->HasGLTexture() && one->GetMipCount() == 1);
    uint32_t fullName = full->GetGLTexture()->name;
    uint32_t oneName = one->GetGLTexture()->name;

    Load("[diffuse]\nAddressU = Clamp\nAddressV = Mirror\nMagFilter = Point\nMinFilter = Linear\n"
         "MipFilter = Point\nBorderColor = 0xFF00FF00\nUnknownState = 3\n"
         "[detail]\nAddressU = Border\nMinFilter = Point\nMipFilter = Linear\n"
         "[onlymin]\nMinFilter = Point\n");
    renderer->SetCurrentTechniquePass(&pass);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, fullName);
    renderer->ApplySamplerStates(RHashedString("diffuse", true), mipmapped);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_T), GL_MIRRORED_REPEAT);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
    GLfloat border[4] = {-1, -1, -1, -1};
    glBindTexture(GL_TEXTURE_2D, fullName);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_FLOAT_EQ(border[0], 0.0f);
    EXPECT_FLOAT_EQ(border[1], 1.0f);
    EXPECT_FLOAT_EQ(border[2], 0.0f);
    EXPECT_FLOAT_EQ(border[3], 1.0f);

    // A texture of one level gets the minifying filter itself, which keeps it complete.
    glBindTexture(GL_TEXTURE_2D, oneName);
    renderer->ApplySamplerStates(RHashedString("diffuse", true), single);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(TextureParameter(oneName, GL_TEXTURE_MIN_FILTER), GL_LINEAR);

    glBindTexture(GL_TEXTURE_2D, fullName);
    renderer->ApplySamplerStates(RHashedString("detail", true), mipmapped);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_BORDER);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);

    // Only one of MinFilter and MipFilter: the minifying filter stays.
    glBindTexture(GL_TEXTURE_2D, fullName);
    renderer->ApplySamplerStates(RHashedString("onlymin", true), mipmapped);
    // A section nobody wrote changes nothing.
    renderer->ApplySamplerStates(RHashedString("absent", true), mipmapped);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_BORDER);

    // A texture the texture manager does not hold counts as one level.
    glBindTexture(GL_TEXTURE_2D, fullName);
    renderer->ApplySamplerStates(RHashedString("diffuse", true), RHashedString("RenderStateTest Unknown"));
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_LINEAR);

    renderer->UnloadTexture(mipmapped);
    renderer->UnloadTexture(single);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, TruncatedAndGarbageStateFilesAreReadSafely)
{
    const std::string valid =
        "; a full state file\n"
        "[RenderStates]\nAlphaBlendEnable = True\nSrcBlend = SrcAlpha\nDestBlend = InvSrcAlpha\n"
        "AlphaTestEnable = True\nAlphaFunc = Greater\nAlphaRef = 128\nZEnable = False\nZWriteEnable = False\n"
        "ZFunc = LessEqual\nFillMode = Solid\nCullMode = None\n"
        "[Uniforms]\nu_tex = texture,1,material\nu_tint = vector,1,matinst\n"
        "[Attributes]\ninPos = POSITION\ninUV = TEXCOORD0\n"
        "[u_tex]\nAddressU = Clamp\nAddressV = Wrap\nMinFilter = Linear\nMipFilter = Point\nBorderColor = 0xFF102030\n";
    RHashedString texture("RenderStateTest Garbage");
    RTexture* target = renderer->CreateNamedTexture(8, 8, RRenderer::FORMAT_RGBA, texture, false, false, false);
    ASSERT_TRUE(target && target->HasGLTexture());
    glBindTexture(GL_TEXTURE_2D, target->GetGLTexture()->name);

    auto exercise = [&](const std::string& text) {
        Load(text);
        renderer->SetCurrentTechniquePass(&pass);
        renderer->ApplyRenderStates();
        for (RUtilMapIter<RUtilMap<RHashedString, RHashedString>, RHashedString> section(pass.samplerStates);
             section.isValid(); section.next())
            renderer->ApplySamplerStates(section.getKey(), texture);
        for (RINIFile::SectionMap::Iter section(pass.stateFile.GetSections()); section.isValid(); section.next()) {
            for (RINIFile::Section::Iter line(section.getValue()); line.isValid(); line.next()) {
                EShaderParamType type;
                int32_t count;
                uint32_t scope;
                ParseShaderParamDeclaration(line.getValue().GetString(), &type, &count, &scope);
            }
        }
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    };

    for (size_t length = 0; length <= valid.size(); ++length)
        exercise(valid.substr(0, length));
    std::mt19937 random(4321);
    const char structure[] = "[]=:,;\r\n\t 0x";
    for (int i = 0; i < 300; ++i) {
        std::string text(static_cast<size_t>(random() % 1500), '\0');
        for (char& c : text) {
            uint32_t pick = random() % 8;
            c = pick < 3 ? structure[random() % (sizeof structure - 1)]
                         : (pick < 6 ? valid[random() % valid.size()] : static_cast<char>(random() % 256));
        }
        exercise(text);
    }
    // Over-long lines, names and values are cut by the reader.
    exercise("[" + std::string(5000, 'S') + "]\n" + std::string(5000, 'k') + " = " + std::string(5000, 'v') + "\n");
    exercise("[RenderStates]\nAlphaFunc = Less\nAlphaRef = " + std::string(300, '9') + "\n[RenderStates]\n" +
             "CullMode = " + std::string(400, 'C') + "\n");
    glBindTexture(GL_TEXTURE_2D, 0);
    renderer->UnloadTexture(texture);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
