// RFMLAudioBuffer: one ring of sample bytes in its own format, with a play cursor, a write cursor, a volume, a pan
// and playing and loop flags. Every buffer is registered with the mixer (RMixer) from Create or Duplicate until
// Destroy, and SDL's audio thread reads the playing ones. The buffer owns its bytes; whoever created it destroys it.
// Every operation takes the mixer lock for its work and accepts a null buffer (doing nothing, or reporting 0).
#pragma once

#include <cstdint>

// Sample format of a buffer or a sound asset: interleaved frames of channels × bitsPerSample / 8 bytes.
struct RAudioFormat {
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;
    uint32_t samplesPerSecond = 0;
};

// What Create makes: size bytes of the given format (a null format is the empty format 0, 0, 0).
struct RFMLAudioBufferDesc {
    uint32_t size = 0;
    const RAudioFormat* format = nullptr;
};

class RFMLAudioBuffer {
public:
    // Lock flags.
    static constexpr uint32_t kLockEntireBuffer = 1;     // the byte count becomes the buffer size
    static constexpr uint32_t kLockFromWriteCursor = 2;  // the offset becomes the write cursor

    // A new buffer of desc.size zero bytes, volume 1, pan 0, cursors 0, stopped, not looping, registered with
    // the mixer. Null when the bytes cannot be allocated.
    static RFMLAudioBuffer* Create(const RFMLAudioBufferDesc& desc);
    // A new registered buffer with the source's size, format and bytes and the fresh state of Create. Null for
    // a null source or when the bytes cannot be allocated.
    static RFMLAudioBuffer* Duplicate(const RFMLAudioBuffer* source);
    // Unregisters the buffer, then frees it.
    static void Destroy(RFMLAudioBuffer* buffer);

    static void GetCursors(RFMLAudioBuffer* buffer, uint32_t* play, uint32_t* write);
    // Both cursors become offset.
    static void SetPosition(RFMLAudioBuffer* buffer, uint32_t offset);

    // Hands out the ring region of bytes from offset as up to two pieces: the part up to the end of the data and
    // the rest from its start. The offset is taken modulo the size and the byte count is capped at the size.
    // While an earlier lock is outstanding nothing is written to the outputs and the result is false. Writers
    // fill the regions without the mixer lock: they own the bytes behind the play cursor.
    static bool Lock(RFMLAudioBuffer* buffer, uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1,
                     void** region2, uint32_t* bytes2, uint32_t flags);
    // Copies bytes from source into a region that Lock handed out, under the mixer lock: for writers whose
    // region the mixer may be reading (a streamer that writes just ahead of the play cursor). Nothing is copied
    // when the region does not lie inside the buffer's data.
    static void CopyIn(RFMLAudioBuffer* buffer, void* region, const void* source, uint32_t bytes);
    // Copies bytes from source to the start of the data (at most its size) and puts both cursors at 0, in one
    // step under the mixer lock: a playing buffer goes on with the new bytes at its next block, with no block
    // of old bytes or of silence between.
    static void RewindWith(RFMLAudioBuffer* buffer, const void* source, uint32_t bytes);
    // Ends the outstanding lock; regions and cursors stay as they are.
    static void Unlock(RFMLAudioBuffer* buffer, void* region1, uint32_t bytes1, void* region2, uint32_t bytes2);

    // 1 while playing, else 0.
    static void GetStatus(RFMLAudioBuffer* buffer, uint32_t* status);
    // Playing on with the given loop flag; the cursors stay.
    static void Play(RFMLAudioBuffer* buffer, bool loop);
    // Playing off; the cursors stay.
    static void Stop(RFMLAudioBuffer* buffer);
    // Stored clamped to 0..1 (a NaN as 0).
    static void SetVolume(RFMLAudioBuffer* buffer, float volume);
    // Stored clamped to -1..1, negative towards the left (a NaN as 0).
    static void SetPan(RFMLAudioBuffer* buffer, float pan);
    static float GetVolume(RFMLAudioBuffer* buffer);
    static float GetPan(RFMLAudioBuffer* buffer);

    // Fixed at creation, so readable without the lock.
    uint32_t GetSize() const { return m_size; }
    const RAudioFormat& GetFormat() const { return m_format; }

private:
    friend class RMixer;

    RFMLAudioBuffer() = default;
    ~RFMLAudioBuffer();
    RFMLAudioBuffer(const RFMLAudioBuffer&) = delete;
    RFMLAudioBuffer& operator=(const RFMLAudioBuffer&) = delete;

    uint32_t m_size = 0;
    uint8_t* m_data = nullptr;
    bool m_locked = false;
    float m_volume = 1.0f;
    float m_pan = 0.0f;
    uint32_t m_playCursor = 0;   // where the current block's reading starts
    uint32_t m_writeCursor = 0;  // where it ends; the bytes from here on may be rewritten
    bool m_playing = false;
    bool m_loop = false;
    RAudioFormat m_format;
};
