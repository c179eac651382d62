#include "render/geometry/RM3DData.h"

#include <cstring>
#include <new>

#include "core/types/RByteOrder.h"
#include "core/files/RSafeFileWriter.h"
#include "render/geometry/RIndexBuffer.h"
#include "render/geometry/RVertexSet.h"

// Index and vertex arrays are copied to and from files as they lie in memory.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "mesh files are little-endian");

namespace {

// The most streams a file may hold: one vertex set's worth.
constexpr int32_t kMaxStreams = 16;
// The most vertices of a mesh whose file may end inside a stream: as many as 16-bit indices can name.
constexpr uint64_t kMaxEndedEarlyVertices = 65536;

// Reads little-endian values from a byte range, failing (and staying failed) at its end.
class ByteReader {
public:
    ByteReader(const uint8_t* bytes, uint64_t size) : m_bytes(bytes), m_left(bytes ? size : 0) {}

    uint64_t Left() const { return m_left; }

    bool Take(void* out, uint64_t count)
    {
        if (count > m_left)
            return false;
        if (count > 0)
            std::memcpy(out, m_bytes, count);
        m_bytes += count;
        m_left -= count;
        return true;
    }

    bool U8(uint8_t* out) { return Take(out, 1); }

    bool U16(uint16_t* out)
    {
        uint8_t b[2];
        if (!Take(b, 2))
            return false;
        *out = ReadLE16(b);
        return true;
    }

    bool U32(uint32_t* out)
    {
        uint8_t b[4];
        if (!Take(b, 4))
            return false;
        *out = ReadLE32(b);
        return true;
    }

    bool I32(int32_t* out)
    {
        uint32_t value = 0;
        if (!U32(&value))
            return false;
        *out = static_cast<int32_t>(value);
        return true;
    }

private:
    const uint8_t* m_bytes;
    uint64_t m_left;
};

// The flag byte follows the header exactly when both version numbers are high enough.
bool HasTangentFlag(const RM3DHeader& header)
{
    return header.majorVersion >= 2 && header.minorVersion >= 1;
}

}  // namespace

void RM3DData::Reset()
{
    delete[] indexData;
    indexData = nullptr;
    for (RM3DVertexStreamInfo& stream : streams)
        delete[] stream.data;
    streams.free();
    header = RM3DHeader();
    tangentFlag = 0;
    indexSize = 0;
}

const RM3DVertexStreamInfo* RM3DData::FindStream(uint32_t usage) const
{
    for (const RM3DVertexStreamInfo& stream : streams) {
        if (stream.usage == usage)
            return &stream;
    }
    return nullptr;
}

bool RM3DData::Read(const uint8_t* bytes, uint64_t size)
{
    Reset();
    ByteReader in(bytes, size);
    bool ok = in.Take(header.magic, 4) && std::memcmp(header.magic, ".m3d", 4) == 0 &&
              in.U8(&header.majorVersion) && in.U8(&header.minorVersion) && in.U16(&header.reserved) &&
              in.I32(&header.streamCount) && in.I32(&header.vertexCount) && in.I32(&header.indexCount) &&
              header.streamCount >= 0 && header.streamCount <= kMaxStreams && header.vertexCount >= 0 &&
              header.indexCount >= 0;
    if (ok && HasTangentFlag(header))
        ok = in.U8(&tangentFlag);
    ok = ok && in.U32(&indexSize) && indexSize == kIndexSize;

    // Every array is sized from counts already checked against the bytes that remain.
    uint64_t indexCount = static_cast<uint64_t>(header.indexCount);
    uint64_t vertexCount = static_cast<uint64_t>(header.vertexCount);
    if (ok && indexCount > 0) {
        ok = indexCount * kIndexSize <= in.Left();
        indexData = ok ? new (std::nothrow) uint16_t[indexCount] : nullptr;
        ok = indexData != nullptr;
        for (uint64_t i = 0; ok && i < indexCount; ++i)
            ok = in.U16(&indexData[i]) && indexData[i] < vertexCount;
    }
    // A file may end inside a stream: the vertices not read keep the stream's prefill (opaque black for colours,
    // zero otherwise) and the streams that would follow are left out. Only a mesh whose every vertex a 16-bit
    // index can name may end early, so that such a buffer is never larger than one mebibyte; a larger one must
    // hold all its bytes.
    bool ended = false;
    for (int32_t s = 0; ok && !ended && s < header.streamCount; ++s) {
        RM3DVertexStreamInfo stream;
        uint32_t sizeInFile = 0;
        if (s > 0 && in.Left() < 8) {
            header.streamCount = s;
            break;
        }
        ok = in.U32(&stream.usage) && in.U32(&sizeInFile);
        stream.size = ok ? StreamUsageByteSize(static_cast<StreamUsage>(stream.usage)) : 0;
        const uint64_t streamBytes = vertexCount * stream.size;
        const uint64_t present = streamBytes < in.Left() ? streamBytes : in.Left();
        ok = ok && stream.size > 0 && (present == streamBytes || vertexCount <= kMaxEndedEarlyVertices);
        if (ok && streamBytes > 0) {
            stream.data = new (std::nothrow) uint8_t[streamBytes];
            ok = stream.data != nullptr;
            if (ok && present < streamBytes) {
                std::memset(stream.data, 0, streamBytes);
                if (stream.usage == STREAM_COLOR) {
                    uint8_t black[4];
                    PutLE32(black, 0xFF000000u);
                    for (uint64_t v = 0; v < vertexCount; ++v)
                        std::memcpy(stream.data + v * stream.size, black, sizeof black);
                }
                ended = true;
                header.streamCount = s + 1;
            }
            ok = ok && in.Take(stream.data, present);
        }
        if (ok)
            streams.push(stream);
        else
            delete[] stream.data;
    }
    if (!ok)
        Reset();
    return ok;
}

