// Vertex sets, index buffers, their binding and the draw calls, read back pixel by pixel.
#include "GLTestSupport.h"

#include "render/device/RGLObjMgr.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RVertexSet.h"

using namespace gltest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kClear = 0xFF000000u;

struct Vertex {
    float x, y, z;
};

// Two quads, the left half of the window in one colour and the right half in another, as 8 vertices whose
// triangles wind clockwise (the front faces of the default state).
struct Halves {
    std::vector<Vertex> positions;
    std::vector<uint32_t> colours;
    std::vector<uint16_t> indices;
    RVertexSet set;
    RIndexBuffer indexBuffer;

    Halves(uint32_t left, uint32_t right)
    {
        for (int half = 0; half < 2; ++half) {
            const float x0 = half - 1.0f, x1 = half;
            positions.insert(positions.end(), {{x0, -1, 0}, {x0, 1, 0}, {x1, 1, 0}, {x1, -1, 0}});
            colours.insert(colours.end(), 4, half == 0 ? left : right);
            const uint16_t b = static_cast<uint16_t>(half * 4);
            indices.insert(indices.end(), {b, uint16_t(b + 1), uint16_t(b + 2), b, uint16_t(b + 2), uint16_t(b + 3)});
        }
        EXPECT_TRUE(Build());
    }
    bool Build()
    {
        const RVertexStreamDesc streams[2] = {{positions.data(), sizeof(Vertex), STREAM_POSITION, false},
                                              {colours.data(), 4, STREAM_COLOR, false}};
        return set.Create(streams, 2, 8) && indexBuffer.Create(indices.data(), 12, false);
    }
    void Bind()
    {
        RRenderer::GetInstance()->BindVertexSet(&set);
        RRenderer::GetInstance()->BindIndexBuffer(&indexBuffer);
    }
};

// Every pixel of the window: the left half should read left, the right half right.
int CountWrongPixels(uint32_t left, uint32_t right)
{
    std::vector<uint32_t> pixels(kWindowWidth * kWindowHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    int wrong = 0;
    for (int i = 0; i < kWindowWidth * kWindowHeight; ++i)
        wrong += pixels[i] != (i % kWindowWidth < kWindowWidth / 2 ? left : right);
    return wrong;
}

int EnabledAttributes(GLint* which = nullptr)
{
    GLint maxAttributes = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttributes);
    int enabled = 0;
    for (GLint location = 0; location < maxAttributes && location < 64; ++location) {
        GLint on = 0;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &on);
        if (on && which)
            which[enabled] = location;
        enabled += on ? 1 : 0;
    }
    return enabled;
}

class GeometryTest : public GLTest {
protected:
    void Clear() { renderer->ClearColourAndDepth(kClear, 1.0f); }
    void SetUp() override
    {
        GLTest::SetUp();
        if (renderer)
            Clear();
    }
};

}  // namespace

