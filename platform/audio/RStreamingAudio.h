// RStreamingAudio: a sound that keeps only "StreamLength" seconds of samples in a looping platform buffer (owned,
// through its asset) and has the part already played refilled by the music thread (RMusicThread). Control calls
// on the main thread (play, pause, stop, volume, pan) are queued as messages and carried out by the music thread
// at its next refill; the music thread opens, refills, closes and deletes the stream. All streams share one
// streaming lock (recursive), which guards the message queues; buffer operations take the mixer lock after it.
#pragma once

#include "core/types/RUtilVector.h"
#include "platform/audio/RAudioInterface.h"

#include <cstdint>

class RFMLAudioBuffer;

// One queued control call: a type and a 4-byte payload (the loop flag of a play, the value of a volume or pan).
struct MusicMsgWrapper {
    enum Type : uint32_t { kPlay = 1, kPause = 2, kStop = 3, kSetVolume = 4, kSetPan = 5 };

    uint32_t type = 0;
    union {
        uint8_t loop;
        float value;
    } payload = {0};
};

class RStreamingAudio : public RAudioInterface {
public:
    // ringBytes: the size of the stream's ring, for its scratch copy (written on the music thread, then copied
    // into the ring under the mixer lock). Creates the streaming lock when it does not exist yet.
    explicit RStreamingAudio(uint32_t ringBytes);
    ~RStreamingAudio() override;

    // Main thread: each queues a message.
    // Queues the start (from where the ring stands; looping or once), then the effective volume and the pan.
    RAudioInterface* Play(bool loop) override;
    void Pause() override;
    // Starts again from the beginning of the data at the next pass; a paused stream stays paused.
    void Stop() override;
    void SetVolume(float volume) override;
    // Queues master × group × own volume.
    void TouchVolume() override;
    void SetPan(float pan) override;
    void TouchPan() override;
    RStreamingAudio* GetStreamingSound() override { return this; }
    void OptGetMutex() override { LockStreaming(); }
    void OptReleaseMutex() override { UnlockStreaming(); }

    // Music thread.
    virtual void Open() {}
    virtual void Close() {}
    // Carries out the queued messages (base: nothing more).
    virtual void Refill();
    // The ring does not play.
    virtual bool IsStopped();
    virtual bool CanPlay() { return true; }
    // Plays the ring looping; loopSound false makes the data play once (it plays out and the stream stops).
    virtual void DoPlay(bool loopSound);
    virtual void DoPause();
    // Back to the beginning of the data with the ring refilled; playing or paused as before.
    virtual void DoStop();
    virtual void DoSetVolume(float volume);
    virtual void DoSetPan(float pan);
    // Writes the first bytes of the data into dest (zeros after its end when the sound plays once). True when the
    // data ended within them, with *dataBytes the bytes before that end. Base: silence.
    virtual bool FillFromStart(void* dest, uint32_t bytes, uint32_t* dataBytes);

    float GetOwnVolume() const { return m_volume; }
    float GetOwnPan() const { return m_pan; }
    // Messages waiting for the music thread (takes the streaming lock).
    uint32_t GetPendingMessageCount();

    static void LockStreaming();
    static void UnlockStreaming();

protected:
    // The asset's platform buffer (null without an asset).
    RFMLAudioBuffer* GetBuffer() const;
    // Bytes of the ring that both the platform buffer and the scratch copy hold.
    uint32_t GetRingSize() const;
    uint8_t* GetScratch() const { return m_scratch; }
    // Bytes played since the last refill, from the fill cursor to the play cursor, round the ring.
    uint32_t GetConsumed(uint32_t playCursor, uint32_t ringSize) const;
    // A refill waits until more than this share ("StreamUpdatePercent") of the ring has been played.
    static uint32_t GetRefillThreshold(uint32_t ringSize);
    // Copies bytes of the scratch copy into the ring from ringOffset on, round its end: the scratch copy mirrors
    // the ring, byte for byte.
    void CopyToRing(uint32_t ringOffset, uint32_t bytes);

    // The refill of streams that read data (WAVE and Ogg): the played part of the ring gets the next bytes of
    // the data. A stream that plays once stops when the play cursor has passed the data's end.
    void RefillFromData();
    // The next bytes of the data (the reading position goes round to the start when the sound loops, and the
    // rest is zeros after the end when it plays once). True when the data ended within them, with *dataBytes
    // the bytes before that end. Base: silence.
    virtual bool ReadData(void* dest, uint32_t bytes, uint32_t* dataBytes);

    bool GetStopAtEnd() const { return m_stopAtEnd; }

    uint32_t m_fillCursor = 0;  // the play cursor at the last refill; the ring is refilled from here

private:
    void Queue(uint32_t type, uint8_t loop, float value);
    void ProcessMessages();

    bool m_stopAtEnd = true;        // the data plays once (the load fills the ring that way)
    bool m_ended = false;           // the data's end is in the ring; it plays out
    uint32_t m_bytesUntilEnd = 0;   // while ended: bytes the play cursor still has to go to the data's end
    bool m_atStart = false;         // the ring holds the data from its start and has not played since
    bool m_filledStopAtEnd = true;  // how the ring was filled from the start
    float m_volume = 1.0f;
    float m_pan = 0.0f;
    RUtilVector<MusicMsgWrapper> m_messages;
    uint8_t* m_scratch = nullptr;
    uint32_t m_scratchSize = 0;
};
