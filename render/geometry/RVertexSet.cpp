#include "render/geometry/RVertexSet.h"

#include <cstring>

#include "render/device/RGLObject.h"
#include "render/frame/RRenderer.h"

namespace {
// The largest stream GL takes as one buffer size here.
constexpr uint64_t kMaxStreamBytes = 0x7FFFFFFF;
}

bool RVertexSet::Create(const RVertexStreamDesc* streams, uint32_t streamCount, uint32_t vertexCount)
{
    Destroy();
    if (streamCount > kMaxStreams || (streamCount > 0 && !streams))
        return false;
    m_vertexCount = vertexCount;
    for (uint32_t i = 0; i < streamCount; ++i) {
        if (!CreateStream(i, streams[i])) {
            Destroy();
            return false;
        }
    }
    RRenderer::GetInstance()->CreateVertexDeclaration(&m_declaration);
    return true;
}

bool RVertexSet::CreateStream(uint32_t index, const RVertexStreamDesc& desc)
{
    uint64_t size = static_cast<uint64_t>(desc.bytesPerVertex) * m_vertexCount;
    if (desc.bytesPerVertex == 0 || size > kMaxStreamBytes)
        return false;
    RRenderer* renderer = RRenderer::GetInstance();
    RGLObjectVertexBuffer* buffer = nullptr;
    if (!renderer->CreateVertexBuffer(static_cast<uint32_t>(size), desc.dynamic, &buffer))
        return false;
    // Listed at once, so that a failure below is cleaned up by Destroy.
    m_streams[index] = buffer;
    m_bytesPerVertex[index] = desc.bytesPerVertex;
    m_usages[index] = desc.usage;
    m_streamCount = index + 1;
    m_anyDynamic = m_anyDynamic || desc.dynamic;
    if (desc.data && size > 0) {
        void* mapped = renderer->MapVertexBuffer(buffer, false);
        if (!mapped)
            return false;
        std::memcpy(mapped, desc.data, size);
        renderer->UnmapVertexBuffer(buffer);
    }
    return true;
}

void RVertexSet::Destroy()
{
    for (uint32_t i = 0; i < m_streamCount; ++i)
        RRenderer::DeleteVertexBuffer(&m_streams[i]);
    RRenderer::DeleteVertexDeclaration(&m_declaration);
    for (uint32_t i = 0; i < kMaxStreams; ++i) {
        m_streams[i] = nullptr;
        m_bytesPerVertex[i] = 0;
        m_usages[i] = STREAM_POSITION;
    }
    m_vertexCount = 0;
    m_streamCount = 0;
    m_anyDynamic = false;
}

void* RVertexSet::LockStream(uint32_t index, bool writeOnly)
{
    if (index >= m_streamCount)
        return nullptr;
    return RRenderer::GetInstance()->MapVertexBuffer(m_streams[index], m_anyDynamic && writeOnly);
}

void RVertexSet::UnlockStream(uint32_t index)
{
    if (index < m_streamCount)
        RRenderer::GetInstance()->UnmapVertexBuffer(m_streams[index]);
}
