// Mesh files: records read from and written to real files in a temporary folder, meshes loaded through the stream
// manager into GL buffers, and malformed files (truncated, corrupted, huge counts, wrong magic) refused cleanly.
#include "GLTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/RStreamMgr.h"
#include "render/RIndexBuffer.h"
#include "render/RM3DData.h"
#include "render/RMesh.h"
#include "render/RMeshUtil.h"

using namespace gltest;

namespace {

// Little-endian bytes of a mesh file, built field by field.
struct FileBytes {
    std::vector<uint8_t> bytes;

    FileBytes& U8(uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    FileBytes& U32(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    FileBytes& U16(uint16_t value)
    {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
        return *this;
    }
    FileBytes& F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return U32(bits);
    }
    FileBytes& Header(uint8_t major, uint8_t minor, uint32_t streams, uint32_t vertices, uint32_t indices)
    {
        bytes.insert(bytes.end(), {'.', 'm', '3', 'd', major, minor, 0, 0});
        return U32(streams).U32(vertices).U32(indices);
    }
};

// One right triangle in the z = 0 plane, u along +x and v along +y: its tangent is +x.
const float kPositions[3][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
const float kNormals[3][3] = {{0, 0, 2}, {0, 0, 3}, {0, 0, 4}};  // not unit length: loading normalises them
const float kTexCoords[3][2] = {{0, 0}, {1, 0}, {0, 1}};

FileBytes& AppendStream(FileBytes& file, uint32_t usage, const float* values, int count)
{
    file.U32(usage).U32(usage == STREAM_TEXCOORD0 ? 8 : 12);
    for (int i = 0; i < count; ++i)
        file.F32(values[i]);
    return file;
}

// A version 2.1 file with the tangent flag, streams in the given usage order (POSITION, NORMAL, TEXCOORD0 taken
// from the triangle above; COLOR as three packed colours) and indices 0 1 2.
std::vector<uint8_t> TriangleFile(std::vector<uint32_t> usages, uint8_t tangentFlag = 1)
{
    FileBytes file;
    file.Header(2, 1, static_cast<uint32_t>(usages.size()), 3, 3).U8(tangentFlag).U32(2).U16(0).U16(1).U16(2);
    for (uint32_t usage : usages) {
        if (usage == STREAM_POSITION)
            AppendStream(file, usage, &kPositions[0][0], 9);
        else if (usage == STREAM_NORMAL)
            AppendStream(file, usage, &kNormals[0][0], 9);
        else if (usage == STREAM_TEXCOORD0)
            AppendStream(file, usage, &kTexCoords[0][0], 6);
        else if (usage == STREAM_COLOR)
            file.U32(usage).U32(4).U32(0x11223344u).U32(0x55667788u).U32(0x99AABBCCu);
    }
    return file.bytes;
}

// A temporary folder that the stream manager searches; removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/rolt-mesh-XXXXXX";
        const char* made = mkdtemp(pattern);
        m_path = made ? made : "";
    }
    ~TempFolder()
    {
        if (!m_path.empty())
            std::filesystem::remove_all(m_path);
    }

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

    void Put(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> Get(const std::string& name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::string m_path;
};

// Parses bytes from an allocation of exactly their size, so that a read past the end is an overrun the address
// sanitizer sees.
bool ReadExact(const std::vector<uint8_t>& bytes, RM3DData* record)
{
    uint8_t* copy = new uint8_t[bytes.size() ? bytes.size() : 1];
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    bool ok = record->Read(bytes.empty() ? nullptr : copy, bytes.size());
    delete[] copy;
    return ok;
}

template <typename T> std::vector<T> StreamValues(const RM3DData& record, uint32_t index)
{
    const RM3DVertexStreamInfo& stream = record.streams[index];
    size_t bytes = static_cast<size_t>(record.header.vertexCount) * stream.size;
    std::vector<T> values(bytes / sizeof(T));
    if (bytes)
        std::memcpy(values.data(), stream.data, bytes);
    return values;
}

class MeshFileTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_FALSE(folder.Path().empty());
        RStreamMgr::GetInstance()->AddSearchPath(folder.Path().c_str());
    }
    void TearDown() override
    {
        FreeGeometry(mesh);
        RStreamMgr::DestroyInstance();
    }

