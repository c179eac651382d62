#include "render/geometry/RMeshUtil.h"

#include <cmath>
#include <new>

#include "core/types/RUtilVector.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RMesh.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

float Sin(float angle)
{
    return static_cast<float>(std::sin(static_cast<double>(angle)));
}

float Cos(float angle)
{
    return static_cast<float>(std::cos(static_cast<double>(angle)));
}

RVector3 Add(const RVector3& a, const RVector3& b)
{
    return RVector3{a.x + b.x, a.y + b.y, a.z + b.z};
}

RVector3 Sub(const RVector3& a, const RVector3& b)
{
    return RVector3{a.x - b.x, a.y - b.y, a.z - b.z};
}

RVector3 Scale(const RVector3& v, float s)
{
    return RVector3{v.x * s, v.y * s, v.z * s};
}

float Dot(const RVector3& a, const RVector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// v times 1 / length. A factor that is not below +infinity (zero length, NaN) gives the zero vector, and so does
// any result that is not finite: multiplying a NaN or infinite component by any factor would leave it so.
RVector3 Normalise(const RVector3& v)
{
    float factor = 1.0f / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(factor < INFINITY))
        return RVector3{0.0f, 0.0f, 0.0f};
    RVector3 result = Scale(v, factor);
    if (!std::isfinite(result.x) || !std::isfinite(result.y) || !std::isfinite(result.z))
        return RVector3{0.0f, 0.0f, 0.0f};
    return result;
}

// The temporary arrays of one builder. Sized once; the vertex count has been checked against kMaxVertices.
struct Geometry {
    RUtilVector<RVector3> positions;
    RUtilVector<RVector3> normals;
    RUtilVector<RVector3> tangents;
    RUtilVector<RVector2> texCoords;
    RUtilVector<uint16_t> indices;

    Geometry(uint32_t vertexCount, uint32_t indexCount, bool withNormals, bool withTangents)
    {
        positions.setSize(vertexCount);
        texCoords.setSize(vertexCount);
        if (withNormals)
            normals.setSize(vertexCount);
        if (withTangents)
            tangents.setSize(vertexCount);
        indices.setSize(indexCount);
    }

    uint32_t VertexCount() const { return positions.getCount(); }

    // Fills the tangent stream from the finished arrays; the bitangents are not kept.
    void GenerateTangents()
    {
        RMeshUtil::GenerateTangents(VertexCount(), indices.getCount(), indices.getData(), positions.getData(),
                                    normals.getData(), texCoords.getData(), tangents.getData(), nullptr);
    }

    // Hands the streams present to the mesh in the order POSITION, NORMAL, TANGENT, TEXCOORD0.
    bool Store(RMesh* mesh) const
    {
        RVertexStreamDesc streams[4];
        uint32_t count = 0;
        streams[count++] = {positions.getData(), sizeof(RVector3), STREAM_POSITION, false};
        if (normals.getCount() > 0)
            streams[count++] = {normals.getData(), sizeof(RVector3), STREAM_NORMAL, false};
        if (tangents.getCount() > 0)
            streams[count++] = {tangents.getData(), sizeof(RVector3), STREAM_TANGENT, false};
        streams[count++] = {texCoords.getData(), sizeof(RVector2), STREAM_TEXCOORD0, false};
        return RMeshUtil::CreateBuffers(mesh, streams, count, VertexCount(), indices.getData(), indices.getCount());
    }
};

// (a + 1)(b + 1), or more than kMaxVertices when that product would not fit 64 bits.
uint64_t GridVertexCount(uint64_t a, uint64_t b)
{
    if (a >= RMeshUtil::kMaxVertices || b >= RMeshUtil::kMaxVertices)
        return RMeshUtil::kMaxVertices + 1;
    return (a + 1) * (b + 1);
}

// The triangles of a grid of rows + 1 rows of columns + 1 vertices: per cell, with a the cell's vertex in its row
// and b the one below it, (a, b, b + 1) and (a, b + 1, a + 1).
void FillGridIndices(RUtilVector<uint16_t>& indices, uint32_t rows, uint32_t columns)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < rows; ++i) {
        for (uint32_t j = 0; j < columns; ++j) {
            uint16_t a = static_cast<uint16_t>(i * (columns + 1) + j);
            uint16_t b = static_cast<uint16_t>((i + 1) * (columns + 1) + j);
            indices[n++] = a;
            indices[n++] = b;
            indices[n++] = static_cast<uint16_t>(b + 1);
            indices[n++] = a;
            indices[n++] = static_cast<uint16_t>(b + 1);
            indices[n++] = static_cast<uint16_t>(a + 1);
        }
    }
}

}  // namespace

