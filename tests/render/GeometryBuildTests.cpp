// Procedural geometry: the builders' streams, counts, index ranges and winding read back from their GL buffers,
// the tangent generator on good and degenerate input.
#include "GLTestSupport.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RM3DData.h"
#include "render/geometry/RMesh.h"
#include "render/geometry/RMeshUtil.h"

using namespace gltest;

namespace {

RVector3 Sub(const RVector3& a, const RVector3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
RVector3 Cross(const RVector3& a, const RVector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const RVector3& a, const RVector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Length(const RVector3& v)
{
    return std::sqrt(Dot(v, v));
}

// A built mesh and its buffers read back; the geometry is freed with it.
struct Built {
    RMesh mesh;
    RM3DData data;

    ~Built()
    {
        delete mesh.GetVertexSet();
        delete mesh.GetIndexBuffer();
    }

    bool Build(const std::function<bool(RMesh*)>& builder)
    {
        return builder(&mesh) && RM3DData::FromBuffers(mesh.GetVertexSet(), mesh.GetIndexBuffer(), &data);
    }

    uint32_t VertexCount() const { return static_cast<uint32_t>(data.header.vertexCount); }
    std::vector<uint16_t> Indices() const
    {
        return std::vector<uint16_t>(data.indexData, data.indexData + data.header.indexCount);
    }
    std::vector<uint32_t> Usages() const
    {
        std::vector<uint32_t> usages;
        for (const RM3DVertexStreamInfo& stream : data.streams)
            usages.push_back(stream.usage);
        return usages;
    }
    template <typename T> std::vector<T> Stream(uint32_t usage) const
    {
        const RM3DVertexStreamInfo* stream = data.FindStream(usage);
        std::vector<T> values;
        if (!stream || stream->size != sizeof(T))
            return values;
        values.resize(VertexCount());
        std::memcpy(static_cast<void*>(values.data()), stream->data, values.size() * sizeof(T));
        return values;
    }
    std::vector<RVector3> Positions() const { return Stream<RVector3>(STREAM_POSITION); }
    std::vector<RVector3> Normals() const { return Stream<RVector3>(STREAM_NORMAL); }
    std::vector<RVector3> Tangents() const { return Stream<RVector3>(STREAM_TANGENT); }
    std::vector<RVector2> TexCoords() const { return Stream<RVector2>(STREAM_TEXCOORD0); }
};

struct Shape {
    const char* name;
    std::function<bool(RMesh*)> build;
    std::vector<uint32_t> usages;
    uint32_t vertices;
    uint32_t indices;
};

const std::vector<uint32_t> kPosUV = {STREAM_POSITION, STREAM_TEXCOORD0};
const std::vector<uint32_t> kPosNormalUV = {STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0};
const std::vector<uint32_t> kAll = {STREAM_POSITION, STREAM_NORMAL, STREAM_TANGENT, STREAM_TEXCOORD0};

// Every builder with the vertex and index counts its formulas give.
std::vector<Shape> Shapes()
{
    using namespace RMeshUtil;
    return {
        {"quad", [](RMesh* m) { return MakeFullScreenQuad(m, 640, 480); }, kPosUV, 4, 6},
        {"icosphere 0", [](RMesh* m) { return MakeIcosphere(m, 0); }, kAll, 60, 60},
        {"icosphere 3", [](RMesh* m) { return MakeIcosphere(m, 3); }, kAll, 300, 960},
        {"sphere 16x9", [](RMesh* m) { return MakeSphere(m, 16, 9, 1.0f); }, kAll, 170, 864},
        {"tapered cylinder", [](RMesh* m) { return MakeTaperedCylinder(m, 6, 0.5f); }, kPosNormalUV, 14, 36},
        {"cylinder", [](RMesh* m) { return MakeCylinder(m, 7); }, kPosNormalUV, 16, 42},
        {"capsule", [](RMesh* m) { return MakeCapsule(m, 8, 3, 1.0f); }, kPosNormalUV, 72, 336},
        {"cube", [](RMesh* m) { return MakeCube(m); }, kAll, 24, 36},
        {"torus", [](RMesh* m) { return MakeTorus(m, 12, 6, 0.5f, 1.5f); }, kAll, 91, 432},
        {"line grid", [](RMesh* m) { return MakeLineGrid(m, 3, 2); }, kPosUV, 14, 14},
    };
}

bool Near(const RVector3& a, const RVector3& b, float tolerance = 1e-5f)
{
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.z - b.z) <= tolerance;
}

class GeometryBuildTest : public GLTest {};

}  // namespace

// Every builder's streams, counts and index range; every triangle that has an area turns counter-clockwise about
// its outward normal in a right-handed frame (the engine's cameras are left-handed, so seen through them it is
// clockwise: a front face under the default state); tangents are unit and perpendicular to the normal.
TEST_F(GeometryBuildTest, StreamsCountsWindingAndTangents)
{
    for (const Shape& shape : Shapes()) {
        SCOPED_TRACE(shape.name);
        Built built;
        ASSERT_TRUE(built.Build(shape.build));
        EXPECT_EQ(built.Usages(), shape.usages);
        EXPECT_EQ(built.VertexCount(), shape.vertices);
        const std::vector<uint16_t> indices = built.Indices();
        ASSERT_EQ(indices.size(), shape.indices);
        for (uint16_t index : indices)
            ASSERT_LT(index, shape.vertices);
        const std::vector<RVector3> p = built.Positions();
        for (const RVector3& v : p)
            ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
        if (built.mesh.GetPrimitiveType() == RMesh::PRIMITIVE_LINES)
            continue;
        // The full-screen quad has no normals: it turns counter-clockwise on screen, its coordinates following x and y.
        std::vector<RVector3> n = built.Normals();
        if (n.empty()) {
            n.assign(p.size(), RVector3{0.0f, 0.0f, 1.0f});
            const std::vector<RVector2> uv = built.TexCoords();
            for (size_t v = 0; v < p.size(); ++v)
                EXPECT_TRUE(uv[v].x == (p[v].x + 1.0f) / 2.0f && uv[v].y == (p[v].y + 1.0f) / 2.0f) << "vertex " << v;
        }
        int checked = 0;
        for (size_t t = 0; t + 2 < indices.size(); t += 3) {
            const uint16_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
            const RVector3 face = Cross(Sub(p[b], p[a]), Sub(p[c], p[a]));
            if (Length(face) < 1e-6f)
                continue;
            const RVector3 outward = {n[a].x + n[b].x + n[c].x, n[a].y + n[b].y + n[c].y, n[a].z + n[b].z + n[c].z};
            EXPECT_GT(Dot(face, outward), 0.0f) << "triangle " << t / 3;
            ++checked;
        }
        EXPECT_GT(checked, 0);
        if (shape.usages != kAll)
            continue;
        const std::vector<RVector3> tangents = built.Tangents();
        for (uint32_t v = 0; v < built.VertexCount(); ++v) {
            const RVector3& t = tangents[v];
            ASSERT_FALSE(std::isnan(t.x) || std::isnan(t.y) || std::isnan(t.z));
            // A vertex at a pole of the latitude-longitude sphere may be first named by a triangle without
            // area, which has no tangent; every other vertex has one.
            if (Length(t) == 0.0f && std::fabs(n[v].z) > 0.9999f)
                continue;
            EXPECT_NEAR(Length(t), 1.0f, 1e-4f) << "vertex " << v;
            EXPECT_NEAR(Dot(t, n[v]), 0.0f, 1e-4f) << "vertex " << v;
        }
    }
}

// No triangle of the icosphere spans the texture seam: its three u values lie within a fifth of the map.
TEST_F(GeometryBuildTest, IcosphereTrianglesNeverSpanTheSeam)
{
    Built fine;
    ASSERT_TRUE(fine.Build([](RMesh* m) { return RMeshUtil::MakeIcosphere(m, 4); }));
    const std::vector<RVector2> t = fine.TexCoords();
    const std::vector<uint16_t> indices = fine.Indices();
    for (size_t i = 0; i < indices.size(); i += 3) {
        const float u0 = t[indices[i]].x, u1 = t[indices[i + 1]].x, u2 = t[indices[i + 2]].x;
        EXPECT_LT(std::fmax(u0, std::fmax(u1, u2)) - std::fmin(u0, std::fmin(u1, u2)), 0.21f) << i / 3;
    }
}

// The exact shapes the builders' formulas give at a few telling arguments.
TEST_F(GeometryBuildTest, PrimitivesHaveTheirExactForms)
{
    using namespace RMeshUtil;
    Built ico;
    ASSERT_TRUE(ico.Build([](RMesh* m) { return MakeIcosphere(m, 0); }));
    // Face 0, vertices (0, 0), (0, 1), (1, 0): the pole takes its own u, the others those of the far corners.
    const std::vector<RVector2> icoUV = ico.TexCoords();
    EXPECT_NEAR(icoUV[0].x, 0.1f, 1e-6f);
    EXPECT_NEAR(icoUV[1].x, 0.2f, 1e-6f);
    EXPECT_NEAR(icoUV[2].x, 0.0f, 1e-6f);
    Built ico1;
    ASSERT_TRUE(ico1.Build([](RMesh* m) { return MakeIcosphere(m, 1); }));
    EXPECT_EQ(ico1.VertexCount(), 120u);
    EXPECT_EQ(ico1.Indices().size(), 240u);

    Built sphere;
    ASSERT_TRUE(sphere.Build([](RMesh* m) { return MakeSphere(m, 4, 2, 3.0f); }));
    EXPECT_EQ(sphere.VertexCount(), 15u);
    EXPECT_EQ(sphere.Indices().size(), 48u);
    EXPECT_TRUE(Near(sphere.Positions()[0], {0, 0, 3}));

    Built cone;
    ASSERT_TRUE(cone.Build([](RMesh* m) { return MakeTaperedCylinder(m, 5, 1.0f); }));
    const std::vector<RVector3> conePositions = cone.Positions();
    for (size_t v = 0; v < conePositions.size(); v += 2)
        EXPECT_TRUE(Near(conePositions[v], {0, 0, 1})) << v;

    Built capsule;
    ASSERT_TRUE(capsule.Build([](RMesh* m) { return MakeCapsule(m, 4, 2, 0.0f); }));
    const std::vector<RVector3> capsulePositions = capsule.Positions();
    const std::vector<RVector3> capsuleNormals = capsule.Normals();
    for (uint32_t v = 0; v < capsule.VertexCount(); ++v) {
        EXPECT_NEAR(Length(capsulePositions[v]), 1.0f, 1e-5f) << v;
        const uint32_t row = v / 5;
        if (row == 2 || row == 3) {
            EXPECT_EQ(capsuleNormals[v].z, 0.0f) << v;
        }
    }

    Built torus;
    ASSERT_TRUE(torus.Build([](RMesh* m) { return MakeTorus(m, 8, 4, 1.0f, 3.0f); }));
    EXPECT_TRUE(Near(torus.Positions()[0], {0, -1, 0}));

    Built grid;
    ASSERT_TRUE(grid.Build([](RMesh* m) { return MakeLineGrid(m, 1, 1); }));
    const std::vector<RVector3> lines = grid.Positions();
    const RVector3 expected[8] = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0},
                                  {1, -1, 0}, {1, 1, 0},  {-1, -1, 0}, {-1, 1, 0}};
    ASSERT_EQ(lines.size(), 8u);
    for (size_t v = 0; v < 8; ++v)
        EXPECT_TRUE(Near(lines[v], expected[v])) << v;

    EXPECT_EQ(TriangularPatchVertexCount(1, 5), 7);
    EXPECT_EQ(TriangularPatchVertexCount(3, 2), 9);
    EXPECT_EQ(TriangularPatchVertexCount(0, 9), 0);
}

