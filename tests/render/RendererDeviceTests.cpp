// The GL device: clears and write masks, reset callbacks and resources, and render targets through a reset.
#include "GLTestSupport.h"

#include <string>

#include "render/frame/RRenderTarget.h"
#include "render/device/RResource.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"

using namespace gltest;

namespace {

std::string s_calls;

// A resource that notes its sweeps in s_calls.
class NotingResource : public RResource {
public:
    explicit NotingResource(const char* tag) : m_tag(tag) {}
    void ReleaseDynamic() override { s_calls += std::string("release ") + m_tag + ";"; }
    void RenewDynamic() override { s_calls += std::string("renew ") + m_tag + ";"; }

private:
    const char* m_tag;
};

GLint Integer(GLenum name)
{
    GLint value[4] = {-1, -1, -1, -1};
    glGetIntegerv(name, value);
    return value[0];
}

GLint ColourTextureSide(const RRenderTarget& target, GLenum side)
{
    return target.colourTexture ? LevelParameter(target.colourTexture->name, 0, side) : -1;
}

void Reset(RRenderer* renderer, uint32_t width = kWindowWidth, uint32_t height = kWindowHeight)
{
    renderer->ResetDevice(Window(), &width, &height, false, nullptr);
}

}  // namespace

using DeviceTest = GLTest;

TEST_F(DeviceTest, ClearsOpenClosedMasksAndPutThemBack)
{
    // The back buffer has no stencil: an off-screen target has one.
    RRenderTarget target(RHashedString("DeviceTest_Stencil"), 16, 8, RRenderer::FORMAT_RGBA, 0, 0);
    ASSERT_NE(target.framebuffer, nullptr);
    target.Bind(0);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    EXPECT_EQ(renderer->GetCurrentTargetWidth(), 16u);
    EXPECT_EQ(renderer->GetCurrentTargetHeight(), 8u);
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE);
    glDepthMask(GL_FALSE);
    renderer->ClearColourAndDepth(0xFF00FF00u, 0.25f);
    EXPECT_EQ(ReadPixel(5, 5), 0xFF00FF00u);
    float depth = 0.0f;
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.25f, 1e-3f);
    GLboolean colourMask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    EXPECT_EQ(std::string(colourMask, colourMask + 4), std::string("\0\1\0\1", 4));
    EXPECT_EQ(Integer(GL_DEPTH_WRITEMASK), GL_FALSE);

    // A colour clear leaves the stencil; a depth clear clears it under the stencil mask and leaves the colour.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilMask(0xFF);
    glClearStencil(0xFF);
    glClear(GL_STENCIL_BUFFER_BIT);
    renderer->ClearColour(0xFF0000FFu);
    GLubyte stencil = 0;
    glReadPixels(3, 3, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    EXPECT_EQ(stencil, 0xFF);
    glStencilMask(0x0F);
    renderer->ClearDepth(0.75f);
    glReadPixels(3, 3, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    EXPECT_EQ(stencil, 0xF0);
    EXPECT_EQ(Integer(GL_STENCIL_WRITEMASK), 0x0F);
    glReadPixels(5, 5, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.75f, 1e-3f);
    EXPECT_EQ(ReadPixel(5, 5), 0xFF0000FFu);

}

TEST_F(DeviceTest, ResetRunsCallbacksAndResourceSweepsInOrder)
{
    const RRenderer::Callback pre = [] { s_calls += "pre;"; };
    renderer->AddPreResetCallback(pre);
    renderer->AddPreResetCallback(pre);  // added once
    renderer->AddPostResetCallback([] { s_calls += "post;"; });
    renderer->AddPostResetCallback([] { s_calls += "post2;"; });
    renderer->AddDeviceLostCallback([] { s_calls += "lost;"; });
    NotingResource first("a"), second("b");
    renderer->RegisterResource(&first);
    renderer->RegisterResource(&second);
    renderer->RegisterResource(&first);
    EXPECT_EQ(renderer->GetResources().getCount(), 2u);

    s_calls.clear();
    uint32_t width = kWindowWidth, height = kWindowHeight;
    bool failed = true;
    renderer->ResetDevice(Window(), &width, &height, true, &failed);
    EXPECT_EQ(s_calls, "pre;release a;release b;renew a;renew b;post;post2;");
    EXPECT_TRUE(failed) << "the result flag stays as the caller preset it";

    // A lost device skips the pre-reset callbacks; losing it twice tells the callbacks once.
    s_calls.clear();
    renderer->SetDeviceLost(true);
    renderer->SetDeviceLost(true);
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
    ASSERT_EQ(ColourTextureSide(following, GL_TEXTURE_WIDTH), 32);
    const RUtilVector<RRenderTarget*>& targets = renderer->GetRenderTargets();
    const uint32_t listed = targets.getCount();
    // A target made outside the list keeps its GL side through a reset.
    RRenderTarget unlisted;
    unlisted.width = unlisted.height = 8;
    ASSERT_TRUE(renderer->CreateRenderTarget(&unlisted, &unlisted.framebuffer, &unlisted.colourTexture,
                                             &unlisted.depthBuffer, true));
    EXPECT_EQ(targets.getCount(), listed);
    RGLObjectTexture* unlistedColour = unlisted.colourTexture;

    following.width = 48;
    following.height = 24;
    Reset(renderer, 100, 50);
    EXPECT_EQ(ColourTextureSide(following, GL_TEXTURE_WIDTH), 48);
    EXPECT_EQ(ColourTextureSide(following, GL_TEXTURE_HEIGHT), 24);
    EXPECT_EQ(ColourTextureSide(fixed, GL_TEXTURE_WIDTH), 20);
    EXPECT_EQ(ColourTextureSide(fixed, GL_TEXTURE_HEIGHT), 10);
    // The re-created colour texture is the one sampled under the target's name.
    RTexture* named = RTexMgr::GetInstance()->GetTexture(RHashedString("DeviceTest_Following"));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->GetGLTexture(), following.colourTexture);
    EXPECT_EQ(RTexMgr::GetInstance()->GetReferenceCount(RHashedString("DeviceTest_Following")), 1);
    EXPECT_EQ(targets.getCount(), listed);
    EXPECT_EQ(unlisted.colourTexture, unlistedColour);
    EXPECT_EQ(renderer->GetBackBufferWidth(), 100u);
    Reset(renderer);
}

TEST_F(DeviceTest, TargetsAreListedOnceAndLeaveWhenDestroyed)
{
    const RUtilVector<RRenderTarget*>& targets = renderer->GetRenderTargets();
    const uint32_t listed = targets.getCount();
    {
        RRenderTarget scoped(RHashedString("DeviceTest_Scoped"), 4, 4, RRenderer::FORMAT_RGBA, 0, 0);
        scoped.Recreate(RHashedString(), false);  // once in the list, however often it is made
        EXPECT_EQ(targets.getCount(), listed + 1);
    }
    EXPECT_EQ(targets.getCount(), listed);
    RRenderTarget kept(RHashedString("DeviceTest_Kept"), 4, 4, RRenderer::FORMAT_RGBA, 0, 0);
    kept.Destroy(true);
    EXPECT_TRUE(!kept.framebuffer && !kept.colourTexture && !kept.depthBuffer);
    EXPECT_EQ(targets.getCount(), listed + 1);
    kept.Destroy(false);
    EXPECT_EQ(targets.getCount(), listed);
}