TEST_F(GeometryTest, TrianglesDrawBGRAColourStreamsAndNoMoreThanIsBound)
{
    ColourPass pass;
    ASSERT_TRUE(pass.Linked());
    pass.Use();
    // The packed colour 0xAARRGGBB, bytes B, G, R, A in memory.
    Halves halves(0xFF102030u, 0xFFC0B0A0u);
    halves.Bind();
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(0xFF102030u, 0xFFC0B0A0u), 0);
    GLint size = 0;
    glGetVertexAttribiv(glGetAttribLocation(pass.Pass()->name, "col"), GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
    EXPECT_EQ(size, GL_BGRA);

    // One triangle: the upper-left half of the left quad.
    Clear();
    renderer->DrawIndexedTriangles(1);
    EXPECT_EQ(ReadPixel(1, kWindowHeight - 2), 0xFF102030u);
    EXPECT_EQ(ReadPixel(kWindowWidth - 2, kWindowHeight - 2), kClear);
    // Far more than bound: what is bound, and GL sees no overrun.
    Clear();
    renderer->DrawIndexedTriangles(1000000);
    EXPECT_EQ(CountWrongPixels(0xFF102030u, 0xFFC0B0A0u), 0);
    renderer->DrawIndexedTriangles(-5);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The renderer caches what is bound; a cached buffer that is empty, destroyed, rebuilt or bound elsewhere must
// never be drawn through.
TEST_F(GeometryTest, CachedBindingsFollowEmptyDestroyedAndRebuiltBuffers)
{
    ColourPass pass(0, 1);
    ASSERT_TRUE(pass.Linked());
    pass.Use();
    Halves halves(kRed, kGreen);
    halves.Bind();
    // An empty index buffer leaves none bound: the previous one is not drawn through.
    RIndexBuffer empty;
    ASSERT_TRUE(empty.Create(nullptr, 0, false));
    EXPECT_EQ(empty.Lock(), nullptr);
    renderer->BindIndexBuffer(&empty);
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    renderer->DrawIndexedTriangles(-1);
    renderer->DrawIndexedLines(-1);
    // A set without vertices is never bound, and nothing is drawn from the set bound before it.
    RVertexSet noVertices;
    const RVertexStreamDesc stream = {halves.positions.data(), sizeof(Vertex), STREAM_POSITION, false};
    ASSERT_TRUE(noVertices.Create(&stream, 1, 0));
    renderer->BindIndexBuffer(&halves.indexBuffer);
    renderer->BindVertexSet(&noVertices);
    EXPECT_EQ(renderer->GetBoundVertexSet(), nullptr);
    renderer->DrawIndexedTriangles(-1);
    renderer->DrawIndexedPoints(-1);
    EXPECT_EQ(CountWrongPixels(kClear, kClear), 0);

    // Creating, locking and unlocking another index buffer binds it on the element-array point; the bound one
    // still draws.
    halves.Bind();
    const std::vector<uint16_t> zeros = {0, 0, 0};
    RIndexBuffer other;
    ASSERT_TRUE(other.Create(zeros.data(), 3, true));
    ASSERT_NE(other.Lock(), nullptr);
    other.Unlock();
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);

    // Destroying the bound buffers forgets them: nothing draws until they are bound again, also when a set is
    // rebuilt at the same address.
    halves.indexBuffer.Destroy();
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    halves.set.Destroy();
    EXPECT_EQ(renderer->GetBoundVertexSet(), nullptr);
    Clear();
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kClear, kClear), 0);
    halves.colours.assign({kBlue, kBlue, kBlue, kBlue, kRed, kRed, kRed, kRed});
    ASSERT_TRUE(halves.Build());
    halves.Bind();
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kBlue, kRed), 0);


    // A device reset forgets the bound geometry.
    uint32_t width = kWindowWidth, height = kWindowHeight;
    renderer->ResetDevice(Window(), &width, &height, false, nullptr);
    EXPECT_EQ(renderer->GetBoundVertexSet(), nullptr);
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    pass.Use();
    halves.Bind();
    Clear();
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kBlue, kRed), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, TheSweepDisablesExactlyTheLocationsNotEnabled)
{
    // Locations above the stream count stay enabled; every other one is disabled.
    ColourPass high(5, 7);
    ASSERT_TRUE(high.Linked());
    Halves halves(kGreen, kBlue);
    for (GLuint location : {0u, 1u, 2u, 9u})
        glEnableVertexAttribArray(location);
    high.Use();
    halves.Bind();
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kGreen, kBlue), 0);
    GLint which[64];
    ASSERT_EQ(EnabledAttributes(which), 2);
    EXPECT_EQ(which[0], 5);
    EXPECT_EQ(which[1], 7);

    // Binding the same set for the same pass again is skipped: a location switched off behind the renderer's
    // back stays off.
    glDisableVertexAttribArray(7);
    renderer->BindVertexSet(&halves.set);
    EXPECT_EQ(EnabledAttributes(), 1);

    // A stream the pass does not declare is not bound anywhere.
    std::vector<float> uvs(16, 0.5f);
    const RVertexStreamDesc streams[3] = {{halves.positions.data(), sizeof(Vertex), STREAM_POSITION, false},
                                          {uvs.data(), 8, STREAM_TEXCOORD0, false},
                                          {halves.colours.data(), 4, STREAM_COLOR, false}};
    RVertexSet withUVs;
    ASSERT_TRUE(withUVs.Create(streams, 3, 8));
    renderer->BindVertexSet(&withUVs);
    EXPECT_EQ(EnabledAttributes(), 2);
    Clear();
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kGreen, kBlue), 0);
}

TEST_F(GeometryTest, FailedMappingsAndRefusedCreations)
{
    std::vector<Vertex> positions(3, Vertex{0.25f, 0.5f, 0.75f});
    const RVertexStreamDesc dynamic = {positions.data(), sizeof(Vertex), STREAM_POSITION, true};
    RVertexSet set;
    ASSERT_TRUE(set.Create(&dynamic, 1, 3));
    Vertex* mapped = static_cast<Vertex*>(set.LockStream(0, false));
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped[2].z, 0.75f);
    mapped[1].x = 9.0f;
    EXPECT_EQ(set.LockStream(0, false), nullptr) << "a mapped stream cannot be mapped again";
    set.UnlockStream(0);
    EXPECT_EQ(set.LockStream(1, false), nullptr);
    mapped = static_cast<Vertex*>(set.LockStream(0, false));
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped[1].x, 9.0f);
    set.UnlockStream(0);
    const std::vector<uint16_t> values = {1, 2, 3};
    RIndexBuffer indices;
    ASSERT_TRUE(indices.Create(values.data(), 3, false));
    ASSERT_NE(indices.Lock(), nullptr);
    EXPECT_EQ(indices.Lock(), nullptr);
    indices.Unlock();
    while (glGetError() != GL_NO_ERROR) {
    }

    set.Destroy();
    const uint32_t listed = RGLObjMgr::GetInstance()->GetObjects().getCount();
    RVertexStreamDesc streams[RVertexSet::kMaxStreams + 1];
    for (RVertexStreamDesc& stream : streams)
        stream = {positions.data(), sizeof(Vertex), STREAM_POSITION, false};
    const RVertexStreamDesc huge = {positions.data(), 0x10000, STREAM_POSITION, false};
    const RVertexStreamDesc zero = {positions.data(), 0, STREAM_POSITION, false};
    EXPECT_FALSE(set.Create(streams, RVertexSet::kMaxStreams + 1, 4));
    EXPECT_FALSE(set.Create(nullptr, 2, 4));
    EXPECT_FALSE(set.Create(&huge, 1, 0x10000));  // 4 GiB
    EXPECT_FALSE(set.Create(&zero, 1, 4));
    EXPECT_EQ(set.GetStreamCount(), 0u);
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed);
    // A stream without data is made and left to be written through a lock.
    const RVertexStreamDesc empty = {nullptr, sizeof(Vertex), STREAM_POSITION, true};
    EXPECT_TRUE(set.Create(&empty, 1, 4));
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed + 2);  // buffer and declaration
    set.Destroy();
    set.Destroy();
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed);
}
