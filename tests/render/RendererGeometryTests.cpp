// Vertex sets, index buffers, their binding and the draw calls, read back pixel by pixel.
#include "GLTestSupport.h"

#include "render/RGLObjMgr.h"
#include "render/RIndexBuffer.h"
#include "render/RVertexSet.h"

using namespace gltest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kClear = 0xFF000000u;

struct Vertex {
    float x, y, z;
};

// Two quads, the left half of the window in one colour and the right half in another, as 8 vertices whose
// triangles wind clockwise (the front faces of the default state).
struct HalvesGeometry {
    std::vector<Vertex> positions;
    std::vector<uint32_t> colours;
    std::vector<uint16_t> indices;

    HalvesGeometry(uint32_t left, uint32_t right)
    {
        const float xs[2][2] = {{-1.0f, 0.0f}, {0.0f, 1.0f}};
        for (int half = 0; half < 2; ++half) {
            float x0 = xs[half][0];
            float x1 = xs[half][1];
            positions.insert(positions.end(),
                             {{x0, -1.0f, 0.0f}, {x0, 1.0f, 0.0f}, {x1, 1.0f, 0.0f}, {x1, -1.0f, 0.0f}});
            colours.insert(colours.end(), 4, half == 0 ? left : right);
            uint16_t base = static_cast<uint16_t>(half * 4);
            indices.insert(indices.end(), {base, uint16_t(base + 1), uint16_t(base + 2), base, uint16_t(base + 2),
                                           uint16_t(base + 3)});
        }
    }

    bool Build(RVertexSet& set, RIndexBuffer& indexBuffer) const
    {
        RVertexStreamDesc streams[2] = {
            {positions.data(), sizeof(Vertex), STREAM_POSITION, false},
            {colours.data(), 4, STREAM_COLOR, false},
        };
        return set.Create(streams, 2, static_cast<uint32_t>(positions.size())) &&
               indexBuffer.Create(indices.data(), static_cast<uint32_t>(indices.size()), false);
    }
};

// Every pixel of the window: the left half should read left, the right half right.
int CountWrongPixels(uint32_t left, uint32_t right)
{
    std::vector<uint32_t> pixels(kWindowWidth * kWindowHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    int wrong = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            uint32_t expected = x < kWindowWidth / 2 ? left : right;
            if (pixels[y * kWindowWidth + x] != expected)
                ++wrong;
        }
    }
    return wrong;
}

GLint AttributeEnabled(GLuint location)
{
    GLint enabled = 0;
    glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    return enabled;
}

}  // namespace

class GeometryTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (!renderer)
            return;
        renderer->ClearColourAndDepth(kClear, 1.0f);
    }
};

