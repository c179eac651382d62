// The GL device: default state, clears and write masks, the frame bracket, callbacks, resources, render targets
// and the device reset, read back from GL.
#include "GLTestSupport.h"

#include <string>

#include "render/RRenderTarget.h"
#include "render/RResource.h"
#include "render/RTexMgr.h"
#include "render/RTexture.h"

using namespace gltest;

namespace {

std::string s_calls;
void PreReset() { s_calls += "pre;"; }
void PostReset() { s_calls += "post;"; }
void Lost() { s_calls += "lost;"; }
void SecondPostReset() { s_calls += "post2;"; }

// A resource that notes its sweeps in s_calls.
class NotingResource : public RResource {
public:
    explicit NotingResource(const char* tag) : m_tag(tag) {}
    void ReleaseDynamic() override { s_calls += std::string("release ") + m_tag + ";"; }
    void RenewDynamic() override { s_calls += std::string("renew ") + m_tag + ";"; }

private:
    const char* m_tag;
};

GLint ColourTextureWidth(const RRenderTarget& target)
{
    return target.colourTexture ? LevelParameter(target.colourTexture->name, 0, GL_TEXTURE_WIDTH) : -1;
}

GLint ColourTextureHeight(const RRenderTarget& target)
{
    return target.colourTexture ? LevelParameter(target.colourTexture->name, 0, GL_TEXTURE_HEIGHT) : -1;
}

}  // namespace

using DeviceTest = GLTest;

TEST_F(DeviceTest, InitialisationSetsTheDefaultState)
{
    EXPECT_TRUE(renderer->IsInitialised());
    EXPECT_NE(renderer->GetContext(), nullptr);
    EXPECT_EQ(renderer->GetWindow(), Window());
    EXPECT_TRUE(renderer->HasARBFramebuffer());
    EXPECT_EQ(renderer->GetBackBufferWidth(), uint32_t(kWindowWidth));
    EXPECT_EQ(renderer->GetBackBufferHeight(), uint32_t(kWindowHeight));

    glFrontFace(GL_CCW);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    renderer->SetDefaultState();
    GLint value = 0;
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CW);
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);

    // A second Init keeps the context it has.
    SDL_GLContext context = renderer->GetContext();
    uint32_t width = 10;
    uint32_t height = 10;
    EXPECT_TRUE(renderer->Init(Window(), &width, &height));
    EXPECT_EQ(renderer->GetContext(), context);
    EXPECT_EQ(renderer->GetBackBufferWidth(), uint32_t(kWindowWidth));
}

TEST_F(DeviceTest, ClearsWriteColourAndDepthAndKeepTheMasks)
{
    renderer->ClearColour(0xFF336699u);
    EXPECT_EQ(ReadPixel(0, 0), 0xFF336699u);
    EXPECT_EQ(ReadPixel(kWindowWidth - 1, kWindowHeight - 1), 0xFF336699u);

    // Closed masks are opened for the clear and closed again afterwards.
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE);
    glDepthMask(GL_FALSE);
    renderer->ClearColourAndDepth(0xFF00FF00u, 0.25f);
    EXPECT_EQ(ReadPixel(5, 5), 0xFF00FF00u);
    float depth = 0.0f;
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.25f, 1e-3f);
    GLboolean colourMask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    EXPECT_FALSE(colourMask[0]);
    EXPECT_TRUE(colourMask[1]);
    EXPECT_FALSE(colourMask[2]);
    EXPECT_TRUE(colourMask[3]);
    GLboolean depthMask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_FALSE(depthMask);

    // A depth clear leaves the colour alone.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    renderer->ClearDepth(0.75f);
    EXPECT_EQ(ReadPixel(5, 5), 0xFF00FF00u);
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.75f, 1e-3f);
}

