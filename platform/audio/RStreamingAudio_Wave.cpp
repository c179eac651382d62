#include "platform/audio/RStreamingAudio_Wave.h"

#include "core/files/RFile.h"

#include "platform/audio/RWaveFile.h"

#include <cstring>

RStreamingAudio_Wave::~RStreamingAudio_Wave()
{
    Close();
}

void RStreamingAudio_Wave::Open()
{
    Close();
    m_wave = dynamic_cast<RWaveFile*>(GetAsset());
    if (m_wave && m_wave->GetDataSize() > 0)
        m_file = RFile::OpenRegular(m_wave->GetFilePath().GetString());
    DoStop();
}

void RStreamingAudio_Wave::Close()
{
    if (m_file) {
        fclose(m_file);
        m_file = nullptr;
    }
}

bool RStreamingAudio_Wave::FillFromStart(void* dest, uint32_t bytes, uint32_t* dataBytes)
{
    if (m_file && m_wave)
        fseeko(m_file, static_cast<off_t>(m_wave->GetDataStart()), SEEK_SET);
    return ReadData(dest, bytes, dataBytes);
}

bool RStreamingAudio_Wave::ReadData(void* dest, uint32_t bytes, uint32_t* dataBytes)
{
    *dataBytes = 0;
    if (!m_wave || bytes > 0x7FFFFFFFu) {
        memset(dest, 0, bytes);
        return GetStopAtEnd() && bytes > 0;
    }
    // The data bytes left from the reading position, for where the end falls within this read.
    uint64_t available = 0;
    if (m_file) {
        const int64_t position = static_cast<int64_t>(ftello(m_file));
        const int64_t start = m_wave->GetDataStart();
        const int64_t end = start + m_wave->GetDataSize();
        if (position >= start && position < end)
            available = static_cast<uint64_t>(end - position);
    }
    const bool endReached = m_wave->ReadSamples(dest, static_cast<int32_t>(bytes), GetStopAtEnd(), m_file);
    if (endReached)
        *dataBytes = static_cast<uint32_t>(available < bytes ? available : bytes);
    return endReached;
}