namespace RMeshUtil {

bool CreateBuffers(RMesh* mesh, const RVertexStreamDesc* streams, uint32_t streamCount, uint32_t vertexCount,
                   const uint16_t* indices, uint32_t indexCount)
{
    if (!mesh)
        return false;
    RVertexSet* vertexSet = new (std::nothrow) RVertexSet;
    RIndexBuffer* indexBuffer = new (std::nothrow) RIndexBuffer;
    if (!vertexSet || !indexBuffer || !vertexSet->Create(streams, streamCount, vertexCount) ||
        !indexBuffer->Create(indices, indexCount, false)) {
        delete vertexSet;
        delete indexBuffer;
        return false;
    }
    mesh->SetVertexSet(vertexSet);
    mesh->SetIndexBuffer(indexBuffer);
    return true;
}

bool MakeFullScreenQuad(RMesh* mesh, int32_t width, int32_t height)
{
    if (!mesh)
        return false;
    static const RVector3 kPositions[4] = {{-1.0f, -1.0f, 0.0f}, {1.0f, -1.0f, 0.0f}, {1.0f, 1.0f, 0.0f},
                                           {-1.0f, 1.0f, 0.0f}};
    static const RVector2 kTexCoords[4] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    static const uint16_t kIndices[6] = {0, 1, 2, 0, 2, 3};
    const RVertexStreamDesc streams[2] = {
        {kPositions, sizeof(RVector3), STREAM_POSITION, false},
        {kTexCoords, sizeof(RVector2), STREAM_TEXCOORD0, false},
    };
    return CreateBuffers(mesh, streams, 2, 4, kIndices, 6);
}

bool MakeSphere(RMesh* mesh, uint32_t slices, uint32_t stacks, float radius)
{
    uint64_t vertexCount = GridVertexCount(slices, stacks);
    if (!mesh || slices == 0 || stacks == 0 || vertexCount > kMaxVertices)
        return false;
    Geometry g(static_cast<uint32_t>(vertexCount), 6 * slices * stacks, true, true);
    for (uint32_t i = 0; i <= stacks; ++i) {
        float v = static_cast<float>(i) / static_cast<float>(stacks);
        float theta = v * kPi;
        for (uint32_t j = 0; j <= slices; ++j) {
            float u = static_cast<float>(j) / static_cast<float>(slices);
            float phi = u * kTwoPi;
            uint32_t k = i * (slices + 1) + j;
            RVector3 normal{Cos(phi) * Sin(theta), Sin(phi) * Sin(theta), Cos(theta)};
            g.normals[k] = normal;
            g.positions[k] = Scale(normal, radius);
            g.texCoords[k] = RVector2{u, v};
        }
    }
    FillGridIndices(g.indices, stacks, slices);
    g.GenerateTangents();
    return g.Store(mesh);
}

bool MakeTaperedCylinder(RMesh* mesh, uint32_t segments, float taper)
{
    uint64_t vertexCount = 2 * (uint64_t(segments) + 1);
    if (!mesh || segments == 0 || vertexCount > kMaxVertices)
        return false;
    Geometry g(static_cast<uint32_t>(vertexCount), 6 * segments, true, false);
    for (uint32_t m = 0; m <= segments; ++m) {
        float u = static_cast<float>(m) / static_cast<float>(segments);
        float phi = u * kTwoPi;
        float c = Cos(phi);
        float s = Sin(phi);
        g.positions[2 * m] = RVector3{(1.0f - taper) * c, (1.0f - taper) * s, 1.0f};
        g.positions[2 * m + 1] = RVector3{c, s, -1.0f};
        g.texCoords[2 * m] = RVector2{u, 0.0f};
        g.texCoords[2 * m + 1] = RVector2{u, 1.0f};
        g.normals[2 * m] = g.normals[2 * m + 1] = RVector3{c, s, 0.0f};
    }
    uint32_t n = 0;
    for (uint32_t segment = 0; segment < segments; ++segment) {
        uint16_t b = static_cast<uint16_t>(2 * segment);
        const uint16_t triangles[6] = {b, uint16_t(b + 1), uint16_t(b + 2), uint16_t(b + 2), uint16_t(b + 1),
                                       uint16_t(b + 3)};
        for (uint16_t index : triangles)
            g.indices[n++] = index;
    }
    return g.Store(mesh);
}

bool MakeCylinder(RMesh* mesh, uint32_t segments)
{
    uint64_t vertexCount = 2 * (uint64_t(segments) + 1);
    if (!mesh || segments == 0 || vertexCount > kMaxVertices)
        return false;
    Geometry g(static_cast<uint32_t>(vertexCount), 6 * segments, true, false);
    for (uint32_t ring = 0; ring < 2; ++ring) {
        float z = ring == 0 ? 1.0f : -1.0f;
        for (uint32_t j = 0; j <= segments; ++j) {
            float u = static_cast<float>(j) / static_cast<float>(segments);
            float phi = u * kTwoPi;
            uint32_t k = ring * (segments + 1) + j;
            g.positions[k] = RVector3{Cos(phi), Sin(phi), z};
            g.normals[k] = RVector3{Cos(phi), Sin(phi), 0.0f};
            g.texCoords[k] = RVector2{u, static_cast<float>(ring)};
        }
    }
    uint32_t n = 0;
    for (uint32_t j = 0; j < segments; ++j) {
        const uint16_t triangles[6] = {uint16_t(j), uint16_t(segments + j + 1), uint16_t(segments + j + 2),
                                       uint16_t(j), uint16_t(segments + j + 2), uint16_t(j + 1)};
        for (uint16_t index : triangles)
            g.indices[n++] = index;
    }
    return g.Store(mesh);
}

bool MakeCapsule(RMesh* mesh, uint32_t slices, uint32_t stacksPerHemisphere, float length)
{
    uint64_t rows = 2 * uint64_t(stacksPerHemisphere) + 2;
    uint64_t vertexCount = GridVertexCount(rows - 1, slices);
    if (!mesh || slices == 0 || vertexCount > kMaxVertices)
        return false;
    uint32_t t = stacksPerHemisphere;
    Geometry g(static_cast<uint32_t>(vertexCount), 6 * slices * (2 * t + 1), true, false);
    float halfLength = length / 2.0f;
    for (uint32_t i = 0; i < rows; ++i) {
        float along = static_cast<float>(i) / static_cast<float>(2 * t + 1);
        float theta = along * kPi;
        float offset = i <= t ? halfLength : -halfLength;
        for (uint32_t j = 0; j <= slices; ++j) {
            float u = static_cast<float>(j) / static_cast<float>(slices);
            float phi = u * kTwoPi;
            uint32_t k = i * (slices + 1) + j;
            RVector3 normal{Cos(phi) * Sin(theta), Sin(phi) * Sin(theta), Cos(theta)};
            g.positions[k] = RVector3{normal.x, normal.y, normal.z + offset};
            // The two rows beside the cut face straight out from the axis, like the sides of a cylinder.
            if (i == t || i == t + 1)
                normal.z = 0.0f;
            g.normals[k] = normal;
            g.texCoords[k] = RVector2{u, 1.0f - along};
        }
    }
    FillGridIndices(g.indices, 2 * t + 1, slices);
    return g.Store(mesh);
}

bool MakeTorus(RMesh* mesh, uint32_t axisSegments, uint32_t tubeSegments, float innerRadius, float outerRadius)
{
    uint64_t vertexCount = GridVertexCount(axisSegments, tubeSegments);
    if (!mesh || axisSegments == 0 || tubeSegments == 0 || vertexCount > kMaxVertices)
        return false;
    Geometry g(static_cast<uint32_t>(vertexCount), 6 * axisSegments * tubeSegments, true, true);
    float tubeRadius = (outerRadius - innerRadius) / 2.0f;
    for (uint32_t i = 0; i <= tubeSegments; ++i) {
        float v = static_cast<float>(i) / static_cast<float>(tubeSegments);
        float theta = v * kTwoPi;
        float ringRadius = (1.0f - Cos(theta)) * tubeRadius + innerRadius;
        for (uint32_t j = 0; j <= axisSegments; ++j) {
            float u = static_cast<float>(j) / static_cast<float>(axisSegments);
            float phi = u * kTwoPi;
            uint32_t k = i * (axisSegments + 1) + j;
            g.positions[k] = RVector3{ringRadius * Sin(phi), -ringRadius * Cos(phi), tubeRadius * Sin(theta)};
            g.normals[k] = RVector3{-Cos(theta) * Sin(phi), Cos(theta) * Cos(phi), Sin(theta)};
            g.texCoords[k] = RVector2{u, v};
        }
    }
    FillGridIndices(g.indices, tubeSegments, axisSegments);
    g.GenerateTangents();
    return g.Store(mesh);
}

bool MakeCube(RMesh* mesh)
{
    if (!mesh)
        return false;
    struct Face {
        RVector3 normal;
        RVector3 corners[4];
    };
    static const Face kFaces[6] = {
        {{0, 0, -1}, {{-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}, {1, -1, -1}}},
        {{-1, 0, 0}, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, 1}, {-1, -1, -1}}},
        {{0, 0, 1}, {{1, 1, 1}, {-1, 1, 1}, {1, -1, 1}, {-1, -1, 1}}},
        {{0, -1, 0}, {{-1, -1, 1}, {-1, -1, -1}, {1, -1, 1}, {1, -1, -1}}},
        {{0, 1, 0}, {{1, 1, 1}, {1, 1, -1}, {-1, 1, 1}, {-1, 1, -1}}},
        {{1, 0, 0}, {{1, -1, 1}, {1, -1, -1}, {1, 1, 1}, {1, 1, -1}}},
    };
    static const RVector2 kTexCoords[4] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    Geometry g(24, 36, true, true);
    for (uint32_t f = 0; f < 6; ++f) {
        for (uint32_t c = 0; c < 4; ++c) {
            g.positions[4 * f + c] = kFaces[f].corners[c];
            g.normals[4 * f + c] = kFaces[f].normal;
            g.texCoords[4 * f + c] = kTexCoords[c];
        }
        uint16_t b = static_cast<uint16_t>(4 * f);
        const uint16_t triangles[6] = {b, uint16_t(b + 1), uint16_t(b + 2), uint16_t(b + 2), uint16_t(b + 1),
                                       uint16_t(b + 3)};
        for (uint32_t n = 0; n < 6; ++n)
            g.indices[6 * f + n] = triangles[n];
    }
    g.GenerateTangents();
    return g.Store(mesh);
}

