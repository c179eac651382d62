// RIndexBuffer: one GL buffer of unsigned 16-bit indices. It owns its buffer wrapper from Create to Destroy (or
// destruction).
#pragma once

#include <cstdint>

class RGLObjectIndexBuffer;

class RIndexBuffer {
public:
    RIndexBuffer() = default;
    ~RIndexBuffer() { Destroy(); }
    RIndexBuffer(const RIndexBuffer&) = delete;
    RIndexBuffer& operator=(const RIndexBuffer&) = delete;

    // A buffer of count indices copied from indices (null leaves them undefined), replacing what the buffer held
    // before. No indices make no GL buffer: such a buffer is never bound and draws nothing. Fails, holding
    // nothing, when the buffer cannot be created or filled.
    bool Create(const uint16_t* indices, uint32_t count, bool dynamic);
    // The whole buffer mapped read-write, or null (no buffer, or the mapping failed). Unlock before drawing.
    uint16_t* Lock();
    void Unlock();
    // Deletes the GL buffer and drops its wrapper. Safe to call twice.
    void Destroy();

    RGLObjectIndexBuffer* GetBuffer() const { return m_buffer; }
    uint32_t GetIndexCount() const { return m_indexCount; }

private:
    RGLObjectIndexBuffer* m_buffer = nullptr;
    uint32_t m_indexCount = 0;
};
