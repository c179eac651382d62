// RM3DData: a ".m3d" mesh file in memory: the header, the tangent request, the 16-bit indices and the vertex
// streams, each tagged with its semantic. The record owns every index and stream array it holds (allocated with
// new[]) and frees them on Reset and destruction. Reading checks every count against the bytes present, so a
// truncated or hostile file is refused before anything is allocated for it.
//
// File layout, little-endian: the 20-byte header; a tangent-flag byte only when major >= 2 and minor >= 1; the
// index size (u32); index count x index size bytes; per stream its usage (u32), its size (u32) and vertex count x
// size bytes.
#pragma once

#include <cstdint>

#include "core/types/RUtilVector.h"
#include "render/geometry/RStreamUsage.h"

class RVertexSet;
class RIndexBuffer;

struct RM3DHeader {
    static constexpr uint32_t kBytes = 20;

    uint8_t magic[4] = {'.', 'm', '3', 'd'};
    uint8_t majorVersion = 2;
    uint8_t minorVersion = 1;
    uint16_t reserved = 0;
    int32_t streamCount = 0;
    int32_t vertexCount = 0;
    int32_t indexCount = 0;
};

// One vertex stream: its semantic, bytes per vertex and vertex count x size bytes (null when there are none).
struct RM3DVertexStreamInfo {
    uint32_t usage = STREAM_UNRECOGNISED;
    uint32_t size = 0;
    uint8_t* data = nullptr;
};

class RM3DData {
public:
    // Indices are 16-bit in every file the engine reads or writes.
    static constexpr uint32_t kIndexSize = 2;

    RM3DData() = default;
    ~RM3DData() { Reset(); }
    RM3DData(const RM3DData&) = delete;
    RM3DData& operator=(const RM3DData&) = delete;

    // Frees every array and puts the defaults back: magic ".m3d", version 2.1, zero counts, no tangent request,
    // index size 0, no indices, no streams.
    void Reset();

    // Parses a whole file. Each stream takes the size its usage implies (12 bytes for POSITION to BINORMAL, 4 for
    // COLOR, 8 for the texture coordinates, 4 for BLENDINDICES, 16 for BLENDWEIGHT); the size field in the file
    // is not read. A file that ends inside a stream keeps the vertices not read at the stream's prefill
    // (0xFF000000 for COLOR, zero otherwise) and ends the streams there, the header's stream count lowered to
    // match; so does one that ends between streams, after the first. False, with the record reset, for a wrong
    // magic, a negative count, more than 16 streams, an index size other than 2, an unknown usage, an index not
    // below the vertex count, bytes missing from the header or the indices, no stream where one is announced, or
    // a stream that ends early in a mesh of more than 65,536 vertices (more than 16-bit indices can name), so
    // that no buffer is ever made larger than the file or one mebibyte. Bytes after the last stream are ignored.
    bool Read(const uint8_t* bytes, uint64_t size);

    // Resets the record and fills it with copies of the buffers' contents, read through their locks: version 2.1,
    // no tangent request, the set's streams in order, the index buffer's indices (none when it is null). False,
    // with the record reset, for a null vertex set, a stream whose bytes per vertex are not the size its usage
    // implies (a reader would misread it), or a buffer that cannot be mapped; false for a null record.
    static bool FromBuffers(RVertexSet* vertexSet, RIndexBuffer* indexBuffer, RM3DData* record);

    // Writes the record to the file at path through a temporary file that replaces it only when every byte was
    // written: the header as held, the tangent-flag byte when the header's version has one, the index size, the
    // indices and the streams. False, leaving any old file as it was, for a null path, an index size other than
    // 2, a record whose counts disagree with what it holds, or any failed write.
    static bool Write(const char* path, const RM3DData& record);

    // The first stream with this usage, or null.
    const RM3DVertexStreamInfo* FindStream(uint32_t usage) const;

    RM3DHeader header;
    uint8_t tangentFlag = 0;
    uint32_t indexSize = 0;
    uint16_t* indexData = nullptr;
    RUtilVector<RM3DVertexStreamInfo> streams;
};
