// Shader parameters: informant chains (loops, depth, informants going away), the four scopes of a pass filled by
// chains of informants and read back from the program or drawn, typed uploads against uniforms of other types and
// smaller arrays, uploads while another program is in use, texture parameters and their reset, and set copies.
#include <memory>

#include "ShaderTestSupport.h"
#include "core/types/RMath.h"
#include "render/device/RGLObjMgr.h"
#include "render/images/RTexture.h"

using namespace gltest;
using namespace shadertest;

namespace {

// Every uniform is used, so that none is optimised away; arrays are indexed up to their last element.
const char* const kScopesVS =
    "attribute vec3 inPos;\nuniform float u_matScale;\nuniform mat3 u_basis;\n"
    "uniform vec4 u_instTint;\nuniform mat2 u_small;\nuniform mat4 u_world;\nuniform vec3 u_dir;\n"
    "uniform vec2 u_offset;\nvarying vec4 colour;\n"
    "void main() {\n"
    "    vec3 p = u_basis * inPos + vec3(u_small * inPos.xy, 0.0) + u_dir;\n"
    "    colour = u_instTint;\n"
    "    gl_Position = u_world * vec4(p * u_matScale, 1.0) + vec4(u_offset, 0.0, 0.0);\n"
    "}\n";
const char* const kScopesPS =
    "uniform int u_count;\nuniform bool u_flag;\nuniform float u_weights[4];\n"
    "uniform vec4 u_colours[3];\nuniform mat4 u_bones[2];\nuniform int u_ints[2];\nuniform bool u_bools[2];\n"
    "uniform sampler2D u_tex;\nvarying vec4 colour;\n"
    "void main() {\n"
    "    vec4 c = colour * float(u_count) + texture2D(u_tex, colour.xy);\n"
    "    if (u_flag) c += vec4(1.0);\n"
    "    c += vec4(u_weights[0] + u_weights[1] + u_weights[2] + u_weights[3]);\n"
    "    c += u_colours[0] + u_colours[1] + u_colours[2] + u_bones[0][0] + u_bones[1][3];\n"
    "    c += vec4(float(u_ints[0] + u_ints[1]));\n"
    "    if (u_bools[0] || u_bools[1]) c += vec4(0.5);\n"
    "    gl_FragColor = c;\n"
    "}\n";
// The arrays are declared longer than the program has them.
const char* const kScopesState =
    "[Uniforms]\n"
    "u_matScale = float,1,material\nu_basis = matrix,1,material\nu_ints = int,2,material\n"
    "u_bools = bool,2,material\nu_tex = texture,1,material\n"
    "u_instTint = vector,1,matinst\nu_small = matrix,1,matinst\nu_weights = float,9,matinst\n"
    "u_world = matrix,1,renderable\nu_dir = vector,1,renderable\nu_flag = bool,1,renderable\n"
    "u_bones = matrix,2,renderable\n"
    "u_offset = vector,1,rendinst\nu_count = int,1,rendinst\nu_colours = vector,8,instance\n"
    "[Attributes]\ninPos = POSITION\n[u_tex]\nAddressU = Clamp\nMagFilter = Point\n";

RMatrix4 Sequence(float first)
{
    RMatrix4 matrix;
    for (int i = 0; i < 16; ++i)
        matrix.m[i] = first + static_cast<float>(i);
    return matrix;
}

class ShaderParamTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        baseline = RGLObjMgr::GetInstance()->GetObjects().getCount();
    }
    void TearDown() override
    {
        if (!renderer)
            return;
        renderer->SetEffect(nullptr);
        glUseProgram(0);
        renderer->SetDefaultState();
    }

    // The scopes effect with its pass current.
    std::unique_ptr<RShader> LoadScopes(const char* name = "Scopes")
    {
        std::unique_ptr<RShader> shader(
            new RShader(folder.WriteEffect("scopes", kScopesVS, kScopesPS, kScopesState).c_str(), RHashedString(name)));
        pass = FirstPass(shader.get());
        if (pass && pass->linked)
            BeginFirstPass(renderer, shader.get());
        return shader;
    }
    RShaderParamMapping* Mapping(RShader* shader, uint32_t scope, const char* name)
    {
        return FindMapping(shader, pass, scope, name);
    }
    void ExpectNoGLError() { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }

    EffectFolder folder;
    RGLObjectTechniquePass* pass = nullptr;
    uint32_t baseline = 0;
};

}  // namespace

