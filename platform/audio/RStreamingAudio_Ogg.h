// RStreamingAudio_Ogg: a streamed Ogg Vorbis sound. The engine has no Vorbis decoder: the stream keeps its file
// open while it is open and its ring (of 0 bytes, the asset's format being empty) only ever holds silence.
#pragma once

#include "platform/audio/RStreamingAudio.h"

#include <cstdio>

class RStreamingAudio_Ogg : public RStreamingAudio {
public:
    explicit RStreamingAudio_Ogg(uint32_t ringBytes) : RStreamingAudio(ringBytes) {}
    // Closes the file if it is still open.
    ~RStreamingAudio_Ogg() override;

    // Opens the asset's file at its offset.
    void Open() override;
    void Close() override;
    void Refill() override { RefillFromData(); }
    bool FillFromStart(void* dest, uint32_t bytes, uint32_t* dataBytes) override;

protected:
    bool ReadData(void* dest, uint32_t bytes, uint32_t* dataBytes) override;

private:
    FILE* m_file = nullptr;
};
