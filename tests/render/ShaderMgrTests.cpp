// The shader manager: effects shared and counted by name, unloading the effect being drawn, device resets, and
// the engine's shut-down order, in which the GL object manager and the renderer go before the shader manager.
#include <memory>

#include "ShaderTestSupport.h"
#include "render/device/RGLObjMgr.h"
#include "render/effects/RShaderMgr.h"
#include "render/images/RTexMgr.h"

using namespace gltest;
using namespace shadertest;

namespace {

const char* const kVS = "attribute vec3 inPos;\nuniform float u_scale;\n"
                        "void main() { gl_Position = vec4(inPos * u_scale, 1.0); }\n";
const char* const kPS = "uniform sampler2D u_tex;\n"
                        "void main() { gl_FragColor = texture2D(u_tex, vec2(0.5)); }\n";
const char* const kState = "[Uniforms]\nu_scale = float,1,renderable\nu_tex = texture,1,material\n"
                           "[Attributes]\ninPos = POSITION\n";

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
    ASSERT_TRUE(first && FirstPass(first) && FirstPass(first)->linked);
    uint32_t loaded = LiveObjects();
    // Later loads under the name return the same effect and never look at the file name.
    EXPECT_EQ(manager->LoadShader(effect.c_str(), name), first);
    EXPECT_EQ(renderer->LoadShader(folder.File("nothing.fxo").c_str(), name), first);
    EXPECT_EQ(manager->GetReferenceCount(name), 3);
    EXPECT_EQ(LiveObjects(), loaded);

    // The same file under another name is another effect with its own program.
    RShader* other = manager->LoadShader(effect.c_str(), RHashedString("__Effect B"));
    ASSERT_TRUE(other && FirstPass(other));
    EXPECT_NE(FirstPass(other)->name, FirstPass(first)->name);
    manager->UnloadShader(RHashedString("__Effect B"));

    manager->UnloadShader(name);
    renderer->UnloadShader(name);
    EXPECT_EQ(manager->Find(name), first);
    EXPECT_EQ(manager->GetReferenceCount(name), 1);
    manager->UnloadShader(name);
    EXPECT_FALSE(manager->Exists(name));
    EXPECT_EQ(LiveObjects(), baseline);
    // One unload too many, and a name never loaded, are ignored.
    manager->UnloadShader(name);
    manager->UnloadShader(RHashedString("__Never Loaded"));
    EXPECT_EQ(manager->GetCount(), 0);

    // A null file name loads nothing; a missing description is stored empty.
    EXPECT_EQ(manager->LoadShader(nullptr, RHashedString("__Null")), nullptr);
    EXPECT_FALSE(manager->Exists(RHashedString("__Null")));
    RShader* missing = manager->LoadShader(folder.File("absent.fxo").c_str(), RHashedString("__Missing"));
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->GetGLEffect(), nullptr);
    manager->UnloadShader(RHashedString("__Missing"));
    EXPECT_EQ(LiveObjects(), baseline);
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

TEST_F(ShaderMgrTest, TheShutDownOrderDestroysEffectsAfterTheRendererWithoutGL)
{
    RShader* a = manager->LoadShader(effect.c_str(), RHashedString("__Left Loaded"));
    manager->LoadShader(effect.c_str(), RHashedString("__Left Loaded"));
    RShader* b = manager->LoadShader(effect.c_str(), RHashedString("__Also Left"));
    ASSERT_TRUE(a && b);
    // Texture parameters left bound by both effects, as at the end of a frame.
    RHashedString textureName("ShutdownTexture");
    ASSERT_NE(renderer->CreateNamedTexture(1, 1, RRenderer::FORMAT_RGBA, textureName, false, false, false), nullptr);
    TestInformant material;
    material.Answers("u_tex", [&](RShaderParamMapping* m) { m->SetTexture(textureName); });
    for (RShader* shader : {a, b}) {
        ASSERT_TRUE(BeginFirstPass(renderer, shader));
        shader->ApplyScopeParams(0, &material, RHashedString(), nullptr, FirstPass(shader));
        ASSERT_NE(BoundTexture(0), 0u);
    }
    renderer->EndPass();

    // End of the main loop: every unit the parameters bound is emptied, no pass is left current.
    manager->ResetAllShaderParams();
    EXPECT_EQ(BoundTexture(0), 0u);
    EXPECT_EQ(renderer->GetCurrentTechniquePass(), nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The engine's shut-down order.
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
    RShaderMgr::DestroyInstance();
    EXPECT_EQ(RShaderMgr::GetInstance()->GetCount(), 0);
}
