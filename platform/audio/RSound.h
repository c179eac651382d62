// RSound: a plain loaded sound. Its asset holds the decoded data in one platform buffer; every Play duplicates that
// buffer into a new RSoundInst, so one sound can sound several times at once. The sound owns its instances and
// reclaims the finished ones in Update. A retrigger guard refuses a Play within 0.05 s of the last one accepted.
#pragma once

#include "core/types/RUtilVector.h"
#include "platform/audio/RAudioInterface.h"

class RSoundInst;

class RSound : public RAudioInterface {
public:
    RSound() = default;
    // Deletes every instance, then (in the base) the asset.
    ~RSound() override;

    // A new instance playing a copy of the asset's data, or null when the guard refuses or the copy cannot be
    // made.
    RAudioInterface* Play(bool loop) override;
    // Silences every instance; they are reclaimed by the next Update, so a paused sound cannot be resumed.
    void Pause() override;
    // Deletes every instance.
    void Stop() override;
    // Deletes every instance whose buffer no longer plays.
    void Update() override;
    // The sound's own volume, a factor of every instance's effective volume.
    void SetVolume(float volume) override;
    void TouchVolume() override;
    // The sound's own pan is stored; each instance applies its own pan.
    void SetPan(float pan) override;
    void TouchPan() override;
    // The retrigger guard: true, remembering the time, when the global timer has moved on more than 0.05 s
    // since the last accepted play.
    virtual bool CanPlay();

    float GetOwnVolume() const { return m_volume; }
    float GetOwnPan() const { return m_pan; }
    uint32_t GetInstanceCount() const { return m_instances.getCount(); }
    RSoundInst* GetInstance(uint32_t index) const { return m_instances[index]; }

private:
    void DeleteInstances();

    float m_lastPlayTime = -1.0f;
    RUtilVector<RSoundInst*> m_instances;
    float m_volume = 1.0f;
    float m_pan = 0.0f;
};
