#include "platform/audio/RSoundAsset.h"

#include "core/files/RStreamMgr.h"
#include "platform/audio/RAudioMgr.h"

RSoundAsset::~RSoundAsset()
{
    RFMLAudioBuffer::Destroy(m_buffer);
}

bool RSoundAsset::Load(const char* name)
{
    if (!name)
        return true;
    return RStreamMgr::GetInstance()->GetFileInfo(name, &m_fileSize, &m_fileOffset, &m_filePath,
                                                  RStreamMgr::kPacksAndFolders);
}

void RSoundAsset::SetStreaming(bool streaming)
{
    m_streaming = streaming;
    m_bufferDesc.size = GetBufferSize();
    m_bufferDesc.format = &m_format;
}

bool RSoundAsset::LockAll(void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2)
{
    *region1 = nullptr;
    *bytes1 = 0;
    *region2 = nullptr;
    *bytes2 = 0;
    return RFMLAudioBuffer::Lock(m_buffer, 0, 0, region1, bytes1, region2, bytes2,
                                 RFMLAudioBuffer::kLockEntireBuffer);
}

void RSoundAsset::Close()
{
    RFMLAudioBuffer::Unlock(m_buffer, nullptr, 0, nullptr, 0);
    RFMLAudioBuffer::SetPosition(m_buffer, 0);
}

void RSoundAsset::SetBuffer(RFMLAudioBuffer* buffer)
{
    if (buffer == m_buffer)
        return;
    RFMLAudioBuffer::Destroy(m_buffer);
    m_buffer = buffer;
}

uint32_t RSoundAsset::GetBufferSize()
{
    return m_streaming ? GetStreamBufferSize() : GetDataSize();
}

uint32_t RSoundAsset::GetStreamBufferSize()
{
    const uint64_t frameBytes = static_cast<uint64_t>(m_format.channels) * m_format.bitsPerSample / 8;
    const float bytes = static_cast<float>(static_cast<double>(frameBytes) * m_format.samplesPerSecond) *
                        RAudioMgr::GetInstance()->GetStreamLength();
    if (!(bytes >= 1.0f) || frameBytes == 0)
        return 0;
    const uint64_t whole = bytes >= 4294967295.0f ? 0xFFFFFFFFull : static_cast<uint64_t>(bytes);
    // A ring of whole frames, so that it wraps between two frames.
    return static_cast<uint32_t>(whole - whole % frameBytes);
}
