// RSoundInst: one playing copy of an RSound, made by RSound::Play. It owns its platform buffer (a duplicate of the
// sound's asset buffer) and has a volume and a pan of its own; its owner owns it. After Stop it has no buffer and
// every later buffer operation does nothing.
#pragma once

#include "platform/audio/RAudioInterface.h"

class RFMLAudioBuffer;
class RSound;

class RSoundInst : public RAudioInterface {
public:
    RSoundInst(RSound* owner, RFMLAudioBuffer* buffer) : m_owner(owner), m_buffer(buffer) {}
    // Destroys the buffer when it still has one.
    ~RSoundInst() override;

    // Applies volume and pan, then starts the buffer; returns this instance.
    RAudioInterface* Play(bool loop) override;
    // Stops the buffer where it is.
    void Pause() override;
    // Destroys the buffer.
    void Stop() override;
    void SetVolume(float volume) override;
    // The buffer's volume becomes master × the owner's group × the owner's own volume × this instance's volume.
    void TouchVolume() override;
    void SetPan(float pan) override;
    // The buffer's pan becomes this instance's pan.
    void TouchPan() override;
    virtual bool CanPlay() { return true; }

    RSound* GetOwner() const { return m_owner; }
    RFMLAudioBuffer* GetBuffer() const { return m_buffer; }

private:
    RSound* m_owner;
    RFMLAudioBuffer* m_buffer;
    float m_volume = 1.0f;
    float m_pan = 0.0f;
};
