#include "platform/audio/RSoundInst.h"

#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RSound.h"

RSoundInst::~RSoundInst()
{
    RFMLAudioBuffer::Destroy(m_buffer);
}

RAudioInterface* RSoundInst::Play(bool loop)
{
    // Volume and pan first, so that no block is mixed at the fresh buffer's full volume.
    TouchVolume();
    TouchPan();
    RFMLAudioBuffer::Play(m_buffer, loop);
    return this;
}

void RSoundInst::Pause()
{
    RFMLAudioBuffer::Stop(m_buffer);
}

void RSoundInst::Stop()
{
    RFMLAudioBuffer::Destroy(m_buffer);
    m_buffer = nullptr;
}

void RSoundInst::SetVolume(float volume)
{
    m_volume = volume;
    TouchVolume();
}

void RSoundInst::TouchVolume()
{
    float volume = m_owner ? m_owner->GetGroupVolume() * m_owner->GetOwnVolume() : 1.0f;
    RFMLAudioBuffer::SetVolume(m_buffer, volume * m_volume);
}

void RSoundInst::SetPan(float pan)
{
    m_pan = pan;
    TouchPan();
}

void RSoundInst::TouchPan()
{
    RFMLAudioBuffer::SetPan(m_buffer, m_pan);
}
