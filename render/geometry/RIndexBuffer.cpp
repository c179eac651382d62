#include "render/geometry/RIndexBuffer.h"

#include <cstring>

#include "render/device/RGLObject.h"
#include "render/frame/RRenderer.h"

bool RIndexBuffer::Create(const uint16_t* indices, uint32_t count, bool dynamic)
{
    Destroy();
    if (count == 0)
        return true;
    uint64_t size = static_cast<uint64_t>(count) * sizeof(uint16_t);
    if (size > 0x7FFFFFFF)
        return false;
    RRenderer* renderer = RRenderer::GetInstance();
    if (!renderer->CreateIndexBuffer(static_cast<uint32_t>(size), dynamic, &m_buffer))
        return false;
    m_indexCount = count;
    if (indices) {
        void* mapped = renderer->MapIndexBuffer(m_buffer);
        if (!mapped) {
            Destroy();
            return false;
        }
        std::memcpy(mapped, indices, size);
        renderer->UnmapIndexBuffer(m_buffer);
    }
    return true;
}

uint16_t* RIndexBuffer::Lock()
{
    if (!m_buffer)
        return nullptr;
    return static_cast<uint16_t*>(RRenderer::GetInstance()->MapIndexBuffer(m_buffer));
}

void RIndexBuffer::Unlock()
{
    if (m_buffer)
        RRenderer::GetInstance()->UnmapIndexBuffer(m_buffer);
}

void RIndexBuffer::Destroy()
{
    RRenderer::DeleteIndexBuffer(&m_buffer);
    m_indexCount = 0;
}
