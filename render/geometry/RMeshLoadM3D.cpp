// RMesh: loading a ".m3d" file into the mesh's vertex set and index buffer.
#include "render/geometry/RMesh.h"

#include <cstring>

#include "core/files/RStreamMgr.h"
#include "core/types/RUtilVector.h"
#include "render/geometry/RM3DData.h"
#include "render/geometry/RMeshUtil.h"

namespace {

// The first stream of texture coordinates, whichever set it is.
const RM3DVertexStreamInfo* FindTexCoordStream(const RM3DData& record)
{
    for (const RM3DVertexStreamInfo& stream : record.streams) {
        if (stream.usage >= STREAM_TEXCOORD0 && stream.usage <= STREAM_TEXCOORD7)
            return &stream;
    }
    return nullptr;
}

template <typename T> void CopyStream(RUtilVector<T>& out, const RM3DVertexStreamInfo& stream, uint32_t count)
{
    out.setSize(count);
    if (count > 0)
        std::memcpy(static_cast<void*>(out.getData()), stream.data, static_cast<uint64_t>(count) * sizeof(T));
}

}  // namespace

bool RMesh::LoadM3D(const char* path, RMesh* mesh)
{
    if (!path || !mesh)
        return false;
    RStreamMgr* streamMgr = RStreamMgr::GetInstance();
    if (!streamMgr->Exists(path, RStreamMgr::kPacksAndFolders))
        return false;
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    streamMgr->ReadFile(path, &bytes, &size, RStreamMgr::kPacksAndFolders, false);
    if (!bytes)
        return false;
    RM3DData record;
    bool ok = record.Read(bytes, size);
    delete[] bytes;
    if (!ok)
        return false;

    uint32_t streamCount = record.streams.getCount();
    uint32_t vertexCount = static_cast<uint32_t>(record.header.vertexCount);
    bool withTangents = record.tangentFlag != 0;
    if (streamCount + (withTangents ? 1 : 0) > RVertexSet::kMaxStreams)
        return false;
    RVertexStreamDesc descs[RVertexSet::kMaxStreams];
    for (uint32_t s = 0; s < streamCount; ++s) {
        const RM3DVertexStreamInfo& stream = record.streams[s];
        descs[s] = {stream.data, stream.size, static_cast<StreamUsage>(stream.usage), false};
    }

    // Tangents come from the positions, the normals (which go to the vertex set normalised) and the first
    // texture coordinates, wherever in the file those streams lie.
    RUtilVector<RVector3> positions;
    RUtilVector<RVector3> normals;
    RUtilVector<RVector2> texCoords;
    RUtilVector<RVector3> tangents;
    if (withTangents) {
        const RM3DVertexStreamInfo* positionStream = record.FindStream(STREAM_POSITION);
        const RM3DVertexStreamInfo* normalStream = record.FindStream(STREAM_NORMAL);
        const RM3DVertexStreamInfo* texCoordStream = FindTexCoordStream(record);
        if (!positionStream || !normalStream || !texCoordStream)
            return false;
        CopyStream(positions, *positionStream, vertexCount);
        CopyStream(normals, *normalStream, vertexCount);
        CopyStream(texCoords, *texCoordStream, vertexCount);
        tangents.setSize(vertexCount);
        for (RVector3& tangent : tangents)
            tangent = RVector3{0.0f, 0.0f, 0.0f};
        RMeshUtil::GenerateTangents(vertexCount, static_cast<uint32_t>(record.header.indexCount), record.indexData,
                                    positions.getData(), normals.getData(), texCoords.getData(),
                                    tangents.getData(), nullptr);
        descs[normalStream - record.streams.getData()].data = normals.getData();
        descs[streamCount] = {tangents.getData(), sizeof(RVector3), STREAM_TANGENT, false};
    }
    return RMeshUtil::CreateBuffers(mesh, descs, streamCount + (withTangents ? 1 : 0), vertexCount,
                                    record.indexData, static_cast<uint32_t>(record.header.indexCount));
}