TEST_F(GeometryBuildTest, RefusedArgumentsLeaveTheMeshAlone)
{
    using namespace RMeshUtil;
    Built kept;
    ASSERT_TRUE(kept.Build(MakeCube));
    RVertexSet* cube = kept.mesh.GetVertexSet();
    const std::pair<const char*, std::function<bool(RMesh*)>> refused[] = {
        {"sphere past 65,536 vertices", [](RMesh* m) { return MakeSphere(m, 256, 255, 1.0f); }},
        {"sphere of no slices", [](RMesh* m) { return MakeSphere(m, 0, 4, 1.0f); }},
        {"sphere of 2^32 - 1 slices", [](RMesh* m) { return MakeSphere(m, 0xFFFFFFFF, 0xFFFFFFFF, 1.0f); }},
        {"icosphere 79", [](RMesh* m) { return MakeIcosphere(m, 79); }},
        {"icosphere INT32_MAX", [](RMesh* m) { return MakeIcosphere(m, INT32_MAX); }},
        {"tapered cylinder past the limit", [](RMesh* m) { return MakeTaperedCylinder(m, 32768, 0.5f); }},
        {"cylinder of 2^32 - 1 segments", [](RMesh* m) { return MakeCylinder(m, 0xFFFFFFFF); }},
        {"capsule past the limit", [](RMesh* m) { return MakeCapsule(m, 255, 128, 1.0f); }},
        {"torus past the limit", [](RMesh* m) { return MakeTorus(m, 1000, 1000, 1.0f, 2.0f); }},
        {"torus of 2^32 - 1 segments", [](RMesh* m) { return MakeTorus(m, 0xFFFFFFFF, 0xFFFFFFFF, 1.0f, 2.0f); }},
        {"capsule of 2^32 - 1 stacks", [](RMesh* m) { return MakeCapsule(m, 0xFFFFFFFF, 0xFFFFFFFF, 1.0f); }},
        {"line grid of 2^32 - 1 rows", [](RMesh* m) { return MakeLineGrid(m, 0xFFFFFFFF, 0xFFFFFFFF); }},
        {"line grid past the limit", [](RMesh* m) { return MakeLineGrid(m, 40000, 40000); }},
    };
    for (const auto& entry : refused) {
        EXPECT_FALSE(entry.second(&kept.mesh)) << entry.first;
        EXPECT_EQ(kept.mesh.GetVertexSet(), cube) << entry.first;
        EXPECT_EQ(kept.mesh.GetPrimitiveType(), uint32_t(RMesh::PRIMITIVE_TRIANGLES)) << entry.first;
    }
    EXPECT_FALSE(MakeCube(nullptr));
    EXPECT_FALSE(MakeFullScreenQuad(nullptr, 1, 1));
}