TEST_F(GeometryTest, IndexedTrianglesDrawTheirColourStreams)
{
    ColourPass pass;
    ASSERT_TRUE(pass.Linked());
    pass.Use();
    HalvesGeometry geometry(kRed, kGreen);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));
    EXPECT_EQ(set.GetVertexCount(), 8u);
    EXPECT_EQ(set.GetStreamCount(), 2u);
    EXPECT_EQ(indices.GetIndexCount(), 12u);

    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, ColourStreamsAreBGRABytes)
{
    ColourPass pass;
    pass.Use();
    // The packed colour 0xAARRGGBB, bytes B, G, R, A in memory.
    HalvesGeometry geometry(0xFF102030u, 0xFFC0B0A0u);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(ReadPixel(3, 3), 0xFF102030u);
    EXPECT_EQ(ReadPixel(kWindowWidth - 3, 3), 0xFFC0B0A0u);
    GLint size = 0;
    glGetVertexAttribiv(glGetAttribLocation(pass.Pass()->name, "col"), GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
    EXPECT_EQ(size, GL_BGRA);
}

TEST_F(GeometryTest, ExplicitCountsDrawThatManyAndNoMoreThanIsBound)
{
    ColourPass pass;
    pass.Use();
    HalvesGeometry geometry(kRed, kGreen);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);

    // One triangle: the upper-left half of the left quad.
    renderer->DrawIndexedTriangles(1);
    EXPECT_EQ(ReadPixel(1, kWindowHeight - 2), kRed);
    EXPECT_EQ(ReadPixel(kWindowWidth / 2 - 2, 1), kClear);
    EXPECT_EQ(ReadPixel(kWindowWidth - 2, kWindowHeight - 2), kClear);

    // Two triangles: the left quad.
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->DrawIndexedTriangles(2);
    EXPECT_EQ(CountWrongPixels(kRed, kClear), 0);

    // Far more than bound: what is bound, and GL sees no overrun.
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->DrawIndexedTriangles(1000000);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);
    renderer->DrawIndexedTriangles(INT32_MAX);
    renderer->DrawIndexedTriangles(-5);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, LinesDrawTwoIndicesEach)
{
    ColourPass pass;
    pass.Use();
    // Two horizontal lines along pixel rows 10 and 30, each across the whole window.
    std::vector<Vertex> positions;
    for (int row : {10, 30}) {
        float y = PixelCentre(row, kWindowHeight);
        positions.push_back({-1.0f, y, 0.0f});
        positions.push_back({1.0f, y, 0.0f});
    }
    std::vector<uint32_t> colours(4, kBlue);
    std::vector<uint16_t> lineIndices = {0, 1, 2, 3};
    RVertexStreamDesc streams[2] = {{positions.data(), sizeof(Vertex), STREAM_POSITION, false},
                                    {colours.data(), 4, STREAM_COLOR, false}};
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(set.Create(streams, 2, 4));
    ASSERT_TRUE(indices.Create(lineIndices.data(), 4, false));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);

    renderer->DrawIndexedLines(1);
    EXPECT_EQ(ReadPixel(20, 10), kBlue);
    EXPECT_EQ(ReadPixel(20, 30), kClear);
    renderer->DrawIndexedLines(4);  // 8 indices asked, 4 bound
    EXPECT_EQ(ReadPixel(20, 30), kBlue);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, PointsDrawVerticesAndNeverReadIndices)
{
    ColourPass pass;
    pass.Use();
    std::vector<Vertex> positions = {{PixelCentre(5, kWindowWidth), PixelCentre(5, kWindowHeight), 0.0f},
                                     {PixelCentre(40, kWindowWidth), PixelCentre(20, kWindowHeight), 0.0f},
                                     {PixelCentre(60, kWindowWidth), PixelCentre(44, kWindowHeight), 0.0f}};
    std::vector<uint32_t> colours = {kRed, kGreen, kBlue};
    RVertexStreamDesc streams[2] = {{positions.data(), sizeof(Vertex), STREAM_POSITION, false},
                                    {colours.data(), 4, STREAM_COLOR, false}};
    RVertexSet set;
    ASSERT_TRUE(set.Create(streams, 2, 3));

    // No index buffer bound at all: points still draw (and nothing reads indices through a null pointer).
    renderer->BindIndexBuffer(nullptr);
    renderer->BindVertexSet(&set);
    renderer->DrawIndexedPoints(2);
    EXPECT_EQ(ReadPixel(5, 5), kRed);
    EXPECT_EQ(ReadPixel(40, 20), kGreen);
    EXPECT_EQ(ReadPixel(60, 44), kClear);
    renderer->DrawIndexedPoints(-1);
    EXPECT_EQ(ReadPixel(60, 44), kBlue);

    // Someone else's index buffer, with indices far beyond these three vertices, is not read.
    std::vector<uint16_t> foreign = {7, 900, 65535, 2, 1, 0};
    RIndexBuffer other;
    ASSERT_TRUE(other.Create(foreign.data(), 6, false));
    renderer->BindIndexBuffer(&other);
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->DrawIndexedPoints(100);
    EXPECT_EQ(ReadPixel(5, 5), kRed);
    EXPECT_EQ(ReadPixel(60, 44), kBlue);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, BuffersWithoutIndicesOrVerticesDrawNothing)
{
    ColourPass pass;
    pass.Use();
    HalvesGeometry geometry(kRed, kGreen);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);

    // An empty index buffer leaves none bound: the previous one is not drawn through.
    RIndexBuffer empty;
    ASSERT_TRUE(empty.Create(nullptr, 0, false));
    EXPECT_EQ(empty.GetBuffer(), nullptr);
    EXPECT_EQ(empty.Lock(), nullptr);
    renderer->BindIndexBuffer(&empty);
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    renderer->DrawIndexedTriangles(-1);
    renderer->DrawIndexedLines(-1);
    EXPECT_EQ(CountWrongPixels(kClear, kClear), 0);

    // A set without vertices is never bound, and nothing is drawn from the set bound before it.
    RVertexSet noVertices;
    RVertexStreamDesc streams[1] = {{geometry.positions.data(), sizeof(Vertex), STREAM_POSITION, false}};
    ASSERT_TRUE(noVertices.Create(streams, 1, 0));
    renderer->BindIndexBuffer(&indices);
    renderer->BindVertexSet(&noVertices);
    EXPECT_EQ(renderer->GetBoundVertexSet(), nullptr);
    renderer->DrawIndexedTriangles(-1);
    renderer->DrawIndexedPoints(-1);
    EXPECT_EQ(CountWrongPixels(kClear, kClear), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, IndexBufferWorkElsewhereKeepsTheBoundBufferDrawable)
{
    ColourPass pass;
    pass.Use();
    HalvesGeometry geometry(kRed, kGreen);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);

    // Creating, locking and unlocking another index buffer binds it on the element-array point.
    std::vector<uint16_t> none = {0, 0, 0};
    RIndexBuffer other;
    ASSERT_TRUE(other.Create(none.data(), 3, true));
    uint16_t* mapped = other.Lock();
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped[2], 0);
    other.Unlock();

    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);

    // Destroying the bound buffer forgets it: nothing draws until another is bound.
    indices.Destroy();
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kClear, kClear), 0);
    ASSERT_TRUE(indices.Create(geometry.indices.data(), 12, false));
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, ASetRebuiltAtTheSameAddressIsBoundAgain)
{
    ColourPass pass;
    pass.Use();
    HalvesGeometry first(kRed, kGreen);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(first.Build(set, indices));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);

    HalvesGeometry second(kBlue, kRed);
    set.Destroy();
    EXPECT_EQ(renderer->GetBoundVertexSet(), nullptr);
    ASSERT_TRUE(second.Build(set, indices));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kBlue, kRed), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GeometryTest, AProgramChangeBindsTheSameSetAgain)
{
    ColourPass first(0, 1);
    ColourPass second(1, 0);
    ASSERT_TRUE(first.Linked());
    ASSERT_TRUE(second.Linked());
    HalvesGeometry geometry(kRed, kGreen);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));

    first.Use();
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);

    second.Use();
    renderer->BindVertexSet(&set);
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);
}

