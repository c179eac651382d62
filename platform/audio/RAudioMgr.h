// RAudioMgr: the engine's single audio object, created on first use and destroyed by DestroyInstance. It opens the
// SDL output device with the software mixer (RMixer) as its callback, runs the music thread (RMusicThread), loads
// sounds by file name into a map of named, reference-counted sounds, keeps named sound groups with a volume each
// and the master volume, and stops, updates and releases sounds. It owns the mixer object, the music-thread object
// and the groups; a mapped sound lives until its last reference is released. Main thread only, except the stream
// settings, which the music thread reads.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"
#include "platform/audio/RMixer.h"

#include <SDL_audio.h>
#include <atomic>
#include <cstdint>

class RAudioInterface;
class RFMLAudioBuffer;
class RMusicThread;
class RSoundGroup;
struct RFMLAudioBufferDesc;
struct SDL_Window;

class RAudioMgr {
public:
    // The bounds that the stream settings are kept within: a stream's ring is never empty and holds more than
    // the mixer reads ahead of a refill (kMixerReachSeconds), and the music thread always sleeps between passes.
    static constexpr float kMinStreamLength = 0.25f;
    static constexpr float kMaxStreamLength = 10.0f;
    static constexpr float kMinStreamUpdatePercent = 0.01f;
    static constexpr float kMaxStreamUpdatePercent = 0.9f;
    // Besides what the music thread sleeps through, the mixer reads two blocks past the play cursor that a
    // refill sees (the block just mixed and the next one) before the next pass: the ring must hold those too.
    static constexpr float kMixerReachSeconds =
        2.0f * static_cast<float>(RMixer::kOutputBlockFrames) / static_cast<float>(RMixer::kOutputRate);

    static RAudioMgr* GetInstance();
    // Shuts the manager down and frees it; sounds still mapped are not deleted.
    static void DestroyInstance();

    // Opens the default output device (44,100 Hz, signed 16-bit stereo, 4,096-frame blocks, no changes allowed)
    // with the mixer as its callback and starts the music thread, which waits until UnlockMusicMutex. Without an
    // audio device everything goes on silently. The window and the warnings list are not used.
    void Init(SDL_Window* window, RUtilVector<RString>* warnings);
    // Lets the music thread run; called once the stream settings are stored.
    void UnlockMusicMutex();
    // Frees the groups, stops and waits for the music thread, closes the device. Later calls do nothing.
    void Shutdown();
    // Stops and waits for the music thread and frees the mixer object, leaving the groups and the device.
    void StopThreads();

    // The sound named soundName, loaded from fileName on its first load (null: the tone generator; names
    // ending in ".wav" or ".ogg", compared exactly) and put into the group named groupName (created when missing;
    // the empty name for none). Each call takes a reference. Null when the file name selects no kind of sound.
    RAudioInterface* LoadSound(const char* fileName, RHashedString soundName, RHashedString groupName, bool stream);
    RAudioInterface* FindSound(RHashedString name);
    // What the sound's Play answers (the new instance of a plain sound, or null when its retrigger guard
    // refuses), or null when no sound has that name.
    RAudioInterface* PlaySound(RHashedString name, bool loop);
    void StopSound(RHashedString name);
    void PauseSound(RHashedString name);
    // Stop on every mapped sound; they stay loaded.
    void StopAllSounds();
    // Update on every mapped sound (plain sounds reclaim their finished instances). Once per frame.
    void UpdateAllSounds();
    // Drops one reference; the last one destroys the sound and unmaps its name.
    void ReleaseSound(RHashedString name);
    // Drops one reference of every mapped sound, destroying those that reach 0, then unmaps every name.
    void ReleaseAllSounds();
    // Takes the sound out of its group, then deletes it, or, for a stream, hands it to the music thread to
    // close and delete.
    void DestroySound(RAudioInterface* sound);
    uint32_t GetSoundCount() const { return static_cast<uint32_t>(m_sounds.getCount()); }

    float GetMasterVolume() const { return m_masterVolume; }
    // Stored unclamped; every mapped sound re-applies its effective volume.
    void SetMasterVolume(float volume);

    RFMLAudioBuffer* CreateBuffer(const RFMLAudioBufferDesc& desc);
    RFMLAudioBuffer* DuplicateBuffer(const RFMLAudioBuffer* buffer);

    RSoundGroup* FindGroup(RHashedString name);
    // A new group of volume 1 under the name (the existing one when the name is taken).
    RSoundGroup* CreateGroup(RHashedString name);
    void AddSoundToGroup(RAudioInterface* sound, RHashedString name);
    void RemoveSoundFromGroup(RAudioInterface* sound, RHashedString name);
    // Frees the group; its members belong to no group from then on.
    void DestroyGroup(RHashedString name);
    void DestroyAllGroups();

    // "StreamLength": seconds of sound in a streamed sound's ring. Kept within the bounds above (0.5 until set).
    float GetStreamLength() const { return m_streamLength.load(std::memory_order_relaxed); }
    void SetStreamLength(float seconds);
    // "StreamUpdatePercent": the share of the ring (a fraction, not a percentage) played before a refill, and of
    // the stream length slept between the music thread's passes. Kept within the bounds above (0.25 until set),
    // and read as at most the share that leaves the ring room for a refill's wait, a sleep and the mixer's reach,
    // so that the mixer never comes round to bytes not yet refilled.
    float GetStreamUpdatePercent() const;
    void SetStreamUpdatePercent(float fraction);
    // "MuteWhenUnfocused": stored only.
    bool GetMuteWhenUnfocused() const { return m_muteWhenUnfocused; }
    void SetMuteWhenUnfocused(bool mute) { m_muteWhenUnfocused = mute; }

    // 0 when no device is open.
    SDL_AudioDeviceID GetDeviceId() const { return m_device; }

private:
    RAudioMgr() = default;
    ~RAudioMgr();
    RAudioMgr(const RAudioMgr&) = delete;
    RAudioMgr& operator=(const RAudioMgr&) = delete;

    SDL_AudioDeviceID m_device = 0;
    bool m_audioSubsystem = false;  // Init started SDL's audio subsystem and Shutdown quits it
    float m_masterVolume = 1.0f;
    std::atomic<float> m_streamLength{0.5f};
    std::atomic<float> m_streamUpdatePercent{0.25f};
    bool m_muteWhenUnfocused = false;
    RUtilMap<RSoundGroup*, RHashedString> m_groups;
    RUtilMap<RAudioInterface*, RHashedString> m_sounds;
    RMusicThread* m_musicThread = nullptr;
    RMixer* m_mixer = nullptr;
};