TEST(MeshUtil, TriangularPatchVertexCountWrapsWithoutOverflowing)
{
    EXPECT_EQ(RMeshUtil::TriangularPatchVertexCount(4, 4), 15 + 6 - 3);
    EXPECT_EQ(RMeshUtil::TriangularPatchVertexCount(-5, 9), 0);
    // Far past 32 bits the result wraps, as 32-bit arithmetic would, without overflowing anything.
    const int64_t a = INT32_MAX, b = INT32_MAX;
    const int64_t exact = (b + 1) * (a - 1) + b + 2 - (((a - 1) * (a - 2)) >> 1);
    EXPECT_EQ(RMeshUtil::TriangularPatchVertexCount(INT32_MAX, INT32_MAX),
              static_cast<int32_t>(static_cast<uint32_t>(exact)));
}

TEST(MeshUtil, DegenerateInputGivesZerosNotNaNs)
{
    const RVector2 sameUV[3] = {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}};
    const RVector3 positions[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {7, 7, 7}};
    const RVector2 uv[4] = {{0, 0}, {1, 0}, {0, 1}, {0, 0}};
    const uint16_t indices[3] = {0, 1, 2};
    RVector3 normals[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    RVector3 tangents[3] = {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};
    RVector3 bitangents[3] = {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}};
    RMeshUtil::GenerateTangents(3, 3, indices, positions, normals, sameUV, tangents, bitangents);
    for (int v = 0; v < 3; ++v) {
        EXPECT_TRUE(Near(tangents[v], {0, 0, 0}, 0.0f)) << v;
        EXPECT_TRUE(Near(bitangents[v], {0, 0, 0}, 0.0f)) << v;
    }

    // Positions that collapse to a point, a zero normal and a NaN normal.
    const RVector3 collapsed[3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    RVector3 badNormals[3] = {{0, 0, 0}, {NAN, 0, 1}, {0, 0, 1}};
    RMeshUtil::GenerateTangents(3, 3, indices, collapsed, badNormals, uv, tangents, nullptr);
    for (int v = 0; v < 3; ++v) {
        EXPECT_TRUE(Near(tangents[v], {0, 0, 0}, 0.0f)) << v;
        EXPECT_FALSE(std::isnan(badNormals[v].x)) << v;
    }

    // Triangles naming a vertex past the count and a trailing partial triangle are passed over; vertex 3,
    // which no whole triangle names, keeps what it had.
    const uint16_t messy[8] = {0, 1, 9, 2, 1, 0, 3, 3};
    RVector3 n4[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 2}};
    RVector3 t4[4] = {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}};
    RMeshUtil::GenerateTangents(4, 8, messy, positions, n4, uv, t4, nullptr);
    EXPECT_TRUE(Near(t4[0], {1, 0, 0})) << t4[0].x << " " << t4[0].y << " " << t4[0].z;
    EXPECT_TRUE(Near(t4[3], {9, 9, 9}));
    EXPECT_TRUE(Near(n4[3], {0, 0, 2}));
}
