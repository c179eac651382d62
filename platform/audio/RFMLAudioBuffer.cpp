#include "platform/audio/RFMLAudioBuffer.h"

#include "platform/audio/RMixer.h"

#include <cstdlib>
#include <cstring>

namespace {

float ClampVolume(float volume)
{
    if (!(volume > 0.0f))  // also a NaN
        return 0.0f;
    return volume > 1.0f ? 1.0f : volume;
}

float ClampPan(float pan)
{
    if (pan != pan)
        return 0.0f;
    if (pan < -1.0f)
        return -1.0f;
    return pan > 1.0f ? 1.0f : pan;
}

// Zeroed bytes for a buffer; a size of 0 needs no block.
bool AllocateBytes(uint32_t size, uint8_t** data)
{
    *data = nullptr;
    if (size == 0)
        return true;
    *data = static_cast<uint8_t*>(calloc(size, 1));
    return *data != nullptr;
}

} // namespace

RFMLAudioBuffer::~RFMLAudioBuffer()
{
    free(m_data);
}

RFMLAudioBuffer* RFMLAudioBuffer::Create(const RFMLAudioBufferDesc& desc)
{
    uint8_t* data;
    if (!AllocateBytes(desc.size, &data))
        return nullptr;
    RFMLAudioBuffer* buffer = new RFMLAudioBuffer;
    buffer->m_size = desc.size;
    buffer->m_data = data;
    if (desc.format)
        buffer->m_format = *desc.format;
    RMixer::Lock();
    RMixer::AddBuffer(buffer);
    RMixer::Unlock();
    return buffer;
}

RFMLAudioBuffer* RFMLAudioBuffer::Duplicate(const RFMLAudioBuffer* source)
{
    if (!source)
        return nullptr;
    uint8_t* data;
    if (!AllocateBytes(source->m_size, &data))
        return nullptr;
    RFMLAudioBuffer* buffer = new RFMLAudioBuffer;
    buffer->m_size = source->m_size;
    buffer->m_data = data;
    buffer->m_format = source->m_format;
    RMixer::Lock();
    if (source->m_size)
        memcpy(data, source->m_data, source->m_size);
    RMixer::AddBuffer(buffer);
    RMixer::Unlock();
    return buffer;
}

void RFMLAudioBuffer::Destroy(RFMLAudioBuffer* buffer)
{
    if (!buffer)
        return;
    RMixer::Lock();
    RMixer::RemoveBuffer(buffer);
    RMixer::Unlock();
    delete buffer;
}

void RFMLAudioBuffer::GetCursors(RFMLAudioBuffer* buffer, uint32_t* play, uint32_t* write)
{
    if (!buffer)
        return;
    RMixer::Lock();
    if (play)
        *play = buffer->m_playCursor;
    if (write)
        *write = buffer->m_writeCursor;
    RMixer::Unlock();
}

void RFMLAudioBuffer::SetPosition(RFMLAudioBuffer* buffer, uint32_t offset)
{
    if (!buffer)
        return;
    RMixer::Lock();
    buffer->m_playCursor = offset;
    buffer->m_writeCursor = offset;
    RMixer::Unlock();
}

bool RFMLAudioBuffer::Lock(RFMLAudioBuffer* buffer, uint32_t offset, uint32_t bytes, void** region1,
                           uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags)
{
    if (!buffer)
        return false;
    RMixer::Lock();
    if (buffer->m_locked) {
        RMixer::Unlock();
        return false;
    }
    buffer->m_locked = true;
    const uint32_t size = buffer->m_size;
    if (flags & kLockEntireBuffer)
        bytes = size;
    if (flags & kLockFromWriteCursor)
        offset = buffer->m_writeCursor;
    if (bytes > size)
        bytes = size;
    offset = size ? offset % size : 0;
    uint8_t* data = buffer->m_data;
    const uint32_t first = bytes <= size - offset ? bytes : size - offset;
    const uint32_t second = bytes - first;
    *region1 = first ? data + offset : nullptr;
    *bytes1 = first;
    *region2 = second ? data : nullptr;
    *bytes2 = second;
    RMixer::Unlock();
    return true;
}

void RFMLAudioBuffer::CopyIn(RFMLAudioBuffer* buffer, void* region, const void* source, uint32_t bytes)
{
    if (!buffer || !region || !source || bytes == 0)
        return;
    RMixer::Lock();
    const uintptr_t start = reinterpret_cast<uintptr_t>(buffer->m_data);
    const uintptr_t at = reinterpret_cast<uintptr_t>(region);
    if (buffer->m_data && at >= start && at - start <= buffer->m_size && bytes <= buffer->m_size - (at - start))
        memcpy(region, source, bytes);
    RMixer::Unlock();
}

void RFMLAudioBuffer::RewindWith(RFMLAudioBuffer* buffer, const void* source, uint32_t bytes)
{
    if (!buffer)
        return;
    RMixer::Lock();
    if (source && buffer->m_data)
        memcpy(buffer->m_data, source, bytes < buffer->m_size ? bytes : buffer->m_size);
    buffer->m_playCursor = 0;
    buffer->m_writeCursor = 0;
    RMixer::Unlock();
}

void RFMLAudioBuffer::Unlock(RFMLAudioBuffer* buffer, void*, uint32_t, void*, uint32_t)
{
    if (!buffer)
        return;
    RMixer::Lock();
    buffer->m_locked = false;
    RMixer::Unlock();
}

void RFMLAudioBuffer::GetStatus(RFMLAudioBuffer* buffer, uint32_t* status)
{
    if (!status)
        return;
    *status = 0;
    if (!buffer)
        return;
    RMixer::Lock();
    *status = buffer->m_playing ? 1 : 0;
    RMixer::Unlock();
}

void RFMLAudioBuffer::Play(RFMLAudioBuffer* buffer, bool loop)
{
    if (!buffer)
        return;
    RMixer::Lock();
    buffer->m_playing = true;
    buffer->m_loop = loop;
    RMixer::Unlock();
}

void RFMLAudioBuffer::Stop(RFMLAudioBuffer* buffer)
{
    if (!buffer)
        return;
    RMixer::Lock();
    buffer->m_playing = false;
    RMixer::Unlock();
}

void RFMLAudioBuffer::SetVolume(RFMLAudioBuffer* buffer, float volume)
{
    if (!buffer)
        return;
    RMixer::Lock();
    buffer->m_volume = ClampVolume(volume);
    RMixer::Unlock();
}

void RFMLAudioBuffer::SetPan(RFMLAudioBuffer* buffer, float pan)
{
    if (!buffer)
        return;
    RMixer::Lock();
    buffer->m_pan = ClampPan(pan);
    RMixer::Unlock();
}

float RFMLAudioBuffer::GetVolume(RFMLAudioBuffer* buffer)
{
    if (!buffer)
        return 0.0f;
    RMixer::Lock();
    float volume = buffer->m_volume;
    RMixer::Unlock();
    return volume;
}

float RFMLAudioBuffer::GetPan(RFMLAudioBuffer* buffer)
{
    if (!buffer)
        return 0.0f;
    RMixer::Lock();
    float pan = buffer->m_pan;
    RMixer::Unlock();
    return pan;
}
