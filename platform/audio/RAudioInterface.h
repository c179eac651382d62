// RAudioInterface: the base of everything that can be played: the plain loaded sound (RSound), each playing copy
// of it (RSoundInst) and the streamed sounds. It owns its sound asset (null for instances), whose count of
// references it manipulates, and remembers the sound group it belongs to (set by the group; not owned).
#pragma once

#include <cstdint>

class RSoundAsset;
class RSoundGroup;
class RStreamingAudio;

class RAudioInterface {
public:
    RAudioInterface() = default;
    // Leaves its group, then deletes the asset (with its platform buffer).
    virtual ~RAudioInterface();

    // The object now playing, or null.
    virtual RAudioInterface* Play(bool loop) { return nullptr; }
    virtual void Pause() {}
    virtual void Stop() {}
    virtual void Update() {}
    virtual void SetVolume(float volume) {}
    // Re-applies the effective volume to the platform buffer(s).
    virtual void TouchVolume() {}
    virtual void SetPan(float pan) {}
    // Re-applies the pan to the platform buffer(s).
    virtual void TouchPan() {}
    // Non-null only for streamed sounds.
    virtual RStreamingAudio* GetStreamingSound() { return nullptr; }
    // The audio manager's master volume × the group's volume (the master volume alone without a group).
    virtual float GetGroupVolume();
    // Streamed sounds take and release the streaming lock; plain sounds have no lock.
    virtual void OptGetMutex() {}
    virtual void OptReleaseMutex() {}

    // The reference count kept in the asset (nothing without an asset; Release then answers 0).
    void AddRef();
    uint32_t Release();

    RSoundAsset* GetAsset() const { return m_asset; }
    // Takes ownership of the asset, deleting any earlier one.
    void SetAsset(RSoundAsset* asset);
    RSoundGroup* GetGroup() const { return m_group; }
    // Only RSoundGroup::AddSound and RemoveSound set it.
    void SetGroup(RSoundGroup* group) { m_group = group; }

private:
    RAudioInterface(const RAudioInterface&) = delete;
    RAudioInterface& operator=(const RAudioInterface&) = delete;

    RSoundGroup* m_group = nullptr;
    RSoundAsset* m_asset = nullptr;
};
