// The shader manager: effects shared and counted by hashed name, technique lookups, unloading an effect that is
// being drawn, the device-reset sweeps, resetting every parameter at the end of the run, and the engine's
// shut-down order, in which the GL object manager and the renderer go before the shader manager.
#include <memory>

#include "ShaderTestSupport.h"
#include "render/RGLObjMgr.h"
#include "render/RShaderMgr.h"
#include "render/RTechnique.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"

using namespace gltest;
using namespace shadertest;

namespace {

const char* const kVS =
    "#version 120\n"
    "attribute vec3 inPos;\n"
    "uniform float u_scale;\n"
    "void main() { gl_Position = vec4(inPos * u_scale, 1.0); }\n";
const char* const kPS =
    "#version 120\n"
    "uniform sampler2D u_tex;\n"
    "void main() { gl_FragColor = texture2D(u_tex, vec2(0.5)); }\n";
const char* const kState =
    "[Uniforms]\n"
    "u_scale = float,1,renderable\n"
    "u_tex = texture,1,material\n"
    "[Attributes]\n"
    "inPos = POSITION\n";

class ShaderMgrTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        RShaderMgr::DestroyInstance();
        manager = RShaderMgr::GetInstance();
        baseline = LiveObjects();
        effect = folder.WriteEffect("shared", kVS, kPS, kState);
    }
    void TearDown() override
    {
        RShaderMgr::DestroyInstance();
        if (RRenderer::HasInstance()) {
            RRenderer::GetInstance()->SetEffect(nullptr);
            glUseProgram(0);
        }
    }
    static uint32_t LiveObjects()
    {
        return RGLObjMgr::HasInstance() ? RGLObjMgr::GetInstance()->GetObjects().getCount() : 0;
    }

    EffectFolder folder;
    RShaderMgr* manager = nullptr;
    uint32_t baseline = 0;
    std::string effect;
};

}  // namespace

TEST_F(ShaderMgrTest, AnEffectIsSharedAndCountedByName)
{
    RHashedString name("__Shared Shader");
    RShader* first = manager->LoadShader(effect.c_str(), name);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(FirstPass(first), nullptr);
    EXPECT_TRUE(FirstPass(first)->linked);
    uint32_t loaded = LiveObjects();
    EXPECT_GT(loaded, baseline);

    // Later loads under the name return the same effect and never look at the file name.
    EXPECT_EQ(manager->LoadShader(effect.c_str(), name), first);
    EXPECT_EQ(manager->LoadShader(folder.File("nothing.fxo").c_str(), name), first);
    EXPECT_EQ(manager->GetReferenceCount(name), 3);
    EXPECT_EQ(LiveObjects(), loaded);

    manager->UnloadShader(name);
    manager->UnloadShader(name);
    EXPECT_TRUE(manager->Exists(name));
    EXPECT_EQ(manager->Find(name), first);
    EXPECT_EQ(manager->GetReferenceCount(name), 1);
    manager->UnloadShader(name);
    EXPECT_FALSE(manager->Exists(name));
    EXPECT_EQ(manager->Find(name), nullptr);
    EXPECT_EQ(LiveObjects(), baseline);
    // One unload too many, and a name never loaded, are ignored.
    manager->UnloadShader(name);
    manager->UnloadShader(RHashedString("__Never Loaded"));
    EXPECT_EQ(manager->GetCount(), 0);
}

TEST_F(ShaderMgrTest, OneFileUnderTwoNamesGivesTwoEffects)
{
    RShader* a = manager->LoadShader(effect.c_str(), RHashedString("__Effect A"));
    RShader* b = manager->LoadShader(effect.c_str(), RHashedString("__Effect B"));
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    ASSERT_TRUE(FirstPass(a) && FirstPass(b));
    EXPECT_NE(FirstPass(a)->name, FirstPass(b)->name);
    manager->UnloadShader(RHashedString("__Effect A"));
    EXPECT_EQ(manager->Find(RHashedString("__Effect B")), b);
    EXPECT_TRUE(glIsProgram(FirstPass(b)->name));
}

TEST_F(ShaderMgrTest, ANullFileNameLoadsNothingAndAMissingDescriptionIsStoredEmpty)
{
    EXPECT_EQ(manager->LoadShader(nullptr, RHashedString("__Null")), nullptr);
    EXPECT_FALSE(manager->Exists(RHashedString("__Null")));

    RHashedString missing("__Missing");
    RShader* shader = manager->LoadShader(folder.File("absent.fxo").c_str(), missing);
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(shader->GetGLEffect(), nullptr);
    EXPECT_EQ(shader->GetTechnique(RHashedString("T")), nullptr);
    EXPECT_EQ(manager->GetReferenceCount(missing), 1);
    manager->UnloadShader(missing);
    EXPECT_EQ(LiveObjects(), baseline);
}

TEST_F(ShaderMgrTest, TechniquesAreFoundByNameInAnyCaseWithoutAddingEntries)
{
    folder.Write("cased_GLSL.xml", "<technique name=\"SpriteTech\"><pass name=\"P\"/></technique>");
    folder.Write("cased_SpriteTech_P_VS.glsl", kVS);
    folder.Write("cased_SpriteTech_P_PS.glsl", kPS);
    folder.Write("cased_SpriteTech_P_State.ini", kState);
    RShader* shader = manager->LoadShader(folder.File("cased.fxo").c_str(), RHashedString("__Cased"));
    ASSERT_NE(shader, nullptr);
    RTechnique* technique = shader->GetTechnique(RHashedString("SpriteTech"));
    ASSERT_NE(technique, nullptr);
    EXPECT_EQ(shader->GetTechnique(RHashedString("spritetech")), technique);
    EXPECT_EQ(technique->GetOwner(), shader);
    EXPECT_EQ(technique->GetGLTechnique(), shader->GetGLEffect()->techniques[0]);
    EXPECT_EQ(shader->GetTechnique(RHashedString("OtherTech")), nullptr);
    EXPECT_EQ(shader->GetTechniqueCount(), 1);
}

