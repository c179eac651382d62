// The software mixer's cost per second of output for 8, 32 and 128 playing buffers, with SDL's own
// SDL_MixAudioFormat mixing the same buffers into the same block format as a yardstick.
//
// Each iteration produces one device block (4,096 stereo frames, about 93 ms). The counter "cost_per_output_s"
// is the CPU time one second of output takes; divide the engine's value by SDL's for the ratio.
#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RMixer.h"

#include <benchmark/benchmark.h>

#include <SDL_audio.h>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kBlockBytes = RMixer::kOutputBlockFrames * 4;
// One second of stereo 16-bit noise per buffer.
constexpr uint32_t kSourceBytes = RMixer::kOutputRate * 4;

// The same sample bytes for both mixers: one second of noise per buffer, a different one for each.
std::vector<std::vector<uint8_t>> MakeSources(int count)
{
    std::vector<std::vector<uint8_t>> sources(static_cast<size_t>(count));
    uint32_t seed = 12345;
    for (std::vector<uint8_t>& source : sources) {
        source.resize(kSourceBytes);
        for (uint8_t& byte : source) {
            seed = seed * 1664525u + 1013904223u;
            byte = static_cast<uint8_t>(seed >> 24);
        }
    }
    return sources;
}

void SetOutputCounter(benchmark::State& state)
{
    // Seconds of output produced; as an inverted rate it reads as seconds of CPU per second of output.
    const double outputSeconds =
        static_cast<double>(state.iterations()) * RMixer::kOutputBlockFrames / RMixer::kOutputRate;
    state.counters["cost_per_output_s"] =
        benchmark::Counter(outputSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void EngineMixer(benchmark::State& state)
{
    RMixer().Init();
    const int count = static_cast<int>(state.range(0));
    std::vector<std::vector<uint8_t>> sources = MakeSources(count);
    RAudioFormat format;
    format.channels = 2;
    format.bitsPerSample = 16;
    format.samplesPerSecond = RMixer::kOutputRate;
    RFMLAudioBufferDesc desc;
    desc.size = kSourceBytes;
    desc.format = &format;
    std::vector<RFMLAudioBuffer*> buffers;
    for (int i = 0; i < count; ++i) {
        RFMLAudioBuffer* buffer = RFMLAudioBuffer::Create(desc);
        void* r1;
        void* r2;
        uint32_t n1;
        uint32_t n2;
        RFMLAudioBuffer::Lock(buffer, 0, 0, &r1, &n1, &r2, &n2, RFMLAudioBuffer::kLockEntireBuffer);
        memcpy(r1, sources[static_cast<size_t>(i)].data(), n1);
        RFMLAudioBuffer::Unlock(buffer, r1, n1, r2, n2);
        RFMLAudioBuffer::SetVolume(buffer, 0.5f);
        RFMLAudioBuffer::Play(buffer, true);
        buffers.push_back(buffer);
    }
    std::vector<uint8_t> block(kBlockBytes);
    for (auto _ : state) {
        RMixer::Callback(nullptr, block.data(), static_cast<int>(block.size()));
        benchmark::DoNotOptimize(block.data());
    }
    for (RFMLAudioBuffer* buffer : buffers)
        RFMLAudioBuffer::Destroy(buffer);
    SetOutputCounter(state);
}

void SdlMixAudioFormat(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::vector<std::vector<uint8_t>> sources = MakeSources(count);
    std::vector<uint8_t> block(kBlockBytes);
    uint32_t offset = 0;
    for (auto _ : state) {
        memset(block.data(), 0, block.size());
        // Each source wraps round like a looping buffer; a block never straddles the end (it divides evenly
        // often enough not to matter for the cost).
        if (offset + kBlockBytes > kSourceBytes)
            offset = 0;
        for (const std::vector<uint8_t>& source : sources)
            SDL_MixAudioFormat(block.data(), source.data() + offset, AUDIO_S16LSB, kBlockBytes, SDL_MIX_MAXVOLUME / 2);
        offset += kBlockBytes;
        benchmark::DoNotOptimize(block.data());
    }
    SetOutputCounter(state);
}

} // namespace

BENCHMARK(EngineMixer)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK(SdlMixAudioFormat)->Arg(8)->Arg(32)->Arg(128);