    static void FreeGeometry(RMesh& m)
    {
        delete m.GetVertexSet();
        delete m.GetIndexBuffer();
        m.SetVertexSet(nullptr);
        m.SetIndexBuffer(nullptr);
    }

    // Loads a file holding bytes; on failure the mesh must be exactly as it was.
    bool Load(const std::vector<uint8_t>& bytes)
    {
        folder.Put("Test.m3d", bytes);
        RVertexSet* before = mesh.GetVertexSet();
        RIndexBuffer* beforeIndices = mesh.GetIndexBuffer();
        if (RMesh::LoadM3D("Test.m3d", &mesh))
            return true;
        EXPECT_EQ(mesh.GetVertexSet(), before);
        EXPECT_EQ(mesh.GetIndexBuffer(), beforeIndices);
        return false;
    }

    // The loaded mesh's buffers read back into a record.
    void ReadBack(RM3DData* record)
    {
        ASSERT_NE(mesh.GetVertexSet(), nullptr);
        ASSERT_TRUE(RM3DData::FromBuffers(mesh.GetVertexSet(), mesh.GetIndexBuffer(), record));
    }

    TempFolder folder;
    RMesh mesh;
};

}  // namespace

TEST_F(MeshFileTest, TangentFlagAddsATangentStreamAndNormalisesNormals)
{
    ASSERT_TRUE(Load(TriangleFile({STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0})));
    RM3DData record;
    ReadBack(&record);
    ASSERT_EQ(record.streams.getCount(), 4u);
    const uint32_t expected[4] = {STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0, STREAM_TANGENT};
    for (uint32_t s = 0; s < 4; ++s)
        EXPECT_EQ(record.streams[s].usage, expected[s]);
    EXPECT_EQ(record.streams[3].size, 12u);
    std::vector<float> tangents = StreamValues<float>(record, 3);
    std::vector<float> normals = StreamValues<float>(record, 1);
    for (int v = 0; v < 3; ++v) {
        EXPECT_FLOAT_EQ(tangents[3 * v], 1.0f);
        EXPECT_FLOAT_EQ(tangents[3 * v + 1], 0.0f);
        EXPECT_FLOAT_EQ(tangents[3 * v + 2], 0.0f);
        EXPECT_FLOAT_EQ(normals[3 * v + 2], 1.0f);
    }
    EXPECT_EQ(mesh.GetIndexBuffer()->GetIndexCount(), 3u);
    EXPECT_EQ(mesh.GetPrimitiveType(), uint32_t(RMesh::PRIMITIVE_TRIANGLES));
}

TEST_F(MeshFileTest, TangentsFollowTheStreamsWhereverTheyLie)
{
    ASSERT_TRUE(Load(TriangleFile({STREAM_TEXCOORD0, STREAM_COLOR, STREAM_NORMAL, STREAM_POSITION})));
    RM3DData record;
    ReadBack(&record);
    ASSERT_EQ(record.streams.getCount(), 5u);
    EXPECT_EQ(record.streams[4].usage, uint32_t(STREAM_TANGENT));
    std::vector<float> tangents = StreamValues<float>(record, 4);
    EXPECT_FLOAT_EQ(tangents[0], 1.0f);
    std::vector<uint32_t> colours = StreamValues<uint32_t>(record, 1);
    EXPECT_EQ(colours, (std::vector<uint32_t>{0x11223344u, 0x55667788u, 0x99AABBCCu}));
}

TEST_F(MeshFileTest, TangentFlagWithoutNormalsIsRefused)
{
    EXPECT_FALSE(Load(TriangleFile({STREAM_POSITION, STREAM_TEXCOORD0})));
    // Without the flag the same streams load as they are.
    ASSERT_TRUE(Load(TriangleFile({STREAM_POSITION, STREAM_TEXCOORD0}, 0)));
    EXPECT_EQ(mesh.GetVertexSet()->GetStreamCount(), 2u);
}