TEST_F(DeviceTest, DepthClearsClearStencilUnderTheStencilMask)
{
    // The back buffer has no stencil: an off-screen target has one.
    RRenderTarget target(RHashedString("DeviceTest_Stencil"), 16, 8, RRenderer::FORMAT_RGBA, 0, 0);
    ASSERT_NE(target.framebuffer, nullptr);
    target.Bind(0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_EQ(renderer->GetCurrentTargetWidth(), 16u);
    EXPECT_EQ(renderer->GetCurrentTargetHeight(), 8u);

    glStencilMask(0xFF);
    glClearStencil(0xFF);
    glClear(GL_STENCIL_BUFFER_BIT);
    renderer->ClearColour(0xFF0000FFu);
    GLubyte stencil = 0;
    glReadPixels(3, 3, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    EXPECT_EQ(stencil, 0xFF) << "a colour clear leaves the stencil";

    glStencilMask(0x0F);
    renderer->ClearDepth(1.0f);
    glReadPixels(3, 3, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    EXPECT_EQ(stencil, 0xF0);
    GLint stencilMask = 0;
    glGetIntegerv(GL_STENCIL_WRITEMASK, &stencilMask);
    EXPECT_EQ(stencilMask, 0x0F);
    EXPECT_EQ(ReadPixel(3, 3), 0xFF0000FFu);

    renderer->BindDefaultTarget();
    EXPECT_EQ(renderer->GetCurrentTargetWidth(), uint32_t(kWindowWidth));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kWindowWidth);
    EXPECT_EQ(viewport[3], kWindowHeight);
}

TEST_F(DeviceTest, FrameBracketOpensOneFrameAndPresentsOnlyOutsideIt)
{
    // Start from a presented frame.
    renderer->EndFrame();
    renderer->Present();
    ASSERT_TRUE(renderer->IsPresented());

    renderer->BeginFrame();
    EXPECT_TRUE(renderer->IsInFrame());
    EXPECT_FALSE(renderer->IsPresented());
    renderer->BeginFrame();
    EXPECT_TRUE(renderer->IsInFrame());

    renderer->ClearColour(0xFFFF0000u);
    renderer->Present();  // inside the frame: no swap
    EXPECT_FALSE(renderer->IsPresented());
    EXPECT_EQ(ReadPixel(10, 10), 0xFFFF0000u);

    renderer->EndFrame();
    EXPECT_FALSE(renderer->IsInFrame());
    renderer->BeginFrame();  // the last frame was not presented yet
    EXPECT_FALSE(renderer->IsInFrame());
    renderer->Present();
    EXPECT_TRUE(renderer->IsPresented());
    renderer->BeginFrame();
    EXPECT_TRUE(renderer->IsInFrame());
    renderer->EndFrame();
    renderer->Present();

    // The start-up frame: black, through the whole bracket.
    renderer->BeginFrame();
    renderer->ClearColour(0xFF000000u);
    EXPECT_EQ(ReadPixel(0, 0), 0xFF000000u);
    renderer->EndFrame();
    renderer->Present();
    EXPECT_TRUE(renderer->IsPresented());
}

TEST_F(DeviceTest, ResetRunsCallbacksAndResourceSweepsInOrder)
{
    renderer->AddPreResetCallback(PreReset);
    renderer->AddPreResetCallback(PreReset);
    renderer->AddPostResetCallback(PostReset);
    renderer->AddPostResetCallback(SecondPostReset);
    renderer->AddDeviceLostCallback(Lost);
    NotingResource first("a");
    NotingResource second("b");
    renderer->RegisterResource(&first);
    renderer->RegisterResource(&second);
    renderer->RegisterResource(&first);
    EXPECT_EQ(renderer->GetResources().getCount(), 2u);

    s_calls.clear();
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    bool failed = true;
    renderer->ResetDevice(Window(), &width, &height, true, &failed);
    EXPECT_EQ(s_calls, "pre;release a;release b;renew a;renew b;post;post2;");
    EXPECT_TRUE(failed) << "the result flag stays as the caller preset it";

    // A lost device skips the pre-reset callbacks; losing it twice tells the callbacks once.
    s_calls.clear();
    renderer->SetDeviceLost(true);
    renderer->SetDeviceLost(true);
    EXPECT_TRUE(renderer->IsDeviceLost());
    EXPECT_EQ(s_calls, "lost;");
    s_calls.clear();
    renderer->ResetDevice(Window(), &width, &height, false, &failed);
    EXPECT_FALSE(renderer->IsDeviceLost());
    EXPECT_EQ(s_calls, "release a;release b;renew a;renew b;post;post2;");

    s_calls.clear();
    renderer->UnregisterResource(&first);
    renderer->ReleaseAllDynamic();
    renderer->RenewAllDynamic();
    EXPECT_EQ(s_calls, "release b;renew b;");
    renderer->UnregisterResource(&second);
    EXPECT_EQ(renderer->GetResources().getCount(), 0u);
}

TEST_F(DeviceTest, ResetRecreatesListedTargetsAtTheirRecordedSizes)
{
    RRenderTarget following(RHashedString("DeviceTest_Following"), 32, 16, RRenderer::FORMAT_RGB, 0, 0);
    RRenderTarget fixed(RHashedString("DeviceTest_Fixed"), 20, 10, RRenderer::FORMAT_RGBA, 0, 0);
    ASSERT_EQ(ColourTextureWidth(following), 32);
    EXPECT_EQ(following.depthAttached, 1);
    const RUtilVector<RRenderTarget*>& targets = renderer->GetRenderTargets();
    const uint32_t listed = targets.getCount();

    // A target made outside the list keeps its GL side through a reset.
    RRenderTarget unlisted;
    unlisted.width = 8;
    unlisted.height = 8;
    ASSERT_TRUE(renderer->CreateRenderTarget(&unlisted, &unlisted.framebuffer, &unlisted.colourTexture,
                                             &unlisted.depthBuffer, true));
    EXPECT_EQ(targets.getCount(), listed);
    RGLObjectTexture* unlistedColour = unlisted.colourTexture;

    following.width = 48;
    following.height = 24;
    uint32_t width = 100;
    uint32_t height = 50;
    bool failed = false;
    renderer->ResetDevice(Window(), &width, &height, false, &failed);

    EXPECT_EQ(ColourTextureWidth(following), 48);
    EXPECT_EQ(ColourTextureHeight(following), 24);
    EXPECT_EQ(ColourTextureWidth(fixed), 20);
    EXPECT_EQ(ColourTextureHeight(fixed), 10);
    EXPECT_EQ(following.name, RHashedString("DeviceTest_Following"));
    // The re-created colour texture is the one sampled under the target's name.
    RTexture* named = RTexMgr::GetInstance()->GetTexture(RHashedString("DeviceTest_Following"));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->GetGLTexture(), following.colourTexture);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(RHashedString("DeviceTest_Following")), 1);
    EXPECT_EQ(targets.getCount(), listed);
    EXPECT_EQ(unlisted.colourTexture, unlistedColour);
    EXPECT_EQ(renderer->GetBackBufferWidth(), 100u);
    EXPECT_EQ(renderer->GetBackBufferHeight(), 50u);
    EXPECT_EQ(renderer->GetCurrentTargetWidth(), 100u);

    // The re-created target draws: a clear of it reads back.
    following.Bind(0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    renderer->ClearColour(0xFF123456u);
    EXPECT_EQ(ReadPixel(47, 23), 0xFF123456u);
    renderer->BindDefaultTarget();

    width = kWindowWidth;
    height = kWindowHeight;
    renderer->ResetDevice(Window(), &width, &height, false, &failed);
}

TEST_F(DeviceTest, TargetsLeaveTheListWhenDestroyed)
{
    const RUtilVector<RRenderTarget*>& targets = renderer->GetRenderTargets();
    const uint32_t listed = targets.getCount();
    {
        RRenderTarget scoped(RHashedString("DeviceTest_Scoped"), 4, 4, RRenderer::FORMAT_RGBA, 0, 0);
        EXPECT_EQ(targets.getCount(), listed + 1);
        scoped.Recreate(RHashedString(), false);  // once in the list, however often it is made
        EXPECT_EQ(targets.getCount(), listed + 1);
    }
    EXPECT_EQ(targets.getCount(), listed);

    RRenderTarget kept(RHashedString("DeviceTest_Kept"), 4, 4, RRenderer::FORMAT_RGBA, 0, 0);
    kept.Destroy(true);
    EXPECT_EQ(kept.framebuffer, nullptr);
    EXPECT_EQ(kept.colourTexture, nullptr);
    EXPECT_EQ(kept.depthBuffer, nullptr);
    EXPECT_EQ(targets.getCount(), listed + 1);
    kept.Destroy(false);
    EXPECT_EQ(targets.getCount(), listed);
}

TEST_F(DeviceTest, TargetsWithoutASizeStayListedWithoutAGLSide)
{
    RRenderTarget unsized;
    EXPECT_FALSE(unsized.Recreate(RHashedString("DeviceTest_Unsized"), false));
    EXPECT_EQ(unsized.width, RRenderTarget::kNoSize);
    EXPECT_EQ(unsized.framebuffer, nullptr);
    EXPECT_EQ(unsized.colourTexture, nullptr);

    // Binding it draws into the back buffer; a reset after it got a size makes it.
    unsized.Bind(0);
    EXPECT_EQ(renderer->GetCurrentTargetWidth(), uint32_t(kWindowWidth));
    unsized.width = 12;
    unsized.height = 6;
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    renderer->ResetDevice(Window(), &width, &height, false, nullptr);
    EXPECT_EQ(ColourTextureWidth(unsized), 12);
}
