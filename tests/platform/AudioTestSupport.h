// Audio test helpers: a temporary folder registered with the stream manager, running the outside tools that make
// test WAVE files (python3's wave module, sox), the asset load sequence, and one call of the mixer's callback.
#pragma once

#include "core/RStreamMgr.h"
#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RMixer.h"
#include "platform/audio/RSoundAsset.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
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

inline std::ostream& operator<<(std::ostream& os, const Frame& f)
{
    return os << "(" << f.left << ", " << f.right << ")";
}

// A fresh folder, added to the stream manager as a search path (sources are never removed; names stay unique).
class TempAudioFolder {
public:
    TempAudioFolder()
    {
        char pattern[] = "/tmp/rolt-audio-XXXXXX";
        const char* made = mkdtemp(pattern);
        path = made ? made : "";
        RStreamMgr::GetInstance()->AddSearchPath(path.c_str());
    }
    ~TempAudioFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempAudioFolder(const TempAudioFolder&) = delete;
    TempAudioFolder& operator=(const TempAudioFolder&) = delete;

    std::string File(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

// Runs a shell command; the test fails when it does not exit with 0.
inline bool RunTool(const std::string& command)
{
    int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return status == 0;
}

// Runs a python3 program given as text (passed through a file, so no quoting is needed).
inline bool RunPython(const TempAudioFolder& folder, const std::string& program)
{
    std::string script = folder.File("make.py");
    std::ofstream(script) << program;
    return RunTool("python3 " + script);
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline int16_t Signed16(const uint8_t* bytes)
{
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
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

// The audio manager's load steps for an asset: Load, SetStreaming, a buffer from the description, LockAll, Fill,
// Close. Returns Load's answer.
inline bool LoadAsset(RSoundAsset* asset, const char* name, bool stream)
{
    bool loaded = asset->Load(name);
    asset->SetStreaming(stream);
    asset->SetBuffer(RFMLAudioBuffer::Create(asset->GetBufferDesc()));
    void* r1;
    void* r2;
    uint32_t n1;
    uint32_t n2;
    asset->LockAll(&r1, &n1, &r2, &n2);
    asset->Fill(r1, n1, r2, n2);
    asset->Close();
    return loaded;
}

// The bytes a buffer holds.
inline std::vector<uint8_t> BufferBytes(RFMLAudioBuffer* buffer)
{
    void* r1 = nullptr;
    void* r2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    std::vector<uint8_t> bytes;
    if (!RFMLAudioBuffer::Lock(buffer, 0, 0, &r1, &n1, &r2, &n2, RFMLAudioBuffer::kLockEntireBuffer))
        return bytes;
    bytes.assign(static_cast<uint8_t*>(r1), static_cast<uint8_t*>(r1) + n1);
    RFMLAudioBuffer::Unlock(buffer, r1, n1, r2, n2);
    return bytes;
}

// One call of the mixer's callback for the given number of output frames.
inline std::vector<Frame> Mix(uint32_t frames)
{
    std::vector<uint8_t> stream(frames * 4, 0xAB);
    RMixer::Callback(nullptr, stream.data(), static_cast<int>(stream.size()));
    std::vector<Frame> out(frames);
    for (uint32_t i = 0; i < frames; ++i)
        out[i] = Frame{Signed16(&stream[4 * i]), Signed16(&stream[4 * i + 2])};
    return out;
}

} // namespace audiotest