bool RM3DData::FromBuffers(RVertexSet* vertexSet, RIndexBuffer* indexBuffer, RM3DData* record)
{
    if (!record)
        return false;
    record->Reset();
    if (!vertexSet)
        return false;
    uint32_t vertexCount = vertexSet->GetVertexCount();
    uint32_t indexCount = indexBuffer ? indexBuffer->GetIndexCount() : 0;
    if (vertexCount > INT32_MAX || indexCount > INT32_MAX)
        return false;
    record->header.streamCount = static_cast<int32_t>(vertexSet->GetStreamCount());
    record->header.vertexCount = static_cast<int32_t>(vertexCount);
    record->header.indexCount = static_cast<int32_t>(indexCount);
    record->indexSize = kIndexSize;

    bool ok = true;
    if (indexCount > 0) {
        const uint16_t* mapped = indexBuffer->Lock();
        record->indexData = mapped ? new (std::nothrow) uint16_t[indexCount] : nullptr;
        ok = record->indexData != nullptr;
        if (ok)
            std::memcpy(record->indexData, mapped, static_cast<uint64_t>(indexCount) * kIndexSize);
        if (mapped)
            indexBuffer->Unlock();
    }
    for (uint32_t s = 0; ok && s < vertexSet->GetStreamCount(); ++s) {
        RM3DVertexStreamInfo stream;
        stream.usage = vertexSet->GetUsage(s);
        stream.size = vertexSet->GetBytesPerVertex(s);
        ok = stream.size > 0 && stream.size == StreamUsageByteSize(static_cast<StreamUsage>(stream.usage));
        uint64_t streamBytes = static_cast<uint64_t>(vertexCount) * stream.size;
        if (ok && streamBytes > 0) {
            const void* mapped = vertexSet->LockStream(s, false);
            stream.data = mapped ? new (std::nothrow) uint8_t[streamBytes] : nullptr;
            ok = stream.data != nullptr;
            if (ok)
                std::memcpy(stream.data, mapped, streamBytes);
            if (mapped)
                vertexSet->UnlockStream(s);
        }
        if (ok)
            record->streams.push(stream);
        else
            delete[] stream.data;
    }
    if (!ok)
        record->Reset();
    return ok;
}

bool RM3DData::Write(const char* path, const RM3DData& record)
{
    const RM3DHeader& header = record.header;
    if (!path || header.streamCount < 0 || header.vertexCount < 0 || header.indexCount < 0 ||
        static_cast<uint32_t>(header.streamCount) != record.streams.getCount() || record.indexSize != kIndexSize ||
        (header.indexCount > 0 && !record.indexData))
        return false;
    for (const RM3DVertexStreamInfo& stream : record.streams) {
        if (header.vertexCount > 0 && stream.size > 0 && !stream.data)
            return false;
    }

    RSafeFileWriter writer;
    if (!writer.Open(path))
        return false;
    uint8_t headerBytes[RM3DHeader::kBytes];
    std::memcpy(headerBytes, header.magic, 4);
    headerBytes[4] = header.majorVersion;
    headerBytes[5] = header.minorVersion;
    PutLE16(headerBytes + 6, header.reserved);
    PutLE32(headerBytes + 8, static_cast<uint32_t>(header.streamCount));
    PutLE32(headerBytes + 12, static_cast<uint32_t>(header.vertexCount));
    PutLE32(headerBytes + 16, static_cast<uint32_t>(header.indexCount));
    writer.Write(headerBytes, sizeof headerBytes);
    // A reader takes the flag byte only from a version that has one; writing it for any other would shift
    // everything after it.
    if (HasTangentFlag(header))
        writer.Write(&record.tangentFlag, 1);
    writer.WriteU32(record.indexSize);
    writer.Write(record.indexData, static_cast<uint64_t>(header.indexCount) * kIndexSize);
    for (const RM3DVertexStreamInfo& stream : record.streams) {
        writer.WriteU32(stream.usage);
        writer.WriteU32(stream.size);
        writer.Write(stream.data, static_cast<uint64_t>(header.vertexCount) * stream.size);
    }
    return writer.Commit();
}
