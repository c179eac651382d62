// Mesh files: records read from and written to real files in a temporary folder, meshes loaded through the stream
// manager into GL buffers, and malformed files (truncated, corrupted, huge counts, wrong magic) refused cleanly.
#include "GLTestSupport.h"
#include "ImageTestFiles.h"

#include <cmath>
#include <filesystem>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/files/RStreamMgr.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RM3DData.h"
#include "render/geometry/RMesh.h"
#include "render/geometry/RMeshUtil.h"

using namespace gltest;

namespace {

// Little-endian bytes of a mesh file, built field by field.
struct FileBytes {
    std::vector<uint8_t> bytes;

    FileBytes& U(uint32_t value, int size = 4)
    {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    FileBytes& F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return U(bits);
    }
    FileBytes& Header(uint8_t major, uint8_t minor, uint32_t streams, uint32_t vertices, uint32_t indices)
    {
        bytes.insert(bytes.end(), {'.', 'm', '3', 'd', major, minor, 0, 0});
        return U(streams).U(vertices).U(indices);
    }
};

// One right triangle in the z = 0 plane, u along +x and v along +y: its tangent is +x. The normals are not unit
// length: loading normalises them.
const float kPositions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const float kNormals[9] = {0, 0, 2, 0, 0, 3, 0, 0, 4};
const float kTexCoords[6] = {0, 0, 1, 0, 0, 1};

// A version 2.1 file with the tangent flag, streams in the given usage order (COLOR as three packed colours) and
// indices 0 1 2.
std::vector<uint8_t> TriangleFile(std::vector<uint32_t> usages, uint8_t tangentFlag = 1)
{
    FileBytes file;
    file.Header(2, 1, static_cast<uint32_t>(usages.size()), 3, 3).U(tangentFlag, 1).U(2).U(0, 2).U(1, 2).U(2, 2);
    for (uint32_t usage : usages) {
        file.U(usage).U(usage == STREAM_TEXCOORD0 ? 8 : usage == STREAM_COLOR ? 4 : 12);
        const float* values = usage == STREAM_POSITION ? kPositions : usage == STREAM_NORMAL ? kNormals : kTexCoords;
        if (usage == STREAM_COLOR)
            file.U(0x11223344u).U(0x55667788u).U(0x99AABBCCu);
        else
            for (int i = 0; i < (usage == STREAM_TEXCOORD0 ? 6 : 9); ++i)
                file.F32(values[i]);
    }
    return file.bytes;
}

// Parses bytes from an allocation of exactly their size, so that a read past the end is an overrun the address
// sanitizer sees.
bool ReadExact(const std::vector<uint8_t>& bytes, RM3DData* record)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() ? bytes.size() : 1]);
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return record->Read(bytes.empty() ? nullptr : copy.get(), bytes.size());
}

template <typename T> std::vector<T> StreamValues(const RM3DData& record, uint32_t index)
{
    const size_t bytes = static_cast<size_t>(record.header.vertexCount) * record.streams[index].size;
    std::vector<T> values(bytes / sizeof(T));
    if (bytes)
        std::memcpy(values.data(), record.streams[index].data, bytes);
    return values;
}

class MeshFileTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        if (IsSkipped())
            return;
        RStreamMgr::GetInstance()->AddSearchPath(folder.path.c_str());
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
    std::string File(const std::string& name) const { return folder.File(name); }
    std::vector<uint8_t> Get(const std::string& name) const { return imagetest::ReadBytes(File(name)); }

    // Parses bytes as a record (noting the result in parsed) and loads them as a file, freeing what loads unless
    // asked to keep it; on failure the mesh must be exactly as it was and the record empty.
    bool Load(const std::vector<uint8_t>& bytes, bool keep = false)
    {
        RM3DData record;
        parsed = ReadExact(bytes, &record);
        EXPECT_TRUE(parsed || (record.streams.getCount() == 0 && record.indexData == nullptr));
        folder.Put("Test.m3d", bytes);
        RVertexSet* before = mesh.GetVertexSet();
        RIndexBuffer* beforeIndices = mesh.GetIndexBuffer();
        const bool loaded = RMesh::LoadM3D("Test.m3d", &mesh);
        if (!loaded) {
            EXPECT_EQ(mesh.GetVertexSet(), before);
            EXPECT_EQ(mesh.GetIndexBuffer(), beforeIndices);
        } else if (!keep) {
            FreeGeometry(mesh);
        }
        return loaded;
    }

    // The loaded mesh's buffers read back into a record.
    void ReadBack(RM3DData* record)
    {
        ASSERT_NE(mesh.GetVertexSet(), nullptr);
        ASSERT_TRUE(RM3DData::FromBuffers(mesh.GetVertexSet(), mesh.GetIndexBuffer(), record));
    }

    imagetest::TempFolder folder;
    RMesh mesh;
    bool parsed = false;
};

}  // namespace

