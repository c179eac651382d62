// State files read into a pass and applied: the keywords that once misread, the attribute, render-state and
// sampler maps, the render states read back from GL, sampler states read back from the bound texture, the
// registry listing, and truncated or garbage state files.
#include "GLTestSupport.h"
#include "ImageTestFiles.h"

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>

#include "render/RRenderStateRegistry.h"
#include "render/RShaderParam.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"

using namespace gltest;

namespace {

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

void Read(RGLObjectTechniquePass& pass, const std::string& text)
{
    pass.stateFile.LoadFromMemory(text.data(), static_cast<uint32_t>(text.size()), true, true);
    pass.ReadAttributes();
    pass.ReadRenderStates();
    pass.ReadSamplerStates();
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
    void Apply(const std::string& text)
    {
        Read(pass, text);
        renderer->SetCurrentTechniquePass(&pass);
        renderer->ApplyRenderStates();
    }

    RGLObjectTechniquePass pass;
};

}  // namespace

TEST(RenderStateKeywords, ValuesThatOnceMisreadOrOverran)
{
    // There is no ninth or tenth texture coordinate stream: 8 and 9 must not alias the blend streams.
    const std::pair<const char*, StreamUsage> usages[] = {
        {"position0", STREAM_POSITION},     {"texcoord", STREAM_TEXCOORD0},  {"TEXCOORD7", STREAM_TEXCOORD7},
        {"TEXCOORD8", STREAM_UNRECOGNISED}, {"TEXCOORD9", STREAM_UNRECOGNISED}, {"TEXCOORD12", STREAM_TEXCOORD2},
        {"POS", STREAM_UNRECOGNISED},       {"", STREAM_UNRECOGNISED},       {nullptr, STREAM_UNRECOGNISED}};
    for (const auto& u : usages)
        EXPECT_EQ(RGLObjectTechniquePass::ParseStreamUsage(u.first), u.second) << (u.first ? u.first : "null");

    // Border colours are 0xAARRGGBB; a non-hexadecimal digit counts as -1 ("Fz" is 15 x 16 - 1), and short
    // values read no further than their end, missing digits counting as -1 too.
    const struct {
        const char* text;
        float rgba[4];
    } borders[] = {{"0x80402010", {0x40 / 255.0f, 0x20 / 255.0f, 0x10 / 255.0f, 0x80 / 255.0f}},
                   {"0xFzFF0000", {1, 0, 0, 239 / 255.0f}},
                   {"0xFF", {0, 0, 0, 1}},
                   {"0xFFFFFFF", {1, 1, 239 / 255.0f, 1}},
                   {"", {0, 0, 0, 0}},
                   {nullptr, {0, 0, 0, 0}}};
    for (const auto& b : borders) {
        float rgba[4] = {-1, -1, -1, -1};
        RRenderer::ParseBorderColor(b.text, rgba);
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(rgba[i], b.rgba[i]) << (b.text ? b.text : "null") << " channel " << i;
    }

    // Uniform declarations: fields are not trimmed (" matinst" falls to the material scope, " vector" is no
    // type), counts saturate instead of overflowing, and fewer than three fields leave the outputs untouched.
    const struct {
        const char* text;
        EShaderParamType type;
        int32_t count;
        uint32_t scope;
    } declarations[] = {{"Matrix,  12,RendInst", SHADER_PARAM_MATRIX, 12, 3},
                        {"float, 1, matinst", SHADER_PARAM_FLOAT, 1, 0},
                        {" vector,1,matinst", SHADER_PARAM_UNKNOWN, 1, 1},
                        {"float,99999999999999999999999,material", SHADER_PARAM_FLOAT, INT32_MAX, 0},
                        {"float,x7,material", SHADER_PARAM_FLOAT, 0, 0},
                        {"int,3,renderable,extra", SHADER_PARAM_INT, 3, 2}};
    for (const auto& d : declarations) {
        EShaderParamType type = SHADER_PARAM_BOOL;
        int32_t count = -1;
        uint32_t scope = 99;
        ASSERT_TRUE(ParseShaderParamDeclaration(d.text, &type, &count, &scope)) << d.text;
        EXPECT_EQ(type, d.type) << d.text;
        EXPECT_EQ(count, d.count) << d.text;
        EXPECT_EQ(scope, d.scope) << d.text;
    }
    EShaderParamType type = SHADER_PARAM_INT;
    int32_t count = 5;
    uint32_t scope = 7;
    for (const char* text : {"float,1", "", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(ParseShaderParamDeclaration(text, &type, &count, &scope));
    EXPECT_TRUE(type == SHADER_PARAM_INT && count == 5 && scope == 7);
}

TEST(RenderStateFile, ReadsItsSectionsAndTheRegistryListsThem)
{
    RGLObjectTechniquePass pass;
    Read(pass,
         "[Attributes]\nuv1 = TEXCOORD1\nuvA = texcoord\nfirstColour = COLOR\nsecondColour = COLOR1\nodd = POS\n"
         "[RenderStates]\nZEnable = true\nStencilEnable = RegistryProbeOne\n"
         "[Uniforms]\ndiffuse = texture,1,material\n"
         "[diffuse]\nAddressU = Clamp\nMinFilter = Linear\n"
         "[renderstates]\nUnused = 1\n");
    EXPECT_STREQ(pass.attributes.find(STREAM_TEXCOORD1)->value.GetString(), "uv1");
    EXPECT_STREQ(pass.attributes.find(STREAM_TEXCOORD0)->value.GetString(), "uvA");
    EXPECT_STREQ(pass.attributes.find(STREAM_UNRECOGNISED)->value.GetString(), "odd");
    EXPECT_EQ(pass.attributes.getCount(), 4);
    // Of two attributes for one usage the higher key id wins.
    const RHashedString first("firstColour", true), second("secondColour", true);
    ASSERT_NE(pass.attributes.find(STREAM_COLOR), nullptr);
    EXPECT_EQ(pass.attributes.find(STREAM_COLOR)->value, first < second ? second : first);
    EXPECT_EQ(pass.renderStates.getCount(), 2);
    ASSERT_NE(pass.renderStates.find(RHashedString("ZEnable", true)), nullptr);
    EXPECT_EQ(pass.renderStates.find(RHashedString("ZEnable", true))->value, RHashedString("TRUE"));
    // Section names are case-sensitive: "renderstates" is a sampler section like "diffuse".
    EXPECT_EQ(pass.samplerStates.getCount(), 2);
    auto* diffuse = pass.samplerStates.find(RHashedString("diffuse", true));
    ASSERT_NE(diffuse, nullptr);
    EXPECT_EQ(diffuse->value.getCount(), 2);
    EXPECT_EQ(diffuse->value.find(RHashedString("AddressU", true))->value, RHashedString("clamp"));
    EXPECT_NE(pass.samplerStates.find(RHashedString("renderstates", true)), nullptr);

    // The registry lists every state and value given, each line ended with CR LF, values tab-indented.
    Read(pass, "[RenderStates]\nStencilEnable = RegistryProbeTwo\n");
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(RRenderStateRegistry::Write(file));
    std::string listing(static_cast<size_t>(ftell(file)), '\0');
    rewind(file);
    ASSERT_EQ(fread(&listing[0], 1, listing.size(), file), listing.size());
    fclose(file);
    std::map<std::string, std::set<std::string>> parsed;
    std::string current;
    for (size_t start = 0, end = 0; start < listing.size(); start = end + 2) {
        end = listing.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        const std::string line = listing.substr(start, end - start);
        if (!line.empty() && line[0] == '\t')
            parsed[current].insert(line.substr(1));
        else
            current = line;
    }
    EXPECT_EQ(parsed["StencilEnable"].count("RegistryProbeOne") + parsed["StencilEnable"].count("RegistryProbeTwo"), 2u);
    EXPECT_FALSE(RRenderStateRegistry::Write(nullptr));

    // Reading again empties each map first.
    Read(pass, "");
    EXPECT_EQ(pass.attributes.getCount() + pass.renderStates.getCount() + pass.samplerStates.getCount(), 0);
}

TEST_F(RenderStateTest, RenderStatesReadBackFromGL)
{
    glDisable(GL_DEPTH_TEST);
    Apply("[RenderStates]\nZEnable = true\nZWriteEnable = False\nZFunc = GreaterEqual\nFillMode = Wireframe\n"
          "AlphaBlendEnable = True\nSrcBlend = SrcAlpha\nDestBlend = InvSrcAlpha\n"
          "AlphaTestEnable = True\nAlphaRef = 128\nAlphaFunc = Greater\nCullMode = CCW\n");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_BLEND) && glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_FALSE);
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_GEQUAL);
    EXPECT_EQ(Integer(GL_POLYGON_MODE), GL_LINE);
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_GREATER);
    EXPECT_NEAR(Float(GL_ALPHA_TEST_REF), 128.0f / 255.0f, 1e-6f);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CW);
    EXPECT_EQ(Integer(GL_CULL_FACE_MODE), GL_BACK);

    // Booleans are True or False only; unknown keywords fall back; a blend function needs both factors, and
    // what is not named is not changed.
    Apply("[RenderStates]\nZEnable = 1\nZWriteEnable = TRUE\nZFunc = Whenever\nFillMode = Point\n"
          "SrcBlend = DestColor\nDestBlend = Zero\nAlphaFunc = LessEqual\nAlphaRef = 300\nCullMode = cw\n");
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_ALWAYS);
    EXPECT_EQ(Integer(GL_POLYGON_MODE), GL_POINT);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_DST_COLOR);
    EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ZERO);
    EXPECT_EQ(Integer(GL_ALPHA_TEST_FUNC), GL_LEQUAL);
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 1.0f);
    EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CCW);

    glEnable(GL_DEPTH_TEST);
    Apply("[RenderStates]\nZEnable = False\nFillMode = Solid\nStencilEnable = True\nNoSuchState = True\n"
          "AlphaBlendEnable = False\nSrcBlend = One\nAlphaRef = 10\nAlphaTestEnable = False\nCullMode = Sideways\n");
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST) || glIsEnabled(GL_STENCIL_TEST) || glIsEnabled(GL_BLEND));
    EXPECT_EQ(Integer(GL_POLYGON_MODE), GL_FILL);
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_DST_COLOR);
    // Without a function the reference does nothing; an unknown cull mode leaves culling as it was.
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(Integer(GL_FRONT_FACE), GL_CCW);
    Apply("[RenderStates]\nCullMode = None\n");
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

    // Without a reference it is 0; out-of-range numbers clamp instead of overflowing.
    const std::pair<const char*, float> references[] = {
        {"", 0.0f}, {"AlphaRef = 99999999999999999999999999\n", 1.0f},
        {"AlphaRef = -99999999999999999999999999\n", 0.0f}, {"AlphaRef = half\n", 0.0f}};
    for (const auto& r : references) {
        Apply(std::string("[RenderStates]\nAlphaFunc = Equal\n") + r.first);
        EXPECT_FLOAT_EQ(Float(GL_ALPHA_TEST_REF), r.second) << r.first;
    }

    // Nothing happens without a current pass.
    Read(pass, "[RenderStates]\nZEnable = True\n");
    renderer->SetCurrentTechniquePass(nullptr);
    renderer->ApplyRenderStates();
    renderer->ApplySamplerStates(RHashedString("tex", true), RHashedString("Anything"));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderStateTest, SamplerStatesGoToTheBoundTextureAndKeepOneLevelTexturesComplete)
{
    // A 4 x 4 uncompressed 32-bit DDS file with its full chain of three levels.
    imagetest::TempFolder folder;
    std::vector<uint8_t> dds(128, 0);
    memcpy(dds.data(), "DDS ", 4);
    const std::pair<size_t, uint32_t> fields[] = {{4, 124}, {8, 0x21007}, {12, 4}, {16, 4}, {28, 3}, {76, 32},
                                                  {80, 0x41}, {88, 32}, {92, 0x00FF0000u}, {96, 0x0000FF00u},
                                                  {100, 0x000000FFu}, {104, 0xFF000000u}, {108, 0x1000}};
    for (const auto& f : fields)
        imagetest::PutU32(dds, f.first, f.second);
    dds.resize(128 + (16 + 4 + 1) * 4, 0x80);
    const RHashedString mipmapped("RenderStateTest Mipmapped"), single("RenderStateTest Single");
    RTexture* full = renderer->LoadTexture(folder.Put("mips.dds", dds).c_str(), mipmapped);
    RTexture* one = renderer->CreateNamedTexture(16, 16, RRenderer::FORMAT_RGBA, single, false, false, false);
    ASSERT_TRUE(full && full->HasGLTexture() && full->GetMipCount() > 1);
    ASSERT_TRUE(one && one->HasGLTexture() && one->GetMipCount() == 1);
    const uint32_t fullName = full->GetGLTexture()->name, oneName = one->GetGLTexture()->name;

    Read(pass, "[diffuse]\nAddressU = Clamp\nAddressV = Mirror\nMagFilter = Point\nMinFilter = Linear\n"
               "MipFilter = Point\nBorderColor = 0xFF00FF00\nUnknownState = 3\n"
               "[detail]\nAddressU = Border\nMinFilter = Point\nMipFilter = Linear\n"
               "[onlymin]\nMinFilter = Point\n");
    renderer->SetCurrentTechniquePass(&pass);
    const auto apply = [&](uint32_t glName, const char* section, const RHashedString& texture) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, glName);
        renderer->ApplySamplerStates(RHashedString(section, true), texture);
        glBindTexture(GL_TEXTURE_2D, 0);
    };
    apply(fullName, "diffuse", mipmapped);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_T), GL_MIRRORED_REPEAT);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
    GLfloat border[4] = {-1, -1, -1, -1};
    glBindTexture(GL_TEXTURE_2D, fullName);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(std::vector<float>(border, border + 4), (std::vector<float>{0, 1, 0, 1}));

    // A texture of one level, or one the texture manager does not hold, gets the minifying filter itself,
    // which keeps it complete.
    apply(oneName, "diffuse", single);
    EXPECT_EQ(TextureParameter(oneName, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    apply(fullName, "detail", mipmapped);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_BORDER);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
    // Only one of MinFilter and MipFilter keeps the minifying filter; a section nobody wrote changes nothing.
    apply(fullName, "onlymin", mipmapped);
    apply(fullName, "absent", mipmapped);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_BORDER);
    apply(fullName, "diffuse", RHashedString("RenderStateTest Unknown"));
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
    const RHashedString texture("RenderStateTest Garbage");
    RTexture* target = renderer->CreateNamedTexture(8, 8, RRenderer::FORMAT_RGBA, texture, false, false, false);
    ASSERT_TRUE(target && target->HasGLTexture());
    glBindTexture(GL_TEXTURE_2D, target->GetGLTexture()->name);
    const auto exercise = [&](const std::string& text) {
        Apply(text);
        for (RUtilMapIter<RUtilMap<RHashedString, RHashedString>, RHashedString> section(pass.samplerStates);
             section.isValid(); section.next())
            renderer->ApplySamplerStates(section.getKey(), texture);
        for (RINIFile::SectionMap::Iter section(pass.stateFile.GetSections()); section.isValid(); section.next())
            for (RINIFile::Section::Iter line(section.getValue()); line.isValid(); line.next()) {
                EShaderParamType type;
                int32_t count;
                uint32_t scope;
                ParseShaderParamDeclaration(line.getValue().GetString(), &type, &count, &scope);
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
            const uint32_t pick = random() % 8;
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