TEST_F(MeshFileTest, VersionTwoZeroHasNoFlagByte)
{
    FileBytes file;
    file.Header(2, 0, 1, 3, 3).U32(2).U16(2).U16(1).U16(0);
    AppendStream(file, STREAM_POSITION, &kPositions[0][0], 9);
    ASSERT_TRUE(Load(file.bytes));
    RM3DData record;
    ReadBack(&record);
    ASSERT_EQ(record.streams.getCount(), 1u);
    EXPECT_EQ(StreamValues<float>(record, 0)[3], 1.0f);
    EXPECT_EQ(record.indexData[0], 2);
    EXPECT_EQ(record.indexData[2], 0);
}

TEST_F(MeshFileTest, BuiltMeshRoundTripsThroughAFile)
{
    RMesh source;
    ASSERT_TRUE(RMeshUtil::MakeSphere(&source, 8, 5, 2.0f));
    RM3DData written;
    ASSERT_TRUE(RM3DData::FromBuffers(source.GetVertexSet(), source.GetIndexBuffer(), &written));
    ASSERT_TRUE(RM3DData::Write(folder.File("Sphere.m3d").c_str(), written));

    ASSERT_TRUE(RMesh::LoadM3D("Sphere.m3d", &mesh));
    RM3DData read;
    ReadBack(&read);
    ASSERT_EQ(read.streams.getCount(), written.streams.getCount());
    ASSERT_EQ(read.header.vertexCount, written.header.vertexCount);
    ASSERT_EQ(read.header.indexCount, 6 * 8 * 5);
    EXPECT_EQ(0, std::memcmp(read.indexData, written.indexData, 2 * written.header.indexCount));
    for (uint32_t s = 0; s < read.streams.getCount(); ++s) {
        EXPECT_EQ(read.streams[s].usage, written.streams[s].usage);
        EXPECT_EQ(read.streams[s].size, written.streams[s].size);
        EXPECT_EQ(StreamValues<uint8_t>(read, s), StreamValues<uint8_t>(written, s));
    }
    // The written file is exactly the record: header, flag, index size, indices, streams.
    uint64_t expectedSize = 20 + 1 + 4 + 2 * uint64_t(written.header.indexCount);
    for (const RM3DVertexStreamInfo& stream : written.streams)
        expectedSize += 8 + uint64_t(written.header.vertexCount) * stream.size;
    EXPECT_EQ(folder.Get("Sphere.m3d").size(), expectedSize);
    FreeGeometry(source);
}