TEST_F(MeshFileTest, BuiltMeshesRoundTripThroughAFile)
{
    const float blendWeights[2][4] = {{0.5f, 0.5f, 0, 0}, {1, 0, 0, 0}};
    const uint8_t blendIndices[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    const RVertexStreamDesc blendStreams[3] = {{kPositions, 12, STREAM_POSITION, false},
                                               {blendIndices, 4, STREAM_BLENDINDICES, false},
                                               {blendWeights, 16, STREAM_BLENDWEIGHT, false}};
    RMesh sphere, blend;
    ASSERT_TRUE(RMeshUtil::MakeSphere(&sphere, 8, 5, 2.0f));
    ASSERT_TRUE(RMeshUtil::CreateBuffers(&blend, blendStreams, 3, 2, nullptr, 0));
    for (RMesh* source : {&sphere, &blend}) {
        RM3DData written;
        ASSERT_TRUE(RM3DData::FromBuffers(source->GetVertexSet(), source->GetIndexBuffer(), &written));
        ASSERT_TRUE(RM3DData::Write(File("Round.m3d").c_str(), written));
        ASSERT_TRUE(RMesh::LoadM3D("Round.m3d", &mesh));
        RM3DData read;
        ReadBack(&read);
        ASSERT_EQ(read.streams.getCount(), written.streams.getCount());
        ASSERT_EQ(read.header.vertexCount, written.header.vertexCount);
        ASSERT_EQ(read.header.indexCount, source == &sphere ? 6 * 8 * 5 : 0);
        EXPECT_EQ(std::vector<uint16_t>(read.indexData, read.indexData + read.header.indexCount),
                  std::vector<uint16_t>(written.indexData, written.indexData + written.header.indexCount));
        for (uint32_t s = 0; s < read.streams.getCount(); ++s) {
            EXPECT_EQ(read.streams[s].usage, written.streams[s].usage);
            EXPECT_EQ(StreamValues<uint8_t>(read, s), StreamValues<uint8_t>(written, s));
        }
        // The written file is exactly the record: header, flag, index size, indices, streams.
        uint64_t expectedSize = 20 + 1 + 4 + 2 * uint64_t(written.header.indexCount);
        for (const RM3DVertexStreamInfo& stream : written.streams)
            expectedSize += 8 + uint64_t(written.header.vertexCount) * stream.size;
        EXPECT_EQ(Get("Round.m3d").size(), expectedSize);
        FreeGeometry(mesh);
        FreeGeometry(*source);
    }

}

TEST_F(MeshFileTest, MalformedFilesAreRefusedAndLeaveTheMeshAlone)
{
    const std::vector<uint8_t> good = TriangleFile({STREAM_POSITION, STREAM_NORMAL, STREAM_TEXCOORD0, STREAM_COLOR});
    ASSERT_TRUE(Load(good));
    // Every truncation: one inside the header, the indices or the first stream's header is refused; one inside a
    // stream reads (the rest at its prefill) and loads once the texture coordinates that tangents need have begun
    // (header 20, flag 1, size 4, indices 6, then per stream 8 and its data: 36, 36, 24, 12).
    const size_t firstStreamData = 20 + 1 + 4 + 6 + 8;
    const size_t texCoordData = firstStreamData + 36 + 8 + 36 + 8;
    for (size_t size = 0; size < good.size(); ++size) {
        EXPECT_EQ(size >= texCoordData, Load(std::vector<uint8_t>(good.begin(), good.begin() + size))) << size;
        EXPECT_EQ(size >= firstStreamData, parsed) << "size " << size;
    }
    ASSERT_TRUE(RMeshUtil::MakeCube(&mesh));
    RVertexSet* cube = mesh.GetVertexSet();
    EXPECT_FALSE(RMesh::LoadM3D(nullptr, &mesh));
    EXPECT_FALSE(RMesh::LoadM3D("Absent.m3d", &mesh));
    // Wrong magic, and an index naming vertex 3 of 3.
    for (int i = 0; i < 4; ++i) {
        std::vector<uint8_t> wrong = good;
        wrong[i] ^= 0x20;
        EXPECT_FALSE(Load(wrong)) << "magic byte " << i;
    }
    std::vector<uint8_t> beyond = good;
    beyond[29] = 3;
    EXPECT_FALSE(Load(beyond));
    EXPECT_EQ(mesh.GetVertexSet(), cube);
    EXPECT_EQ(cube->GetVertexCount(), 24u);
    FreeGeometry(mesh);

    // Hostile headers are refused without huge allocations.
    const struct {
        const char* what;
        uint32_t streams, vertices, indices, indexSize, usage;
        bool loads;
    } cases[] = {
        {"a sound file", 1, 3, 3, 2, STREAM_POSITION, true},
        {"vertex count near 2^31", 1, 0x7FFFFFFF, 3, 2, STREAM_POSITION, false},
        {"negative vertex count", 1, 0xFFFFFFFF, 3, 2, STREAM_POSITION, false},
        {"index count near 2^31", 1, 3, 0x7FFFFFFF, 2, STREAM_POSITION, false},
        {"stream count near 2^31", 0x7FFFFFFF, 3, 3, 2, STREAM_POSITION, false},
        {"seventeen streams", 17, 3, 3, 2, STREAM_POSITION, false},
        {"index size 4", 1, 3, 3, 4, STREAM_POSITION, false},
        {"huge index size", 1, 3, 3, 0xFFFFFFFF, STREAM_POSITION, false},
        {"unknown usage", 1, 3, 3, 2, 15, false},
        {"huge usage", 1, 3, 3, 2, 0xFFFFFFFF, false},
    };
    for (const auto& c : cases) {
        FileBytes file;
        file.Header(2, 1, c.streams, c.vertices, c.indices).U(0, 1).U(c.indexSize).U(0, 2).U(1, 2).U(2, 2);
        file.U(c.usage).U(0xFFFFFFFF);
        for (int i = 0; i < 9; ++i)
            file.F32(0.5f);
        EXPECT_EQ(Load(file.bytes), c.loads) << c.what;
        EXPECT_EQ(parsed, c.loads) << c.what;
    }

    // Random corruptions fail cleanly or load something consistent: every index names a vertex, no tangent is NaN.
    std::mt19937 random(1234);
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> corrupt = good;
        for (int f = 1 + static_cast<int>(random() % 4); f > 0; --f)
            corrupt[random() % corrupt.size()] = static_cast<uint8_t>(random());
        if (random() % 4 == 0)
            corrupt.resize(random() % corrupt.size());
        FreeGeometry(mesh);
        if (!Load(corrupt, true))
            continue;
        ++loaded;
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
    }
    EXPECT_GT(loaded, 0);
}

