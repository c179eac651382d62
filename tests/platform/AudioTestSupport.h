// Audio test helpers: a temporary folder on the stream manager's search path, WAVE files made with python3 and sox,
// the audio manager's load steps, hand-filled buffers, the mixer's callback called directly, and output analysis.
#pragma once

#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RMixer.h"
#include "platform/audio/RSoundAsset.h"
#include "platform/audio/RStreamingAudio.h"
#include "core/files/RStreamMgr.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace audiotest {

struct Frame {
    int16_t left;
    int16_t right;
    bool operator==(const Frame& o) const { return left == o.left && right == o.right; }
    bool operator!=(const Frame& o) const { return !(*this == o); }
};
inline std::ostream& operator<<(std::ostream& os, const Frame& f) { return os << "(" << f.left << ", " << f.right << ")"; }
const Frame kSilence{0, 0};

// A fresh folder added to the stream manager's search paths (never removed from them; names stay unique).
struct TempAudioFolder {
    TempAudioFolder()
    {
        char pattern[] = "/tmp/rolt-audio-XXXXXX";
        path = mkdtemp(pattern) ? pattern : "";
        RStreamMgr::GetInstance()->AddSearchPath(path.c_str());
    }
    ~TempAudioFolder()
    {
        // The sources it added (the folder, packs mounted from it) go with it.
        RStreamMgr::DestroyInstance();
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

inline bool RunTool(const std::string& command)
{
    int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return status == 0;
}

// A WAVE file written by python3's wave module; samples is a python list (8-bit ones unsigned), more runs after.
inline bool WriteWave(const TempAudioFolder& folder, const std::string& name, int channels, int sampleBytes,
                      int rate, const std::string& samples, const std::string& more = "")
{
    std::string pack = sampleBytes == 1 ? "bytes(s)" : "b''.join(struct.pack('<h', v) for v in s)";
    std::ofstream(folder.File("make.py")) << "import struct, wave\ns = " + samples + "\nw = wave.open('" +
                                                 folder.File(name) + "', 'wb')\nw.setnchannels(" +
                                                 std::to_string(channels) + ")\nw.setsampwidth(" +
                                                 std::to_string(sampleBytes) + ")\nw.setframerate(" +
                                                 std::to_string(rate) + ")\nw.writeframes(" + pack + ")\nw.close()\n" +
                                                 more;
    return RunTool("python3 " + folder.File("make.py"));
}

// Frame i of an index-coded sound: left = i % 32000 + 1, right = -(i / 32000) - 1 (never silent).
inline Frame IndexFrame(int i) { return Frame{int16_t(i % 32000 + 1), int16_t(-(i / 32000) - 1)}; }
// The index an index-coded frame tells, or -1 for silence.
inline int FrameIndex(const Frame& f) { return f == kSilence ? -1 : (-f.right - 1) * 32000 + f.left - 1; }
// A 16-bit stereo 44,100 Hz WAVE file of index-coded frames.
inline bool WriteIndexWave(const TempAudioFolder& folder, const std::string& name, int frames)
{
    return WriteWave(folder, name, 2, 2, 44100,
                     "[v for i in range(" + std::to_string(frames) + ") for v in (i % 32000 + 1, -(i // 32000) - 1)]");
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
inline int16_t Signed16(const uint8_t* bytes) { return int16_t(uint16_t(bytes[0] | (bytes[1] << 8))); }
// 16-bit stereo bytes as frames.
inline std::vector<Frame> Frames(const std::vector<uint8_t>& bytes)
{
    std::vector<Frame> frames(bytes.size() / 4);
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = Frame{Signed16(&bytes[4 * i]), Signed16(&bytes[4 * i + 2])};
    return frames;
}

// Open file descriptors of this process, to see that readers close what they open.
inline int OpenFileCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

// Waits at most 5 s for the condition.
template <typename Condition> bool WaitFor(Condition condition)
{
    for (int i = 0; i < 500 && !condition(); ++i)
        SDL_Delay(10);
    return condition();
}

// The audio manager's load steps: Load, SetStreaming, a buffer from the description, LockAll, Fill, Close.
inline bool LoadAsset(RSoundAsset* asset, const char* name, bool stream)
{
    bool loaded = asset->Load(name);
    asset->SetStreaming(stream);
    asset->SetBuffer(RFMLAudioBuffer::Create(asset->GetBufferDesc()));
    void *r1, *r2;
    uint32_t n1, n2;
    asset->LockAll(&r1, &n1, &r2, &n2);
    asset->Fill(r1, n1, r2, n2);
    asset->Close();
    return loaded;
}

// A buffer of the given format holding bytes.
inline RFMLAudioBuffer* MakeBuffer(uint32_t channels, uint32_t bits, uint32_t rate, const std::vector<uint8_t>& bytes)
{
    RAudioFormat format;
    format.channels = channels;
    format.bitsPerSample = bits;
    format.samplesPerSecond = rate;
    RFMLAudioBufferDesc desc;
    desc.size = uint32_t(bytes.size());
    desc.format = &format;
    RFMLAudioBuffer* buffer = RFMLAudioBuffer::Create(desc);
    void *r1 = nullptr, *r2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    EXPECT_TRUE(RFMLAudioBuffer::Lock(buffer, 0, 0, &r1, &n1, &r2, &n2, RFMLAudioBuffer::kLockEntireBuffer));
    EXPECT_EQ(n1, bytes.size());
    if (n1)
        memcpy(r1, bytes.data(), n1);
    RFMLAudioBuffer::Unlock(buffer, r1, n1, r2, n2);
    return buffer;
}
inline std::vector<uint8_t> Bytes16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(uint8_t(s & 0xFF));
        bytes.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return bytes;
}

// One call of the mixer's callback for the given number of output frames.
inline std::vector<Frame> Mix(uint32_t frames)
{
    std::vector<uint8_t> stream(frames * 4, 0xAB);
    RMixer::Callback(nullptr, stream.data(), int(stream.size()));
    return Frames(stream);
}

// A streamed sound made as the audio manager makes one, driven by the test instead of the music thread.
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

// Device blocks as the music thread plays them: one callback, then one refill; appends what came out.
inline void RunBlocks(RStreamingAudio* stream, int blocks, std::vector<Frame>* out)
{
    for (int b = 0; b < blocks; ++b) {
        std::vector<Frame> block = Mix(RMixer::kOutputBlockFrames);
        out->insert(out->end(), block.begin(), block.end());
        stream->Refill();
    }
}

inline bool AllSilent(const std::vector<Frame>& frames, size_t from = 0)
{
    for (size_t i = from; i < frames.size(); ++i) {
        if (frames[i] != kSilence)
            return false;
    }
    return true;
}

// Where the left channel changes sign between non-silent frames in [first, end): the frame after each change.
inline std::vector<size_t> ZeroCrossings(const std::vector<Frame>& frames, size_t first, size_t end)
{
    std::vector<size_t> crossings;
    for (size_t i = first + 1; i < end && i < frames.size(); ++i) {
        const int a = frames[i - 1].left, b = frames[i].left;
        if ((a > 0 && b < 0) || (a < 0 && b > 0))
            crossings.push_back(i);
    }
    return crossings;
}

// Runs of non-silent frames, [begin, end).
struct SoundRun {
    size_t begin;
    size_t end;
    size_t Length() const { return end - begin; }
};
inline std::vector<SoundRun> SoundingRuns(const std::vector<Frame>& frames)
{
    std::vector<SoundRun> runs;
    for (size_t i = 0; i < frames.size();) {
        while (i < frames.size() && frames[i] == kSilence)
            ++i;
        size_t begin = i;
        while (i < frames.size() && frames[i] != kSilence)
            ++i;
        if (i > begin)
            runs.push_back(SoundRun{begin, i});
    }
    return runs;
}

} // namespace audiotest
