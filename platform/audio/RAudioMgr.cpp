#include "platform/audio/RAudioMgr.h"

#include "platform/audio/RAudioInterface.h"
#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RMixer.h"
#include "platform/audio/RMusicThread.h"
#include "platform/audio/ROggVorbisFile.h"
#include "platform/audio/RPCSpeaker.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/audio/RStreamingAudio.h"
#include "platform/audio/RWaveFile.h"

#include <SDL.h>
#include <cstring>

namespace {

RAudioMgr* s_instance = nullptr;

float Clamp(float value, float low, float high)
{
    if (!(value >= low))  // also a NaN
        return low;
    return value > high ? high : value;
}

// The asset class for a file name: the tone generator without one, else by its last four bytes, exactly.
RSoundAsset* NewAssetFor(const char* fileName)
{
    if (!fileName)
        return new RPCSpeaker;
    const size_t length = strlen(fileName);
    if (length < 4)
        return nullptr;
    const char* ending = fileName + length - 4;
    if (memcmp(ending, ".ogg", 4) == 0)
        return new ROggVorbisFile;
    if (memcmp(ending, ".wav", 4) == 0)
        return new RWaveFile;
    return nullptr;
}

} // namespace

RAudioMgr* RAudioMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RAudioMgr;
    return s_instance;
}

void RAudioMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RAudioMgr::~RAudioMgr()
{
    Shutdown();
    m_sounds.clear();
    m_groups.clear();
}

void RAudioMgr::Init(SDL_Window*, RUtilVector<RString>*)
{
    if (m_mixer)
        return;
    // The mixer lock first: the device calls the mixer as soon as it is unpaused.
    m_mixer = new RMixer;
    m_mixer->Init();
    m_audioSubsystem = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (m_audioSubsystem) {
        SDL_AudioSpec want;
        SDL_zero(want);
        want.freq = RMixer::kOutputRate;
        want.format = AUDIO_S16LSB;
        want.channels = RMixer::kOutputChannels;
        want.samples = RMixer::kOutputBlockFrames;
        want.silence = 0;
        want.callback = RMixer::Callback;
        want.userdata = nullptr;
        SDL_AudioSpec have;
        m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (m_device)
            SDL_PauseAudioDevice(m_device, 0);
    }
    m_musicThread = new RMusicThread;
    m_musicThread->Start();
}

void RAudioMgr::UnlockMusicMutex()
{
    if (m_musicThread)
        m_musicThread->ReleaseStartLock();
}

void RAudioMgr::Shutdown()
{
    DestroyAllGroups();
    StopThreads();
    if (m_device)
        SDL_CloseAudioDevice(m_device);
    m_device = 0;
    if (m_audioSubsystem)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_audioSubsystem = false;
}

void RAudioMgr::StopThreads()
{
    if (m_musicThread) {
        m_musicThread->Stop();
        delete m_musicThread;
        m_musicThread = nullptr;
    }
    if (m_mixer) {
        m_mixer->Shutdown();
        delete m_mixer;
        m_mixer = nullptr;
    }
}

RAudioInterface* RAudioMgr::LoadSound(const char* fileName, RHashedString soundName, RHashedString groupName,
                                      bool stream)
{
    if (RAudioInterface* loaded = FindSound(soundName)) {
        loaded->AddRef();
        return loaded;
    }
    RSoundAsset* asset = NewAssetFor(fileName);
    if (!asset)
        return nullptr;
    // A file that cannot be read still makes a sound, a silent one.
    asset->Load(fileName);
    asset->SetStreaming(stream);
    asset->SetBuffer(CreateBuffer(asset->GetBufferDesc()));
    void* region1;
    void* region2;
    uint32_t bytes1;
    uint32_t bytes2;
    asset->LockAll(&region1, &bytes1, &region2, &bytes2);
    asset->Fill(region1, bytes1, region2, bytes2);
    asset->Close();
    RAudioInterface* sound = asset->CreateSound();
    if (!sound) {
        delete asset;
        return nullptr;
    }
    sound->SetAsset(asset);
    // In its group before its volume is set, so that a stream's first volume already counts the group's.
    if (!groupName.IsEmpty()) {
        RSoundGroup* group = FindGroup(groupName);
        if (!group)
            group = CreateGroup(groupName);
        group->AddSound(sound);
    }
    sound->SetVolume(m_masterVolume);
    sound->SetPan(0.0f);
    m_sounds.insert(sound, soundName);
    // A stream goes to the music thread only now that it is complete.
    if (RStreamingAudio* streaming = sound->GetStreamingSound())
        RMusicThread::AddStream(streaming);
    sound->AddRef();
    return sound;
}