TEST_F(MeshFileTest, StreamsThatEndEarlyKeepTheirPrefillWithinBoundedBuffers)
{
    // Positions whole, colours cut after the first: the other two keep opaque black.
    const std::vector<uint8_t> whole = TriangleFile({STREAM_POSITION, STREAM_COLOR}, 0);
    ASSERT_TRUE(Load(std::vector<uint8_t>(whole.begin(), whole.end() - 8), true));
    RM3DData back;
    ReadBack(&back);
    ASSERT_EQ(2u, back.streams.getCount());
    EXPECT_EQ((std::vector<uint32_t>{0x11223344u, 0xFF000000u, 0xFF000000u}), StreamValues<uint32_t>(back, 1));
    FreeGeometry(mesh);

    // Positions cut inside the second vertex, with a colour stream announced after them: zeros, and no colours.
    const std::vector<uint8_t> cut = TriangleFile({STREAM_POSITION, STREAM_COLOR}, 0);
    ASSERT_TRUE(Load(std::vector<uint8_t>(cut.begin(), cut.begin() + 20 + 1 + 4 + 6 + 8 + 16), true));
    RM3DData positions;
    ReadBack(&positions);
    ASSERT_EQ(1u, positions.streams.getCount());
    EXPECT_EQ((std::vector<float>{0, 0, 0, 1, 0, 0, 0, 0, 0}), StreamValues<float>(positions, 0));
    FreeGeometry(mesh);

    // A buffer larger than the file is made only for as many vertices as 16-bit indices name.
    for (uint32_t vertices : {65536u, 65537u, 0x7FFFFFFFu}) {
        FileBytes file;
        file.Header(2, 1, 1, vertices, 3).U(0, 1).U(2).U(0, 2).U(1, 2).U(2, 2).U(STREAM_COLOR).U(4).U(0x11223344u);
        EXPECT_EQ(vertices <= 65536u, Load(file.bytes)) << vertices;
    }
}

TEST_F(MeshFileTest, WriteReplacesAFileOnlyWhenComplete)
{
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    std::ofstream(File("Keep.m3d"), std::ios::binary).write("old", 3);
    RM3DData record;
    EXPECT_FALSE(RM3DData::Write(nullptr, record));
    EXPECT_FALSE(RM3DData::Write(File("Keep.m3d").c_str(), record));  // no index size yet
    record.indexSize = RM3DData::kIndexSize;
    record.header.streamCount = 1;  // but no stream
    EXPECT_FALSE(RM3DData::Write(File("Keep.m3d").c_str(), record));
    record.header.streamCount = 0;
    EXPECT_FALSE(RM3DData::Write(File("missing/Keep.m3d").c_str(), record));
    EXPECT_EQ(Get("Keep.m3d"), old);
    ASSERT_TRUE(RM3DData::Write(File("Keep.m3d").c_str(), record));
    EXPECT_EQ(Get("Keep.m3d"), FileBytes().Header(2, 1, 0, 0, 0).U(0, 1).U(2).bytes);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Keep.m3d"});

    // An older header is written without the flag byte.
    record.header.minorVersion = 0;
    record.tangentFlag = 1;
    ASSERT_TRUE(RM3DData::Write(File("Old.m3d").c_str(), record));
    EXPECT_EQ(Get("Old.m3d"), FileBytes().Header(2, 0, 0, 0, 0).U(2).bytes);
    RM3DData read;
    EXPECT_TRUE(ReadExact(Get("Old.m3d"), &read));
}