bool MakeLineGrid(RMesh* mesh, uint32_t rows, uint32_t columns)
{
    uint64_t vertexCount = 2 * (uint64_t(rows) + uint64_t(columns) + 2);
    if (!mesh || rows == 0 || columns == 0 || vertexCount > kMaxVertices)
        return false;
    Geometry g(static_cast<uint32_t>(vertexCount), static_cast<uint32_t>(vertexCount), false, false);
    uint32_t n = 0;
    auto addVertex = [&g, &n](float x, float y) {
        g.positions[n] = RVector3{x, y, 0.0f};
        g.texCoords[n] = RVector2{(x + 1.0f) / 2.0f, (y + 1.0f) / 2.0f};
        g.indices[n] = static_cast<uint16_t>(n);
        ++n;
    };
    for (uint32_t k = 0; k <= rows; ++k) {
        float y = 1.0f - 2.0f * static_cast<float>(k) / static_cast<float>(rows);
        addVertex(1.0f, y);
        addVertex(-1.0f, y);
    }
    for (uint32_t k = 0; k <= columns; ++k) {
        float x = 1.0f - 2.0f * static_cast<float>(k) / static_cast<float>(columns);
        addVertex(x, -1.0f);
        addVertex(x, 1.0f);
    }
    if (!g.Store(mesh))
        return false;
    // The indices pair up into segments: drawn as triangles they would join unrelated lines.
    mesh->SetPrimitiveType(RMesh::PRIMITIVE_LINES);
    return true;
}

