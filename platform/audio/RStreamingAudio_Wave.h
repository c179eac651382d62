// RStreamingAudio_Wave: a streamed RIFF WAVE sound. On the music thread it opens its own handle on the file that
// holds the data (a loose file or a pack) and reads the next bytes into the played part of its ring at every
// refill, going round to the data's start when it loops. A file that cannot be opened reads as silence.
#pragma once

#include "platform/audio/RStreamingAudio.h"

#include <cstdio>

class RWaveFile;

class RStreamingAudio_Wave : public RStreamingAudio {
public:
    explicit RStreamingAudio_Wave(uint32_t ringBytes) : RStreamingAudio(ringBytes) {}
    // Closes the file if it is still open.
    ~RStreamingAudio_Wave() override;

    // Takes the asset (an RWaveFile), opens its file and fills the ring from the data's start.
    void Open() override;
    void Close() override;
    void Refill() override { RefillFromData(); }
    bool FillFromStart(void* dest, uint32_t bytes, uint32_t* dataBytes) override;

protected:
    bool ReadData(void* dest, uint32_t bytes, uint32_t* dataBytes) override;

private:
    RWaveFile* m_wave = nullptr;
    FILE* m_file = nullptr;
};
