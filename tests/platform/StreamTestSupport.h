// Helpers of the streaming, music-string and audio-manager tests: WAVE files whose every frame tells its own index
// (written by python3's wave module), streams made the way the audio manager makes them, a device run driven by
// calling the mixer's callback and then refilling, and the zero crossings of a square wave.
#pragma once

#include "AudioTestSupport.h"
#include "platform/audio/RStreamingAudio.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

// Frame i of an index-coded sound: left = i % 32000 + 1, right = -(i / 32000) - 1 (never silent).
constexpr int kIndexPeriod = 32000;

inline Frame IndexFrame(int i)
{
    return Frame{static_cast<int16_t>(i % kIndexPeriod + 1), static_cast<int16_t>(-(i / kIndexPeriod) - 1)};
}

// The index a frame of an index-coded sound tells, or -1 for silence.
inline int FrameIndex(const Frame& f)
{
    if (f.left == 0 && f.right == 0)
        return -1;
    return (-f.right - 1) * kIndexPeriod + f.left - 1;
}

// Writes a 16-bit stereo 44,100 Hz WAVE file of frames index-coded frames (python3's wave module).
inline bool WriteIndexWave(const TempAudioFolder& folder, const std::string& name, int frames)
{
    return RunPython(folder, "import struct, wave\n"
                             "w = wave.open('" + folder.File(name) + "', 'wb')\n"
                             "w.setnchannels(2)\nw.setsampwidth(2)\nw.setframerate(44100)\n"
                             "w.writeframes(b''.join(struct.pack('<hh', i % 32000 + 1, -(i // 32000) - 1)"
                             " for i in range(" + std::to_string(frames) + ")))\n"
                             "w.close()\n");
}

// A streamed sound made as the audio manager makes one (load sequence, CreateSound, the asset given to it), but
// not handed to the music thread: the test drives it. The caller deletes it.
template <typename Stream> Stream* MakeStream(RSoundAsset* asset, const char* name)
{
    LoadAsset(asset, name, true);
    Stream* stream = dynamic_cast<Stream*>(asset->CreateSound());
    EXPECT_NE(stream, nullptr);
    if (!stream) {
        delete asset;
        return nullptr;
    }
    stream->SetAsset(asset);
    return stream;
}

// Plays blocks device blocks: each is one call of the mixer's callback followed by one refill of the stream, as
// the music thread would do it. Appends what came out.
inline void RunBlocks(RStreamingAudio* stream, int blocks, std::vector<Frame>* out)
{
    for (int b = 0; b < blocks; ++b) {
        std::vector<Frame> block = Mix(RMixer::kOutputBlockFrames);
        out->insert(out->end(), block.begin(), block.end());
        stream->Refill();
    }
}

// Where the sign of the left channel changes between non-silent frames: the index of the frame after each change.
inline std::vector<size_t> ZeroCrossings(const std::vector<Frame>& frames, size_t first, size_t end)
{
    std::vector<size_t> crossings;
    for (size_t i = first + 1; i < end && i < frames.size(); ++i) {
        const int a = frames[i - 1].left;
        const int b = frames[i].left;
        if ((a > 0 && b < 0) || (a < 0 && b > 0))
            crossings.push_back(i);
    }
    return crossings;
}

// A run of frames that are all non-silent, [begin, end).
struct SoundRun {
    size_t begin;
    size_t end;
    size_t Length() const { return end - begin; }
};

// The runs of non-silent frames, in order.
inline std::vector<SoundRun> SoundingRuns(const std::vector<Frame>& frames)
{
    std::vector<SoundRun> runs;
    size_t i = 0;
    while (i < frames.size()) {
        while (i < frames.size() && frames[i] == Frame{0, 0})
            ++i;
        if (i == frames.size())
            break;
        size_t begin = i;
        while (i < frames.size() && frames[i] != Frame{0, 0})
            ++i;
        runs.push_back(SoundRun{begin, i});
    }
    return runs;
}

} // namespace audiotest