TEST_F(MeshFileTest, BlendStreamsRoundTrip)
{
    const uint8_t blendIndices[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    const float blendWeights[2][4] = {{0.5f, 0.5f, 0, 0}, {1, 0, 0, 0}};
    const float positions[2][3] = {{0, 0, 0}, {1, 1, 1}};
    const RVertexStreamDesc streams[3] = {{positions, 12, STREAM_POSITION, false},
                                          {blendIndices, 4, STREAM_BLENDINDICES, false},
                                          {blendWeights, 16, STREAM_BLENDWEIGHT, false}};
    RMesh source;
    ASSERT_TRUE(RMeshUtil::CreateBuffers(&source, streams, 3, 2, nullptr, 0));
    RM3DData written;
    ASSERT_TRUE(RM3DData::FromBuffers(source.GetVertexSet(), nullptr, &written));
    EXPECT_EQ(written.header.indexCount, 0);
    ASSERT_TRUE(RM3DData::Write(folder.File("Blend.m3d").c_str(), written));
    FreeGeometry(source);

    ASSERT_TRUE(RMesh::LoadM3D("Blend.m3d", &mesh));
    RM3DData read;
    ReadBack(&read);
    ASSERT_EQ(read.streams.getCount(), 3u);
    EXPECT_EQ(StreamValues<uint8_t>(read, 1), StreamValues<uint8_t>(written, 1));
    EXPECT_EQ(StreamValues<float>(read, 2), StreamValues<float>(written, 2));
}

TEST_F(MeshFileTest, StreamsOfAnotherSizeThanTheirUsageAreNotWritten)
{
    const float positions[2][4] = {{0, 0, 0, 1}, {1, 1, 1, 1}};
    const RVertexStreamDesc stream = {positions, 16, STREAM_POSITION, false};
    RMesh source;
    ASSERT_TRUE(RMeshUtil::CreateBuffers(&source, &stream, 1, 2, nullptr, 0));
    RM3DData record;
    EXPECT_FALSE(RM3DData::FromBuffers(source.GetVertexSet(), source.GetIndexBuffer(), &record));
    EXPECT_EQ(record.streams.getCount(), 0u);
    EXPECT_EQ(record.header.streamCount, 0);
    EXPECT_FALSE(RM3DData::FromBuffers(nullptr, source.GetIndexBuffer(), &record));
    FreeGeometry(source);
}

TEST_F(MeshFileTest, MissingFilesAndNullPathsLeaveTheMeshAlone)
{
    ASSERT_TRUE(RMeshUtil::MakeCube(&mesh));
    RVertexSet* cube = mesh.GetVertexSet();
    EXPECT_FALSE(RMesh::LoadM3D(nullptr, &mesh));
    EXPECT_FALSE(RMesh::LoadM3D("Absent.m3d", &mesh));
    EXPECT_FALSE(RMesh::LoadM3D("Absent.m3d", nullptr));
    EXPECT_EQ(mesh.GetVertexSet(), cube);
    EXPECT_EQ(mesh.GetVertexSet()->GetVertexCount(), 24u);
}

TEST_F(MeshFileTest, WrongMagicIsRefused)
{
    std::vector<uint8_t> bytes = TriangleFile({STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0});
    ASSERT_TRUE(Load(bytes));
    FreeGeometry(mesh);
    for (int i = 0; i < 4; ++i) {
        std::vector<uint8_t> wrong = bytes;
        wrong[i] ^= 0x20;
        EXPECT_FALSE(Load(wrong)) << "magic byte " << i;
    }
}

TEST_F(MeshFileTest, EveryTruncationIsRefused)
{
    std::vector<uint8_t> bytes = TriangleFile({STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0, STREAM_COLOR});
    ASSERT_TRUE(Load(bytes));
    FreeGeometry(mesh);
    for (size_t size = 0; size < bytes.size(); ++size) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        RM3DData record;
        EXPECT_FALSE(ReadExact(cut, &record)) << "size " << size;
        EXPECT_EQ(record.streams.getCount(), 0u);
        EXPECT_EQ(record.indexData, nullptr);
        EXPECT_FALSE(Load(cut)) << "size " << size;
    }
}

TEST_F(MeshFileTest, HostileHeadersAreRefusedWithoutHugeAllocations)
{
    struct Case {
        const char* what;
        uint32_t streams, vertices, indices, indexSize, usage;
        bool loads;
    };
    const Case cases[] = {
        {"a sound file", 1, 3, 3, 2, STREAM_POSITION, true},
        {"vertex count near 2^31", 1, 0x7FFFFFFF, 3, 2, STREAM_POSITION, false},
        {"negative vertex count", 1, 0xFFFFFFFF, 3, 2, STREAM_POSITION, false},
        {"index count near 2^31", 1, 3, 0x7FFFFFFF, 2, STREAM_POSITION, false},
        {"negative index count", 1, 3, 0x80000000, 2, STREAM_POSITION, false},
        {"stream count near 2^31", 0x7FFFFFFF, 3, 3, 2, STREAM_POSITION, false},
        {"seventeen streams", 17, 3, 3, 2, STREAM_POSITION, false},
        {"index size 4", 1, 3, 3, 4, STREAM_POSITION, false},
        {"index size 0", 1, 3, 3, 0, STREAM_POSITION, false},
        {"huge index size", 1, 3, 3, 0xFFFFFFFF, STREAM_POSITION, false},
        {"unknown usage", 1, 3, 3, 2, 15, false},
        {"unset usage", 1, 3, 3, 2, STREAM_UNRECOGNISED, false},
        {"huge usage", 1, 3, 3, 2, 0xFFFFFFFF, false},
    };
    for (const Case& c : cases) {
        FileBytes file;
        file.Header(2, 1, c.streams, c.vertices, c.indices).U8(0).U32(c.indexSize).U16(0).U16(1).U16(2);
        file.U32(c.usage).U32(0xFFFFFFFF);
        for (int i = 0; i < 9; ++i)
            file.F32(0.5f);
        RM3DData record;
        EXPECT_EQ(ReadExact(file.bytes, &record), c.loads) << c.what;
        EXPECT_EQ(Load(file.bytes), c.loads) << c.what;
        FreeGeometry(mesh);
    }
}