RAudioInterface* RAudioMgr::FindSound(RHashedString name)
{
    auto* node = m_sounds.find(name);
    return node ? node->value : nullptr;
}

RAudioInterface* RAudioMgr::PlaySound(RHashedString name, bool loop)
{
    RAudioInterface* sound = FindSound(name);
    return sound ? sound->Play(loop) : nullptr;
}

void RAudioMgr::StopSound(RHashedString name)
{
    if (RAudioInterface* sound = FindSound(name))
        sound->Stop();
}

void RAudioMgr::PauseSound(RHashedString name)
{
    if (RAudioInterface* sound = FindSound(name))
        sound->Pause();
}

void RAudioMgr::StopAllSounds()
{
    for (RUtilMap<RAudioInterface*, RHashedString>::Iter iter(m_sounds); iter.isValid(); iter.next())
        iter.getValue()->Stop();
}

void RAudioMgr::UpdateAllSounds()
{
    for (RUtilMap<RAudioInterface*, RHashedString>::Iter iter(m_sounds); iter.isValid(); iter.next())
        iter.getValue()->Update();
}

void RAudioMgr::ReleaseSound(RHashedString name)
{
    RAudioInterface* sound = FindSound(name);
    if (!sound || sound->Release() > 0)
        return;
    m_sounds.remove(name);
    DestroySound(sound);
}

void RAudioMgr::ReleaseAllSounds()
{
    for (RUtilMap<RAudioInterface*, RHashedString>::Iter iter(m_sounds); iter.isValid(); iter.next()) {
        RAudioInterface* sound = iter.getValue();
        if (sound->Release() == 0)
            DestroySound(sound);
    }
    m_sounds.clear();
}

void RAudioMgr::DestroySound(RAudioInterface* sound)
{
    if (!sound)
        return;
    // Groups belong to the main thread: the sound leaves its group here, even when the music thread deletes it.
    if (RSoundGroup* group = sound->GetGroup())
        group->RemoveSound(sound);
    if (RStreamingAudio* stream = sound->GetStreamingSound())
        RMusicThread::RemoveStream(stream);
    else
        delete sound;
}

void RAudioMgr::SetMasterVolume(float volume)
{
    m_masterVolume = volume;
    for (RUtilMap<RAudioInterface*, RHashedString>::Iter iter(m_sounds); iter.isValid(); iter.next())
        iter.getValue()->TouchVolume();
}

RFMLAudioBuffer* RAudioMgr::CreateBuffer(const RFMLAudioBufferDesc& desc)
{
    return RFMLAudioBuffer::Create(desc);
}

RFMLAudioBuffer* RAudioMgr::DuplicateBuffer(const RFMLAudioBuffer* buffer)
{
    return RFMLAudioBuffer::Duplicate(buffer);
}

RSoundGroup* RAudioMgr::FindGroup(RHashedString name)
{
    auto* node = m_groups.find(name);
    return node ? node->value : nullptr;
}

RSoundGroup* RAudioMgr::CreateGroup(RHashedString name)
{
    if (RSoundGroup* existing = FindGroup(name))
        return existing;
    RSoundGroup* group = new RSoundGroup(name);
    m_groups.insert(group, name);
    return group;
}

void RAudioMgr::AddSoundToGroup(RAudioInterface* sound, RHashedString name)
{
    if (RSoundGroup* group = FindGroup(name))
        group->AddSound(sound);
}

void RAudioMgr::RemoveSoundFromGroup(RAudioInterface* sound, RHashedString name)
{
    if (RSoundGroup* group = FindGroup(name))
        group->RemoveSound(sound);
}

void RAudioMgr::DestroyGroup(RHashedString name)
{
    RSoundGroup* group = FindGroup(name);
    if (!group)
        return;
    m_groups.remove(name);
    delete group;
}

void RAudioMgr::DestroyAllGroups()
{
    for (RUtilMap<RSoundGroup*, RHashedString>::Iter iter(m_groups); iter.isValid(); iter.next())
        delete iter.getValue();
    m_groups.clear();
}

void RAudioMgr::SetStreamLength(float seconds)
{
    m_streamLength.store(Clamp(seconds, kMinStreamLength, kMaxStreamLength), std::memory_order_relaxed);
}

float RAudioMgr::GetStreamUpdatePercent() const
{
    const float fraction = m_streamUpdatePercent.load(std::memory_order_relaxed);
    const float most = 0.5f * (1.0f - kMixerReachSeconds / GetStreamLength());
    return fraction < most ? fraction : most;
}

void RAudioMgr::SetStreamUpdatePercent(float fraction)
{
    m_streamUpdatePercent.store(Clamp(fraction, kMinStreamUpdatePercent, kMaxStreamUpdatePercent),
                                std::memory_order_relaxed);
}