TEST_F(ShaderMgrTest, TheRendererLoadsAndUnloadsThroughTheManager)
{
    RHashedString name("__Through Renderer");
    RShader* shader = renderer->LoadShader(effect.c_str(), name);
    ASSERT_NE(shader, nullptr);
    EXPECT_EQ(renderer->LoadShader(effect.c_str(), name), shader);
    EXPECT_EQ(manager->GetReferenceCount(name), 2);
    renderer->UnloadShader(name);
    renderer->UnloadShader(name);
    EXPECT_FALSE(manager->Exists(name));
}

TEST_F(ShaderMgrTest, UnloadingTheEffectBeingDrawnLeavesNothingPointingIntoIt)
{
    RHashedString name("__Being Drawn");
    RShader* shader = manager->LoadShader(effect.c_str(), name);
    ASSERT_TRUE(shader && BeginFirstPass(renderer, shader));
    uint32_t program = FirstPass(shader)->name;
    manager->UnloadShader(name);
    EXPECT_EQ(renderer->GetCurrentEffect(), nullptr);
    EXPECT_EQ(renderer->GetCurrentTechnique(), nullptr);
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderMgrTest, EffectsKeepTheirProgramsAndParametersAcrossADeviceReset)
{
    RShader* shader = manager->LoadShader(effect.c_str(), RHashedString("__Reset"));
    ASSERT_NE(shader, nullptr);
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    bool failed = false;
    renderer->ResetDevice(Window(), &width, &height, false, &failed);
    ASSERT_TRUE(BeginFirstPass(renderer, shader));
    RShaderParamMapping* scale = FindMapping(shader, FirstPass(shader), 2, "u_scale");
    ASSERT_NE(scale, nullptr);
    scale->SetFloat(0.5f);
    EXPECT_EQ(UniformFloats(FirstPass(shader)->name, "u_scale", 1), std::vector<float>{0.5f});
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderMgrTest, ResettingAllParametersEmptiesEveryTextureUnitTheyBound)
{
    RShader* a = manager->LoadShader(effect.c_str(), RHashedString("__Reset A"));
    RShader* b = manager->LoadShader(effect.c_str(), RHashedString("__Reset B"));
    ASSERT_TRUE(a && b);
    RHashedString textureName("ShaderMgrTestTexture");
    RTexture* texture = renderer->CreateNamedTexture(1, 1, RRenderer::FORMAT_RGBA, textureName, false, false, false);
    ASSERT_TRUE(texture && texture->GetGLTexture());

    TestInformant material;
    material.Answers("u_tex", [&](RShaderParamMapping* m) { m->SetTexture(textureName); });
    for (RShader* shader : {a, b}) {
        ASSERT_TRUE(BeginFirstPass(renderer, shader));
        shader->ApplyScopeParams(0, &material, RHashedString(), nullptr, FirstPass(shader));
        EXPECT_EQ(BoundTexture(0), texture->GetGLTexture()->name);
    }
    renderer->EndPass();

    manager->ResetAllShaderParams();
    EXPECT_EQ(BoundTexture(0), 0u);
    // The sweep leaves one of the effects current, with no technique or pass.
    EXPECT_TRUE(renderer->GetCurrentEffect() == a->GetGLEffect() || renderer->GetCurrentEffect() == b->GetGLEffect());
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    renderer->UnloadTexture(textureName);
}

TEST_F(ShaderMgrTest, TheShutDownOrderDestroysEffectsAfterTheRendererWithoutGL)
{
    RShader* shader = manager->LoadShader(effect.c_str(), RHashedString("__Left Loaded"));
    manager->LoadShader(effect.c_str(), RHashedString("__Left Loaded"));
    manager->LoadShader(effect.c_str(), RHashedString("__Also Left"));
    ASSERT_TRUE(shader && BeginFirstPass(renderer, shader));
    // A texture parameter left bound, as at the end of a frame.
    RHashedString textureName("ShutdownTexture");
    ASSERT_NE(renderer->CreateNamedTexture(1, 1, RRenderer::FORMAT_RGBA, textureName, false, false, false), nullptr);
    TestInformant material;
    material.Answers("u_tex", [&](RShaderParamMapping* m) { m->SetTexture(textureName); });
    shader->ApplyScopeParams(0, &material, RHashedString(), nullptr, FirstPass(shader));
    ASSERT_NE(BoundTexture(0), 0u);

    // End of the main loop, then the engine's shut-down order.
    manager->ResetAllShaderParams();
    RGLObjMgr::DestroyInstance();
    RRenderer::DestroyInstance();
    renderer = nullptr;
    RTexMgr::DestroyInstance();
    // A late reset, a late sweep and the manager's destruction neither need nor create a renderer or a GL object
    // manager.
    manager->ResetAllShaderParams();
    manager->OnDeviceLost();
    RShaderMgr::DestroyInstance();
    manager = nullptr;
    EXPECT_FALSE(RRenderer::HasInstance());
    EXPECT_FALSE(RGLObjMgr::HasInstance());
    EXPECT_FALSE(RShaderMgr::HasInstance());
    // Destroying what does not exist does nothing; a new manager starts empty.
    RShaderMgr::DestroyInstance();
    EXPECT_EQ(RShaderMgr::GetInstance()->GetCount(), 0);
}
