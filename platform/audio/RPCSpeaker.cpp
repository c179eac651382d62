#include "platform/audio/RPCSpeaker.h"

#include "platform/audio/RStreamingAudio_PCS.h"

#include <cstring>

bool RPCSpeaker::Load(const char* name)
{
    bool found = RSoundAsset::Load(name);
    m_format.channels = 1;
    m_format.bitsPerSample = 16;
    m_format.samplesPerSecond = 44100;
    return found;
}

bool RPCSpeaker::Fill(void* region1, uint32_t bytes1, void*, uint32_t)
{
    if (region1 && bytes1)
        memset(region1, 0, bytes1);
    return true;
}

RAudioInterface* RPCSpeaker::CreateSound()
{
    return new RStreamingAudio_PCS(GetBuffer() ? GetBuffer()->GetSize() : 0);
}
