// RStreamingAudio_PCS: the tone generator. It plays music-string tunes (RPCSTune) as square waves into a mono
// 16-bit ring at 44,100 per second: the music thread renders every playing tune a little ahead of the play cursor
// into a scratch copy of the ring, lowest priority first so that the highest is heard, and copies that into the
// ring. A looping silent tune of priority 0 always lies underneath. The stream owns its list of playing tunes.
#pragma once

#include "platform/audio/RPCSTune.h"
#include "platform/audio/RStreamingAudio.h"

#include <cstdint>

// One tune in the playing list.
struct RPCSTune_Playing {
    RUtilVector<RPCSDatum> notes;
    uint8_t loop = 0;
    int32_t priority = 0;
    float phase = 0.0f;           // radians
    uint32_t noteIndex = 0;
    float elapsed = 0.0f;         // seconds within the current note
    int32_t writePosition = -1;   // byte offset in the ring where the tune goes on; -1 before its first render
    int32_t holdPosition = -1;    // the tune is silent until it reaches this byte offset; -1 for none
    uint8_t finished = 0;
};

class RStreamingAudio_PCS : public RStreamingAudio {
public:
    static constexpr uint32_t kNoteCount = RPCSDatum::kHighestNote + 1;
    // The square wave's two levels.
    static constexpr int16_t kHighLevel = 8191;
    static constexpr int16_t kLowLevel = -8193;

    // ringBytes: the size of the asset's ring. Starts playing the silent looping tune "1R" at priority 0.
    explicit RStreamingAudio_PCS(uint32_t ringBytes);

    // Renders the playing tunes ahead of the play cursor and copies them into the ring; removes the tunes that
    // finished. Holds the streaming lock throughout.
    void Refill() override;
    // Rewinds the ring (silent from its start); the playing tunes go on from where the next refill starts.
    void DoStop() override;

    // Main thread. Adds a tune to the playing list, silent where tunes of higher priority have already rendered
    // ahead. A tune without notes is ignored; notes shorter than one sample (or not a number) last one sample.
    void PlayTune(const RPCSTune& tune);
    // Empties the playing list, then plays the silent looping tune again.
    void StopTunes();
    // Tunes in the playing list.
    uint32_t GetTuneCount();

private:
    // Renders bytes from start (a byte offset in the ring), stopping early at the play cursor or when a tune
    // that does not loop has ended.
    void RenderTune(RPCSTune_Playing& tune, uint32_t playCursor, uint32_t start, uint32_t bytes, uint32_t ringSize);
    void PlaySilence();

    float m_noteTable[kNoteCount];  // phase steps in cycles per sample
    RUtilVector<RPCSTune_Playing> m_tunes;  // by priority, lowest first
};