TEST(ShaderParamInformant, RefusesLoopsAndChainsLongerThanTenAndKeepsTheEarlierLink)
{
    TestInformant a, b, c;
    EXPECT_FALSE(a.SetChainedInformant(&a));
    ASSERT_TRUE(a.SetChainedInformant(&b));
    ASSERT_TRUE(b.SetChainedInformant(&c));
    EXPECT_FALSE(c.SetChainedInformant(&a));  // would close a -> b -> c -> a
    EXPECT_EQ(c.GetChainedInformant(), nullptr);
    EXPECT_TRUE(a.SetChainedInformant(nullptr));
    EXPECT_TRUE(c.SetChainedInformant(&a));

    TestInformant chain[11], head, other;
    for (int i = 0; i < 9; ++i)
        ASSERT_TRUE(chain[i].SetChainedInformant(&chain[i + 1]));
    EXPECT_TRUE(head.SetChainedInformant(&chain[0]));  // chain[0] heads exactly 10
    ASSERT_TRUE(chain[9].SetChainedInformant(&chain[10]));
    EXPECT_FALSE(other.SetChainedInformant(&chain[0]));  // now 11
    EXPECT_EQ(other.GetChainedInformant(), nullptr);
    EXPECT_EQ(head.GetChainedInformant(), &chain[0]);
}

TEST(ShaderParamInformant, AnInformantGoingAwayLeavesNoLinkToItAndCopiesStartUnlinked)
{
    TestInformant child, sibling;
    auto parent = std::make_unique<TestInformant>();
    ASSERT_TRUE(child.SetChainedInformant(parent.get()));
    ASSERT_TRUE(sibling.SetChainedInformant(parent.get()));
    {
        TestInformant shortLived;
        ASSERT_TRUE(shortLived.SetChainedInformant(parent.get()));
    }
    parent.reset();
    EXPECT_EQ(child.GetChainedInformant(), nullptr);
    EXPECT_EQ(sibling.GetChainedInformant(), nullptr);
    RShaderParamMapping mapping(nullptr, RHashedString("x"), SHADER_PARAM_FLOAT, 1, nullptr);
    EXPECT_FALSE(child.InformShaderParams(&mapping, RHashedString(), &child));

    // Relinking moves the informant from one parent's list to the other's.
    TestInformant first, second;
    ASSERT_TRUE(child.SetChainedInformant(&first));
    ASSERT_TRUE(child.SetChainedInformant(&second));
    {
        TestInformant gone;
        ASSERT_TRUE(first.SetChainedInformant(&gone));
    }
    EXPECT_EQ(first.GetChainedInformant(), nullptr);
    EXPECT_EQ(child.GetChainedInformant(), &second);

    TestInformant copy(child);
    EXPECT_EQ(copy.GetChainedInformant(), nullptr);
}