TEST_F(GeometryTest, TheSweepDisablesExactlyTheLocationsNotEnabled)
{
    // Locations above the stream count stay enabled; every other one is disabled.
    ColourPass high(5, 7);
    ASSERT_TRUE(high.Linked());
    HalvesGeometry geometry(kGreen, kBlue);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));
    for (GLuint location : {0u, 1u, 2u, 9u})
        glEnableVertexAttribArray(location);

    high.Use();
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kGreen, kBlue), 0);
    GLint maxAttributes = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &maxAttributes);
    for (GLint location = 0; location < maxAttributes && location < 64; ++location)
        EXPECT_EQ(AttributeEnabled(location), location == 5 || location == 7) << "location " << location;

    // Binding the same set for the same pass again is skipped: a location switched off behind the renderer's
    // back stays off.
    glDisableVertexAttribArray(7);
    renderer->BindVertexSet(&set);
    EXPECT_EQ(AttributeEnabled(7), 0);

    // A stream the pass does not declare is not bound anywhere.
    std::vector<float> uvs(16, 0.5f);
    RVertexStreamDesc streams[3] = {{geometry.positions.data(), sizeof(Vertex), STREAM_POSITION, false},
                                    {uvs.data(), 8, STREAM_TEXCOORD0, false},
                                    {geometry.colours.data(), 4, STREAM_COLOR, false}};
    RVertexSet withUVs;
    ASSERT_TRUE(withUVs.Create(streams, 3, 8));
    renderer->BindVertexSet(&withUVs);
    int enabled = 0;
    for (GLint location = 0; location < maxAttributes && location < 64; ++location)
        enabled += AttributeEnabled(location);
    EXPECT_EQ(enabled, 2);
    renderer->ClearColourAndDepth(kClear, 1.0f);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kGreen, kBlue), 0);
}

