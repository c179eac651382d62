// Shut-down order: the GL object manager and the renderer go first; textures, geometry and targets destroyed
// afterwards drop their wrappers without GL calls and without bringing either singleton back.
#include "GLTestSupport.h"

#include "render/device/RGLObjMgr.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/frame/RRenderTarget.h"
#include "render/images/RTexMgr.h"
#include "render/images/RTexture.h"
#include "render/geometry/RVertexSet.h"

using namespace gltest;

using ShutdownTest = GLTest;

TEST_F(ShutdownTest, LateOwnersNeitherCallGLNorRecreateSingletons)
{
    RGLObjectTexture* texture = nullptr;
    ASSERT_TRUE(renderer->CreateTexture(4, 4, RRenderer::FORMAT_RGBA, 1, false, &texture, nullptr, nullptr, 0, false));
    ASSERT_NE(renderer->LockTexture(texture, 0), nullptr);  // still locked at shut-down
    std::vector<float> positions(9, 0.0f);
    RVertexStreamDesc stream = {positions.data(), 12, STREAM_POSITION, false};
    auto* set = new RVertexSet();
    ASSERT_TRUE(set->Create(&stream, 1, 3));
    std::vector<uint16_t> values = {0, 1, 2};
    auto* indices = new RIndexBuffer();
    ASSERT_TRUE(indices->Create(values.data(), 3, false));
    auto* target = new RRenderTarget(RHashedString("ShutdownTest_Target"), 8, 8, RRenderer::FORMAT_RGB, 0, 0);
    ASSERT_NE(target->framebuffer, nullptr);
    renderer->BindIndexBuffer(indices);
    ASSERT_NE(RTexMgr::GetInstance()->GetTexture(RHashedString("ShutdownTest_Target")), nullptr);
    RTexture* blank = renderer->CreateNamedTexture(4, 4, RRenderer::FORMAT_RGBA, RHashedString("ShutdownTest_Blank"),
                                                   false, false, false);
    ASSERT_NE(blank, nullptr);

    RGLObjMgr::DestroyInstance();
    RRenderer::DestroyInstance();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    // The renderer released the listed target's GL side while its context lived.
    EXPECT_EQ(target->framebuffer, nullptr);
    EXPECT_EQ(target->colourTexture, nullptr);
    EXPECT_EQ(target->depthBuffer, nullptr);

    RRenderer::DeleteTexture(&texture);
    EXPECT_EQ(texture, nullptr);
    delete set;
    delete indices;
    delete target;
    RTexMgr::DestroyInstance();  // deletes the blank texture, after the renderer
    EXPECT_FALSE(RRenderer::HasInstance());
    EXPECT_FALSE(RGLObjMgr::HasInstance());
}

TEST_F(ShutdownTest, DestroyingTwiceAndWithoutInitIsHarmless)
{
    RRenderer::DestroyInstance();
    RRenderer::DestroyInstance();
    RGLObjMgr::DestroyInstance();
    RGLObjMgr::DestroyInstance();
    EXPECT_FALSE(RRenderer::HasInstance());

    // A renderer that was never initialised makes nothing and draws nothing.
    RRenderer* fresh = RRenderer::GetInstance();
    EXPECT_FALSE(fresh->IsInitialised());
    EXPECT_TRUE(fresh->IsPresented());
    RGLObjectTexture* texture = nullptr;
    EXPECT_FALSE(fresh->CreateTexture(4, 4, RRenderer::FORMAT_RGBA, 1, false, &texture, nullptr, nullptr, 0, false));
    RIndexBuffer indices;
    std::vector<uint16_t> values = {0, 1, 2};
    EXPECT_FALSE(indices.Create(values.data(), 3, false));
    fresh->ClearColour(0xFFFFFFFFu);
    fresh->DrawIndexedTriangles(-1);
    fresh->Present();
    EXPECT_FALSE(fresh->Init(nullptr, nullptr, nullptr));
    RRenderer::DestroyInstance();
}
