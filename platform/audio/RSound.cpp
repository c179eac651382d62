#include "platform/audio/RSound.h"

#include "core/system/RTimer.h"
#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RSoundAsset.h"
#include "platform/audio/RSoundInst.h"

namespace {
// The shortest time between two accepted plays of one sound, in seconds.
constexpr float kRetriggerSeconds = 0.05f;
}

RSound::~RSound()
{
    DeleteInstances();
}

RAudioInterface* RSound::Play(bool loop)
{
    if (!CanPlay())
        return nullptr;
    RSoundAsset* asset = GetAsset();
    RFMLAudioBuffer* buffer = asset ? RFMLAudioBuffer::Duplicate(asset->GetBuffer()) : nullptr;
    if (!buffer)
        return nullptr;
    RSoundInst* instance = new RSoundInst(this, buffer);
    instance->Play(loop);
    m_instances.push(instance);
    return instance;
}

void RSound::Pause()
{
    for (RSoundInst* instance : m_instances)
        instance->Pause();
}

void RSound::Stop()
{
    DeleteInstances();
}

void RSound::Update()
{
    uint32_t i = 0;
    while (i < m_instances.getCount()) {
        uint32_t status = 0;
        RFMLAudioBuffer::GetStatus(m_instances[i]->GetBuffer(), &status);
        if (status == 0) {
            delete m_instances[i];
            m_instances.erase(i, 1);
        } else {
            ++i;
        }
    }
}

void RSound::SetVolume(float volume)
{
    m_volume = volume;
    TouchVolume();
}

void RSound::TouchVolume()
{
    for (RSoundInst* instance : m_instances)
        instance->TouchVolume();
}

void RSound::SetPan(float pan)
{
    m_pan = pan;
    TouchPan();
}

void RSound::TouchPan()
{
    for (RSoundInst* instance : m_instances)
        instance->TouchPan();
}

bool RSound::CanPlay()
{
    float now = g_pGlobalTimer->GetElapsedSeconds();
    if (now > m_lastPlayTime + kRetriggerSeconds) {
        m_lastPlayTime = now;
        return true;
    }
    return false;
}

void RSound::DeleteInstances()
{
    for (RSoundInst* instance : m_instances)
        delete instance;
    m_instances.clear();
}