bool MakeIcosphere(RMesh* mesh, int32_t subdivision)
{
    if (!mesh || subdivision < 0)
        return false;
    uint64_t segments = uint64_t(subdivision) + 1;
    uint64_t faceVertices = (segments + 1) * (segments + 2) / 2;
    if (20 * faceVertices > kMaxVertices)
        return false;
    const uint32_t n = static_cast<uint32_t>(segments);

    // The icosahedron: five copies of each pole, so that every pole face has its own texture u there, and two
    // rings of six, the last repeating the first at the texture seam.
    RVector3 base[22];
    float baseU[22];
    for (uint32_t k = 0; k < 5; ++k) {
        base[k] = RVector3{0.0f, 0.0f, 1.0f};
        baseU[k] = 0.1f + 0.2f * static_cast<float>(k);
        base[5 + k] = RVector3{0.0f, 0.0f, -1.0f};
        baseU[5 + k] = 0.2f + 0.2f * static_cast<float>(k);
    }
    const float degree = kPi / 180.0f;
    for (uint32_t k = 0; k < 6; ++k) {
        RMatrix4 rotation;
        RMatrix4::MakeRotationZ(rotation, 72.0f * static_cast<float>(k) * degree);
        base[10 + k] = RMatrix4::TransformPoint3D(rotation, RVector3{0.8944272f, 0.0f, 0.4472136f});
        baseU[10 + k] = 0.2f * static_cast<float>(k);
        RMatrix4::MakeRotationZ(rotation, (36.0f + 72.0f * static_cast<float>(k)) * degree);
        base[16 + k] = RMatrix4::TransformPoint3D(rotation, RVector3{0.8944272f, 0.0f, -0.4472136f});
        baseU[16 + k] = 0.1f + 0.2f * static_cast<float>(k);
    }
    for (RVector3& corner : base)
        corner = Normalise(corner);

    static const uint8_t kFaces[20][3] = {
        {0, 10, 11},  {1, 11, 12},  {2, 12, 13},  {3, 13, 14},  {4, 14, 15},  {5, 17, 16},  {6, 18, 17},
        {7, 19, 18},  {8, 20, 19},  {9, 21, 20},  {10, 16, 11}, {11, 16, 17}, {11, 17, 12}, {12, 17, 18},
        {12, 18, 13}, {13, 18, 19}, {13, 19, 14}, {14, 19, 20}, {14, 20, 15}, {15, 20, 21},
    };

    Geometry g(static_cast<uint32_t>(20 * faceVertices), 60 * n * n, true, true);
    auto vertexIndex = [n, faceVertices](uint32_t face, uint32_t i, uint32_t j) {
        return static_cast<uint16_t>(face * faceVertices + i * (n + 1) - i * (i - 1) / 2 + j);
    };
    uint32_t nextIndex = 0;
    for (uint32_t face = 0; face < 20; ++face) {
        const RVector3& a = base[kFaces[face][0]];
        const RVector3& b = base[kFaces[face][1]];
        const RVector3& c = base[kFaces[face][2]];
        bool poleFace = face < 10;
        bool seamLow = face == 0 || face == 5 || face == 10 || face == 11;
        bool seamHigh = face == 4 || face == 9 || face == 18 || face == 19;
        for (uint32_t i = 0; i <= n; ++i) {
            for (uint32_t j = 0; j + i <= n; ++j) {
                float fi = static_cast<float>(i) / static_cast<float>(n);
                float fj = static_cast<float>(j) / static_cast<float>(n);
                // The corner normals are the corners themselves, so one interpolation serves both.
                RVector3 point = Add(a, Add(Scale(Sub(b, a), fi), Scale(Sub(c, a), fj)));
                uint16_t k = vertexIndex(face, i, j);
                RVector3 position = Normalise(point);
                g.positions[k] = position;
                g.normals[k] = Normalise(point);
                float v = static_cast<float>(std::asin(static_cast<double>(position.z)) / kPi) + 0.5f;
                float u;
                if (poleFace && i == 0 && j == 0)
                    u = baseU[kFaces[face][0]];
                else if (poleFace && i == 0)
                    u = baseU[kFaces[face][2]];
                else if (poleFace && j == 0)
                    u = baseU[kFaces[face][1]];
                else
                    u = static_cast<float>(std::atan2(-static_cast<double>(position.y),
                                                      -static_cast<double>(position.x)) /
                                           kTwoPi) +
                        0.5f;
                if (seamLow && u > 0.5f)
                    u -= 1.0f;
                if (seamHigh && u < 0.5f)
                    u += 1.0f;
                g.texCoords[k] = RVector2{u, v};

                if (i + j < n) {
                    g.indices[nextIndex++] = k;
                    g.indices[nextIndex++] = vertexIndex(face, i + 1, j);
                    g.indices[nextIndex++] = vertexIndex(face, i, j + 1);
                }
                if (i > 0 && j > 0) {
                    g.indices[nextIndex++] = k;
                    g.indices[nextIndex++] = vertexIndex(face, i - 1, j);
                    g.indices[nextIndex++] = vertexIndex(face, i, j - 1);
                }
            }
        }
    }
    g.GenerateTangents();
    return g.Store(mesh);
}