TEST_F(GeometryTest, ResetForgetsTheBoundGeometry)
{
    ColourPass pass;
    pass.Use();
    HalvesGeometry geometry(kRed, kGreen);
    RVertexSet set;
    RIndexBuffer indices;
    ASSERT_TRUE(geometry.Build(set, indices));
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    EXPECT_EQ(renderer->GetBoundVertexSet(), &set);
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), &indices);
    uint32_t width = kWindowWidth;
    uint32_t height = kWindowHeight;
    renderer->ResetDevice(Window(), &width, &height, false, nullptr);
    EXPECT_EQ(renderer->GetBoundVertexSet(), nullptr);
    EXPECT_EQ(renderer->GetBoundIndexBuffer(), nullptr);
    pass.Use();
    renderer->BindVertexSet(&set);
    renderer->BindIndexBuffer(&indices);
    renderer->DrawIndexedTriangles(-1);
    EXPECT_EQ(CountWrongPixels(kRed, kGreen), 0);
}

TEST_F(GeometryTest, LocksMapWholeStreamsAndRefuseASecondMapping)
{
    std::vector<Vertex> positions(3, Vertex{0.25f, 0.5f, 0.75f});
    RVertexStreamDesc streams[1] = {{positions.data(), sizeof(Vertex), STREAM_POSITION, true}};
    RVertexSet set;
    ASSERT_TRUE(set.Create(streams, 1, 3));
    EXPECT_TRUE(set.IsDynamic());
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

    std::vector<uint16_t> values = {1, 2, 3};
    RIndexBuffer indices;
    ASSERT_TRUE(indices.Create(values.data(), 3, false));
    ASSERT_NE(indices.Lock(), nullptr);
    EXPECT_EQ(indices.Lock(), nullptr);
    indices.Unlock();
    while (glGetError() != GL_NO_ERROR) {
    }
}

TEST_F(GeometryTest, CreationRefusesWhatItCannotHold)
{
    const uint32_t listed = RGLObjMgr::GetInstance()->GetObjects().getCount();
    std::vector<Vertex> positions(4);
    RVertexStreamDesc streams[RVertexSet::kMaxStreams + 1];
    for (RVertexStreamDesc& stream : streams)
        stream = {positions.data(), sizeof(Vertex), STREAM_POSITION, false};
    RVertexSet set;
    EXPECT_FALSE(set.Create(streams, RVertexSet::kMaxStreams + 1, 4));
    EXPECT_FALSE(set.Create(nullptr, 2, 4));
    RVertexStreamDesc huge = {positions.data(), 0x10000, STREAM_POSITION, false};
    EXPECT_FALSE(set.Create(&huge, 1, 0x10000));  // 4 GiB
    RVertexStreamDesc zero = {positions.data(), 0, STREAM_POSITION, false};
    EXPECT_FALSE(set.Create(&zero, 1, 4));
    EXPECT_EQ(set.GetStreamCount(), 0u);
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed);

    // A stream without data is made and left to be written through a lock.
    RVertexStreamDesc empty = {nullptr, sizeof(Vertex), STREAM_POSITION, true};
    EXPECT_TRUE(set.Create(&empty, 1, 4));
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed + 2);  // buffer and declaration
    set.Destroy();
    set.Destroy();
    EXPECT_EQ(RGLObjMgr::GetInstance()->GetObjects().getCount(), listed);
}
