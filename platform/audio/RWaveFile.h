// RWaveFile: the sound asset of a RIFF WAVE file, read raw through the stream manager from a loose file or a pack
// entry. Load walks the chunks to the format and the sample data and keeps the file open until Close; Fill copies
// the first buffer's worth of samples into the platform buffer. 8-bit data, unsigned in the file, is made signed
// as it is read, which is how the mixer reads it.
#pragma once

#include "platform/audio/RSoundAsset.h"

#include <cstdint>
#include <cstdio>

// The fields of the chunk walk, in file order.
struct RWaveHeader {
    uint32_t riffTag = 0;
    uint32_t riffSize = 0;
    uint32_t formType = 0;
    uint32_t chunkId = 0;
    uint32_t chunkSize = 0;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t dataChunkId = 0;
    uint32_t dataChunkSize = 0;
};

class RWaveFile : public RSoundAsset {
public:
    // ReadHeader's answer for a file that opened but holds no usable format and data.
    static constexpr int kUnreadable = -1;
    // The largest byte rate accepted (8 channels of 32 bits at 192,000 per second); it bounds a stream's ring.
    static constexpr uint64_t kMaxBytesPerSecond = 8ull * 4 * 192000;

    RWaveFile() = default;
    // Closes the loading file if it is still open.
    ~RWaveFile() override;

    // Finds the file, reads its header and keeps it open at the first sample byte. False when the file is
    // missing or unreadable: the asset then has the empty format and no data (it sounds as silence).
    bool Load(const char* name) override;
    // Reads the first region's worth of samples, zeros after the data's end.
    bool Fill(void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) override;
    // Unlocks the buffer, cursors to 0, closes the loading file.
    void Close() override;
    // A new RSound, or when streaming a new RStreamingAudio_Wave with a ring of the buffer's size.
    RAudioInterface* CreateSound() override;
    // The sample data's bytes: the data chunk's size, cut to the bytes present in the file and to whole frames.
    uint32_t GetDataSize() override { return m_dataBytes; }

    // Opens name through the stream manager and walks its chunks within the file's entry (Load must have found
    // the entry's size first). Returns 0 with the header read and the file positioned at the first sample byte
    // (handed to *keep when keep is given, closed otherwise), the stream manager's error number when the file
    // does not open, or kUnreadable (file closed) when the chunks run past the entry's end before a "fmt " of
    // at least 16 bytes and a "data" chunk are found.
    int ReadHeader(RWaveHeader* header, const char* name, FILE** keep);

    // Reads bytes sample bytes from file's current position into dest. When the data runs out, the file goes
    // back to the data's first byte; with stopAtEnd the reading ends there, the rest of dest is zeroed and the
    // answer is true; without it the reading goes on from the start (data that cannot be read at all gives
    // zeros). A position outside the data counts as its end. A null file reads as silence.
    bool ReadSamples(void* dest, int32_t bytes, bool stopAtEnd, FILE* file) const;

    const RWaveHeader& GetHeader() const { return m_header; }
    // Absolute position of the first sample byte in the file at GetFilePath.
    uint32_t GetDataStart() const { return m_dataStart; }

private:
    RWaveHeader m_header;
    FILE* m_file = nullptr;
    uint32_t m_dataStart = 0;
    uint32_t m_dataBytes = 0;
};
