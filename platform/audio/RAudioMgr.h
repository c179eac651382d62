// RAudioMgr: the engine's single audio object, created on first use and destroyed by DestroyInstance. It holds
// the master volume that every sound's effective volume starts from and the length in seconds of the ring
// that a streamed sound keeps.
#pragma once

class RAudioMgr {
public:
    static RAudioMgr* GetInstance();
    static void DestroyInstance();

    float GetMasterVolume() const { return m_masterVolume; }
    // Stored unclamped.
    void SetMasterVolume(float volume) { m_masterVolume = volume; }
    // "StreamLength": seconds of sound in a streamed sound's ring.
    float GetStreamLength() const { return m_streamLength; }
    void SetStreamLength(float seconds) { m_streamLength = seconds; }

private:
    RAudioMgr() = default;
    ~RAudioMgr() = default;
    RAudioMgr(const RAudioMgr&) = delete;
    RAudioMgr& operator=(const RAudioMgr&) = delete;

    float m_masterVolume = 1.0f;
    float m_streamLength = 0.0f;
};