TEST_F(MeshFileTest, IndicesBeyondTheVerticesAreRefused)
{
    std::vector<uint8_t> bytes = TriangleFile({STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0});
    // The third index (offset 20 header + 1 flag + 4 size + 4) names vertex 3 of 3.
    bytes[29] = 3;
    EXPECT_FALSE(Load(bytes));
    bytes[29] = 2;
    EXPECT_TRUE(Load(bytes));
}

TEST_F(MeshFileTest, RandomCorruptionsFailCleanlyOrLoad)
{
    std::vector<uint8_t> bytes = TriangleFile({STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0, STREAM_COLOR});
    std::mt19937 random(1234);
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> corrupt = bytes;
        int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f)
            corrupt[random() % corrupt.size()] = static_cast<uint8_t>(random());
        if (random() % 4 == 0)
            corrupt.resize(random() % corrupt.size());
        RM3DData record;
        ReadExact(corrupt, &record);
        if (Load(corrupt)) {
            ++loaded;
            // Whatever loads is consistent: every index names a vertex and no tangent is NaN.
            RM3DData back;
            ReadBack(&back);
            for (int32_t i = 0; i < back.header.indexCount; ++i)
                EXPECT_LT(back.indexData[i], back.header.vertexCount);
            for (uint32_t s = 0; s < back.streams.getCount(); ++s) {
                if (back.streams[s].usage == STREAM_TANGENT) {
                    for (float value : StreamValues<float>(back, s))
                        EXPECT_FALSE(std::isnan(value));
                }
            }
            FreeGeometry(mesh);
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST_F(MeshFileTest, WriteReplacesAFileOnlyWhenComplete)
{
    std::vector<uint8_t> old = {'o', 'l', 'd'};
    folder.Put("Keep.m3d", old);
    RM3DData record;
    EXPECT_FALSE(RM3DData::Write(nullptr, record));
    // A default record has no index size yet: nothing is written.
    EXPECT_FALSE(RM3DData::Write(folder.File("Keep.m3d").c_str(), record));
    record.indexSize = RM3DData::kIndexSize;
    record.header.streamCount = 1;  // but no stream
    EXPECT_FALSE(RM3DData::Write(folder.File("Keep.m3d").c_str(), record));
    record.header.streamCount = 0;
    EXPECT_FALSE(RM3DData::Write((folder.Path() + "/missing/Keep.m3d").c_str(), record));
    EXPECT_EQ(folder.Get("Keep.m3d"), old);

    ASSERT_TRUE(RM3DData::Write(folder.File("Keep.m3d").c_str(), record));
    std::vector<uint8_t> expected = FileBytes().Header(2, 1, 0, 0, 0).U8(0).U32(2).bytes;
    EXPECT_EQ(folder.Get("Keep.m3d"), expected);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"Keep.m3d"});
}

TEST_F(MeshFileTest, AnOlderHeaderIsWrittenWithoutTheFlagByte)
{
    RM3DData record;
    record.indexSize = RM3DData::kIndexSize;
    record.header.minorVersion = 0;
    record.tangentFlag = 1;
    ASSERT_TRUE(RM3DData::Write(folder.File("Old.m3d").c_str(), record));
    EXPECT_EQ(folder.Get("Old.m3d"), FileBytes().Header(2, 0, 0, 0, 0).U32(2).bytes);
    RM3DData read;
    EXPECT_TRUE(ReadExact(folder.Get("Old.m3d"), &read));
}
