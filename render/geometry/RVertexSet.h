// RVertexSet: up to 16 vertex streams of one vertex count, each in its own GL buffer, with the semantic each
// stream feeds. The set owns its buffer and declaration wrappers from Create to Destroy (or destruction).
#pragma once

#include <cstdint>

#include "render/geometry/RStreamUsage.h"

class RGLObjectVertexBuffer;
class RGLObjectVertexDeclaration;

// What a creator passes per stream: bytesPerVertex x vertex count bytes of data (null leaves the stream's
// contents undefined, to be written through RVertexSet::LockStream), the semantic, and whether the stream is
// updated in place.
struct RVertexStreamDesc {
    const void* data;
    uint32_t bytesPerVertex;
    StreamUsage usage;
    bool dynamic;
};

class RVertexSet {
public:
    static constexpr uint32_t kMaxStreams = 16;

    RVertexSet() = default;
    ~RVertexSet() { Destroy(); }
    RVertexSet(const RVertexSet&) = delete;
    RVertexSet& operator=(const RVertexSet&) = delete;

    // Builds every stream (a buffer filled from its data) and the declaration, destroying what the set held
    // before. Fails, holding nothing, for more than kMaxStreams streams, a stream of zero bytes per vertex, a
    // stream above 2 GiB, or a buffer that cannot be created or filled.
    bool Create(const RVertexStreamDesc* streams, uint32_t streamCount, uint32_t vertexCount);
    // Deletes every stream buffer, then the declaration. Safe to call twice.
    void Destroy();

    // The whole stream, mapped write-only when the set has a dynamic stream and writeOnly is asked, otherwise
    // read-write; null for an index out of range or a mapping that fails. Unlock before drawing.
    void* LockStream(uint32_t index, bool writeOnly);
    void UnlockStream(uint32_t index);

    uint32_t GetVertexCount() const { return m_vertexCount; }
    uint32_t GetStreamCount() const { return m_streamCount; }
    RGLObjectVertexBuffer* GetStream(uint32_t index) const
    {
        return index < m_streamCount ? m_streams[index] : nullptr;
    }
    uint32_t GetBytesPerVertex(uint32_t index) const { return index < m_streamCount ? m_bytesPerVertex[index] : 0; }
    StreamUsage GetUsage(uint32_t index) const { return index < m_streamCount ? m_usages[index] : STREAM_UNRECOGNISED; }
    RGLObjectVertexDeclaration* GetDeclaration() const { return m_declaration; }
    bool IsDynamic() const { return m_anyDynamic; }

private:
    bool CreateStream(uint32_t index, const RVertexStreamDesc& desc);

    RGLObjectVertexBuffer* m_streams[kMaxStreams] = {};
    uint32_t m_bytesPerVertex[kMaxStreams] = {};
    StreamUsage m_usages[kMaxStreams] = {};
    uint32_t m_vertexCount = 0;
    uint32_t m_streamCount = 0;
    RGLObjectVertexDeclaration* m_declaration = nullptr;
    bool m_anyDynamic = false;
};
