// RMixer: the engine's software mixer. It keeps the list of registered RFMLAudioBuffers (in registration order,
// not owned) and the mixer lock, and SDL's audio thread calls Callback for every block the device needs; the
// callback sums the playing buffers into signed 16-bit stereo at 44,100 frames per second. RAudioMgr owns the
// one RMixer object; the list and the lock belong to the process (the lock is never destroyed).
#pragma once

#include <cstdint>

class RFMLAudioBuffer;

class RMixer {
public:
    // The device format the callback produces; the device must be opened with exactly this.
    static constexpr int kOutputRate = 44100;
    static constexpr int kOutputChannels = 2;
    static constexpr int kOutputBlockFrames = 4096;

    // Creates the mixer lock when it does not exist yet. Must run before the device first calls Callback: until
    // then the callback produces silence and buffer operations take no lock.
    void Init();
    void Shutdown() {}

    // SDL's audio callback: fills len bytes of signed 16-bit little-endian stereo (left first) under the mixer
    // lock. First each playing buffer's cursors move on by one block, then every playing buffer is added frame
    // by frame, scaled by its volume and balanced by its pan, and the sums are clipped to 16 bits.
    static void Callback(void* userData, uint8_t* stream, int len);

private:
    friend class RFMLAudioBuffer;

    // The mixer lock (recursive); both do nothing before Init.
    static void Lock();
    static void Unlock();
    // Called with the lock held.
    static void AddBuffer(RFMLAudioBuffer* buffer);
    static void RemoveBuffer(RFMLAudioBuffer* buffer);

    // The callback's two phases for one buffer, with the lock held. frames is the block's output frame count;
    // MixBuffer adds output frames first .. first + count - 1 to sums (left, right interleaved, from first).
    static void AdvanceCursors(RFMLAudioBuffer* buffer, uint32_t frames);
    static void MixBuffer(RFMLAudioBuffer* buffer, float* sums, uint32_t first, uint32_t count);
    static void StopAtEnd(RFMLAudioBuffer* buffer);
};