void GenerateTangents(uint32_t vertexCount, uint32_t indexCount, const uint16_t* indices, const RVector3* positions,
                      RVector3* normals, const RVector2* texCoords, RVector3* tangents, RVector3* bitangents)
{
    if (vertexCount == 0 || !indices || !positions || !normals || !texCoords || !tangents)
        return;
    // The first list position naming each vertex, found in one pass over the whole triangles whose corners all
    // lie below the vertex count.
    constexpr uint32_t kUnnamed = UINT32_MAX;
    RUtilVector<uint32_t> firstUse;
    firstUse.setSize(vertexCount);
    for (uint32_t& use : firstUse)
        use = kUnnamed;
    uint32_t wholeIndices = indexCount - indexCount % 3;
    for (uint32_t start = 0; start < wholeIndices; start += 3) {
        if (indices[start] >= vertexCount || indices[start + 1] >= vertexCount || indices[start + 2] >= vertexCount)
            continue;
        for (uint32_t c = 0; c < 3; ++c) {
            if (firstUse[indices[start + c]] == kUnnamed)
                firstUse[indices[start + c]] = start + c;
        }
    }

    for (uint32_t v = 0; v < vertexCount; ++v) {
        uint32_t k = firstUse[v];
        if (k == kUnnamed)
            continue;
        uint32_t corner = k % 3;
        uint32_t start = k - corner;
        uint16_t p = indices[start + (corner + 1) % 3];
        uint16_t q = indices[start + (corner + 2) % 3];
        RVector3 e1 = Sub(positions[p], positions[v]);
        RVector3 e2 = Sub(positions[q], positions[v]);
        float du1 = texCoords[p].x - texCoords[v].x;
        float dv1 = texCoords[p].y - texCoords[v].y;
        float du2 = texCoords[q].x - texCoords[v].x;
        float dv2 = texCoords[q].y - texCoords[v].y;
        float r = 1.0f / (du1 * dv2 - du2 * dv1);
        RVector3 t = Scale(Sub(Scale(e1, dv2), Scale(e2, dv1)), r);
        RVector3 b = Scale(Sub(Scale(e2, du1), Scale(e1, du2)), r);

        RVector3 n = Normalise(normals[v]);
        RVector3 tangentDirection = Normalise(t);
        RVector3 orthogonalTangent = Sub(tangentDirection, Scale(n, Dot(n, tangentDirection)));
        RVector3 bitangentDirection = Normalise(b);
        RVector3 orthogonalBitangent = Sub(Sub(bitangentDirection, Scale(n, Dot(n, bitangentDirection))),
                                           Scale(orthogonalTangent, Dot(orthogonalTangent, bitangentDirection)));
        tangents[v] = Normalise(orthogonalTangent);
        if (bitangents)
            bitangents[v] = Normalise(orthogonalBitangent);
        normals[v] = n;
    }
}

int32_t TriangularPatchVertexCount(int32_t a, int32_t b)
{
    if (a < 1)
        return 0;
    int64_t halfProduct = ((int64_t(a) - 1) * (int64_t(a) - 2)) >> 1;
    int64_t count = (int64_t(b) + 1) * (int64_t(a) - 1) + int64_t(b) + 2 - halfProduct;
    return static_cast<int32_t>(static_cast<uint32_t>(count));
}

}  // namespace RMeshUtil
