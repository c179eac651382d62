// State files read into a pass and applied: keywords that once misread, sampler states read back from the
// bound texture, and truncated or garbage state files.
#include "GLTestSupport.h"
#include "ImageTestFiles.h"

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>

#include "render/effects/RRenderStateRegistry.h"
#include "render/effects/RShaderParam.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

using namespace gltest;

namespace {

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

TEST(RenderStateKeywords, CullModesBlendFactorsAndCompareFunctionsMapToTheirGLValues)
{
    // "CW" culls clockwise triangles: with GL_BACK culled, the front face must be the counter-clockwise one.
    const struct {
        const char* keyword;
        bool known;
        uint32_t frontFace;
        bool cull;
    } culls[] = {{"None", true, GL_CCW, false}, {"CW", true, GL_CCW, true}, {"CCW", true, GL_CW, true},
                 {"Back", false, 0x1234, true}};
    for (const auto& c : culls) {
        uint32_t frontFace = 0x1234;
        bool cull = true;
        EXPECT_EQ(c.known, RRenderer::ParseCullMode(RHashedString(c.keyword), &frontFace, &cull)) << c.keyword;
        EXPECT_EQ(c.frontFace, frontFace) << c.keyword;
        EXPECT_EQ(c.cull, cull) << c.keyword;
    }
    const std::pair<const char*, uint32_t> factors[] = {
        {"Zero", GL_ZERO},           {"One", GL_ONE},
        {"SrcColor", GL_SRC_COLOR},  {"InvSrcColor", GL_ONE_MINUS_SRC_COLOR},
        {"SrcAlpha", GL_SRC_ALPHA},  {"InvSrcAlpha", GL_ONE_MINUS_SRC_ALPHA},
        {"DestAlpha", GL_DST_ALPHA}, {"InvDestAlpha", GL_ONE_MINUS_DST_ALPHA},
        {"DestColor", GL_DST_COLOR}, {"InvDestColor", GL_ONE_MINUS_DST_COLOR},
        {"SrcAlphaSat", GL_SRC_ALPHA_SATURATE}, {"BothSrcAlpha", GL_ONE}, {"BlendFactor", GL_ONE}, {"", GL_ONE}};
    for (const auto& [keyword, factor] : factors)
        EXPECT_EQ(factor, RRenderer::ParseBlendFactor(RHashedString(keyword))) << keyword;
    const std::pair<const char*, uint32_t> compares[] = {
        {"Always", GL_ALWAYS},   {"Never", GL_NEVER},     {"Less", GL_LESS},
        {"LessEqual", GL_LEQUAL}, {"Equal", GL_EQUAL},    {"GreaterEqual", GL_GEQUAL},
        {"Greater", GL_GREATER}, {"NotEqual", GL_NOTEQUAL}, {"Lesser", GL_ALWAYS}};
    for (const auto& [keyword, function] : compares)
        EXPECT_EQ(function, RRenderer::ParseCompareFunc(RHashedString(keyword))) << keyword;
}

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
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(TextureParameter(fullName, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);

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