TEST_F(ShaderParamTest, ChainsOfInformantsFillTheFourScopes)
{
    std::unique_ptr<RShader> shader = LoadScopes();
    ASSERT_TRUE(pass && pass->linked) << (pass ? pass->buildReport.GetString() : "no pass");
    ASSERT_EQ(renderer->GetCurrentTechniquePass(), pass);
    const RHashedString passId("GamePass");
    auto vector = [](RVector4 value) { return [value](RShaderParamMapping* m) { m->SetVector(&value); }; };

    // Material template, its instance (chained to shared defaults), the renderable template and its instance,
    // both chained to the entity. Names are matched without regard to case.
    TestInformant material, materialInst, defaults, renderable, renderableInst, entity;
    material.Answers("U_MATSCALE", [](RShaderParamMapping* m) { m->SetFloat(2.5f); });
    defaults.Answers("u_instTint", vector({0.25f, 0.5f, 0.75f, 1.0f}));
    renderable.Answers("u_dir", vector({1.0f, 2.0f, 3.0f, 4.0f}));
    entity.Answers("u_offset", vector({-1.0f, -2.0f, -3.0f, -4.0f}));
    ASSERT_TRUE(materialInst.SetChainedInformant(&defaults));
    ASSERT_TRUE(renderable.SetChainedInformant(&entity));
    ASSERT_TRUE(renderableInst.SetChainedInformant(&entity));

    const struct {
        RShaderParamInformant* informant;
        const char* uniform;
        std::vector<float> expected;
    } scopes[4] = {{&material, "u_matScale", {2.5f}},
                   {&materialInst, "u_instTint", {0.25f, 0.5f, 0.75f, 1.0f}},
                   {&renderable, "u_dir", {1, 2, 3}},
                   {&renderableInst, "u_offset", {-1, -2}}};
    for (uint32_t scope = 0; scope < 4; ++scope) {
        bool offered = false;
        shader->ApplyScopeParams(scope, scopes[scope].informant, passId, &offered, pass);
        EXPECT_TRUE(offered) << scope;
        EXPECT_EQ(UniformFloats(pass->name, scopes[scope].uniform, scopes[scope].expected.size()),
                  scopes[scope].expected);
    }

    // Requests reached the entity from both renderable scopes, each with its own requester and the pass id.
    int fromTemplate = 0;
    int fromInstance = 0;
    for (const TestInformant::Request& request : entity.requests) {
        EXPECT_EQ(request.renderPassId, passId);
        fromTemplate += request.requester == &renderable;
        fromInstance += request.requester == &renderableInst;
    }
    EXPECT_EQ(fromTemplate, 3);  // u_world, u_flag, u_bones
    EXPECT_EQ(fromInstance, 3);  // u_offset, u_count, u_colours
    EXPECT_EQ(material.requests.size(), 5u);  // only the material scope's own parameters
    ExpectNoGLError();
}

TEST_F(ShaderParamTest, AnUploadOfTheWrongKindLeavesTheUniformAndGLAlone)
{
    std::unique_ptr<RShader> shader = LoadScopes();
    ASSERT_TRUE(pass && pass->linked);
    const uint32_t program = pass->name;
    RShaderParamMapping* scale = Mapping(shader.get(), 0, "u_matScale");  // float
    RShaderParamMapping* tint = Mapping(shader.get(), 1, "u_instTint");   // vec4
    RShaderParamMapping* count = Mapping(shader.get(), 3, "u_count");     // int
    RShaderParamMapping* texture = Mapping(shader.get(), 0, "u_tex");     // sampler2D
    ASSERT_TRUE(scale && tint && count && texture);
    RVector4 vector = {9, 9, 9, 9};
    RMatrix4 matrix = Sequence(50.0f);

    scale->SetFloat(3.0f);
    scale->SetVector(&vector);
    scale->SetMatrix(&matrix);
    scale->SetTexture(RHashedString("NoSuchTexture"));
    RVector4 tintValue = {1, 2, 3, 4};
    tint->SetVector(&tintValue);
    tint->SetFloat(8.0f);
    tint->SetMatrix(&matrix);
    count->SetInt(5);
    count->SetFloat(9.0f);
    count->SetVector(&vector);
    texture->SetInt(3);  // a sampler takes an integer unit, but no float
    texture->SetFloat(1.0f);
    ExpectNoGLError();
    EXPECT_EQ(UniformFloats(program, "u_matScale", 1), std::vector<float>{3.0f});
    EXPECT_EQ(UniformFloats(program, "u_instTint", 4), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(UniformInt(program, "u_count"), 5);
    EXPECT_EQ(UniformInt(program, "u_tex"), 3);

    // The unsigned vector types lie among the sampler type values, but take no integer unit.
    RShader unsignedEffect(folder.WriteEffect("unsigned",
                                              "#version 130\nin vec3 inPos;\nuniform uvec2 u_unsigned;\n"
                                              "void main() { gl_Position = vec4(inPos * float(u_unsigned.x), 1.0); }\n",
                                              "#version 130\nvoid main() { gl_FragColor = vec4(1.0); }\n",
                                              "[Uniforms]\nu_unsigned = int,1,material\n")
                               .c_str(),
                           RHashedString("Unsigned"));
    pass = FirstPass(&unsignedEffect);
    ASSERT_TRUE(pass && pass->linked && BeginFirstPass(renderer, &unsignedEffect));
    RShaderParamMapping* unsignedVector = Mapping(&unsignedEffect, 0, "u_unsigned");
    ASSERT_NE(unsignedVector, nullptr);
    unsignedVector->SetInt(7);
    int32_t values[2] = {7, 7};
    unsignedVector->SetIntArray(values, 2);
    ExpectNoGLError();
}

TEST_F(ShaderParamTest, ArrayUploadsNeverGoBeyondTheProgramsArray)
{
    std::unique_ptr<RShader> shader = LoadScopes();
    ASSERT_TRUE(pass && pass->linked);
    const uint32_t program = pass->name;
    RShaderParamMapping* weights = Mapping(shader.get(), 1, "u_weights");  // float[4], declared 9
    RShaderParamMapping* colours = Mapping(shader.get(), 3, "u_colours");  // vec4[3], declared 8
    RShaderParamMapping* ints = Mapping(shader.get(), 0, "u_ints");        // int[2]
    RShaderParamMapping* scale = Mapping(shader.get(), 0, "u_matScale");   // float
    ASSERT_TRUE(weights && colours && ints && scale);
    EXPECT_EQ(weights->count, 9);

    // As many values as the state file declares: the first four land, the rest are not sent.
    const float nine[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    weights->SetFloatArray(nine, weights->count);
    ExpectNoGLError();
    EXPECT_EQ(UniformFloats(program, "u_weights[3]", 1), std::vector<float>{4});
    // Fewer values change only those elements; none, or no array, change nothing.
    const float two[2] = {-1, -2};
    weights->SetFloatArray(two, 2);
    weights->SetFloatArray(nine, 0);
    weights->SetFloatArray(nullptr, 4);
    EXPECT_EQ(UniformFloats(program, "u_weights[0]", 1), std::vector<float>{-1});
    EXPECT_EQ(UniformFloats(program, "u_weights[2]", 1), std::vector<float>{3});

    RVector4 eight[8] = {};
    for (int i = 0; i < 8; ++i)
        eight[i] = {float(i), float(i), float(i), float(i)};
    colours->SetVectorArray(eight, colours->count);
    const int32_t many[6] = {11, 12, 13, 14, 15, 16};
    ints->SetIntArray(many, 6);
    scale->SetFloatArray(nine + 6, 3);  // a plain float takes an array upload as one value
    ExpectNoGLError();
    EXPECT_EQ(UniformFloats(program, "u_colours[2]", 4), (std::vector<float>{2, 2, 2, 2}));
    EXPECT_EQ(UniformInt(program, "u_ints[1]"), 12);
    EXPECT_EQ(UniformFloats(program, "u_matScale", 1), std::vector<float>{7});
}

TEST_F(ShaderParamTest, AMappingUploadsOnlyWhileItsOwnPassIsBeingDrawn)
{
    // Two effects from the same sources: their uniforms sit at the same locations.
    std::unique_ptr<RShader> first = LoadScopes("First");
    RGLObjectTechniquePass* firstPass = pass;
    std::unique_ptr<RShader> second = LoadScopes("Second");
    RGLObjectTechniquePass* secondPass = pass;
    ASSERT_TRUE(firstPass && secondPass && firstPass->linked && secondPass->linked);
    RShaderParamMapping* firstScale = FindMapping(first.get(), firstPass, 0, "u_matScale");
    RShaderParamMapping* secondScale = FindMapping(second.get(), secondPass, 0, "u_matScale");
    ASSERT_TRUE(firstScale && secondScale);
    ASSERT_EQ(firstScale->handle->location, secondScale->handle->location);

    secondScale->SetFloat(1.0f);  // the second pass is current
    firstScale->SetFloat(99.0f);
    EXPECT_EQ(UniformFloats(secondPass->name, "u_matScale", 1), std::vector<float>{1.0f});
    EXPECT_EQ(UniformFloats(firstPass->name, "u_matScale", 1), std::vector<float>{0.0f});
    renderer->EndPass();  // no pass current: nothing is uploaded anywhere
    secondScale->SetFloat(5.0f);
    EXPECT_EQ(UniformFloats(secondPass->name, "u_matScale", 1), std::vector<float>{1.0f});
    ASSERT_TRUE(BeginFirstPass(renderer, first.get()));
    firstScale->SetFloat(4.0f);
    EXPECT_EQ(UniformFloats(firstPass->name, "u_matScale", 1), std::vector<float>{4.0f});
    ExpectNoGLError();
}

TEST_F(ShaderParamTest, TextureParametersBindTheirUnitAndResetsLeaveItEmpty)
{
    std::unique_ptr<RShader> shader = LoadScopes();
    ASSERT_TRUE(pass && pass->linked);
    RShaderParamMapping* texture = Mapping(shader.get(), 0, "u_tex");
    ASSERT_TRUE(texture && texture->handle && texture->handle->sampler);
    const int unit = texture->handle->sampler->textureUnit;
    EXPECT_EQ(unit, 0);
    RHashedString name("ParamTestTexture");
    RTexture* made = renderer->CreateNamedTexture(2, 2, RRenderer::FORMAT_RGBA, name, false, false, false);
    ASSERT_TRUE(made && made->GetGLTexture());
    const uint32_t glName = made->GetGLTexture()->name;
    // The texture was made on unit 0, which it leaves empty; give the uniform another unit to show it is set.
    glUniform1i(texture->handle->location, 5);

    texture->SetTexture(RHashedString("NotLoadedAnywhere"));
    texture->SetTexture(RHashedString());
    EXPECT_EQ(BoundTexture(unit), 0u);
    EXPECT_EQ(UniformInt(pass->name, "u_tex"), 5);
    texture->SetTexture(name);
    EXPECT_EQ(BoundTexture(unit), glName);
    EXPECT_EQ(UniformInt(pass->name, "u_tex"), unit);

    // Reset leaves the unit without a texture, even with no pass current.
    renderer->EndPass();
    texture->Reset();
    EXPECT_EQ(BoundTexture(unit), 0u);

    // So does resetting the whole effect, which leaves it current with no technique or pass.
    ASSERT_TRUE(BeginFirstPass(renderer, shader.get()));
    texture->SetTexture(name);
    ASSERT_EQ(BoundTexture(unit), glName);
    shader->ResetParams();
    EXPECT_EQ(BoundTexture(unit), 0u);
    ExpectNoGLError();
    renderer->UnloadTexture(name);
    renderer->SetEffect(nullptr);
    shader.reset();
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), baseline);
}

TEST_F(ShaderParamTest, ASetCopiesClonesOfItsMappings)
{
    std::unique_ptr<RShader> shader = LoadScopes();
    ASSERT_TRUE(pass && pass->linked);
    RShaderParamSet* material = shader->GetParamSetWrapper(pass)->GetSet(0);
    ASSERT_EQ(material->GetCount(), 5u);
    RShaderParamSet copy(*material);
    ASSERT_EQ(copy.GetCount(), material->GetCount());
    for (uint32_t i = 0; i < copy.GetCount(); ++i) {
        EXPECT_NE(copy.GetMapping(i), material->GetMapping(i));
        EXPECT_EQ(copy.GetMapping(i)->handle, material->GetMapping(i)->handle);
    }
    // Assignment clears first; self-assignment keeps everything.
    RShaderParamSet other(*shader->GetParamSetWrapper(pass)->GetSet(1));
    other = copy;
    EXPECT_EQ(other.GetCount(), 5u);
    RShaderParamSet& self = other;
    other = self;
    EXPECT_EQ(other.GetCount(), 5u);
    ExpectNoGLError();
}
