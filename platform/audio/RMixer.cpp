#include "platform/audio/RMixer.h"

#include "core/types/RUtilVector.h"
#include "platform/audio/RFMLAudioBuffer.h"

#include <SDL_mutex.h>
#include <cstring>

namespace {

// Every registered buffer, in registration order.
RUtilVector<RFMLAudioBuffer*> s_buffers;
// Created once by RMixer::Init and kept for the life of the process.
SDL_mutex* s_mixerLock = nullptr;

// Output frames summed at a time; the sums live on the stack.
constexpr uint32_t kChunkFrames = 512;

enum class SampleLayout { Silent, Stereo16, Stereo8, Mono16, Mono8 };

SampleLayout LayoutOf(const RAudioFormat& format)
{
    if (format.channels == 2 && format.bitsPerSample == 16)
        return SampleLayout::Stereo16;
    if (format.channels == 2 && format.bitsPerSample == 8)
        return SampleLayout::Stereo8;
    if (format.channels == 1 && format.bitsPerSample == 16)
        return SampleLayout::Mono16;
    if (format.channels == 1 && format.bitsPerSample == 8)
        return SampleLayout::Mono8;
    return SampleLayout::Silent;
}

uint64_t FrameBytes(const RAudioFormat& format)
{
    return static_cast<uint64_t>(format.channels) * (format.bitsPerSample / 8);
}

// The bytes of a buffer that hold whole frames: a partial frame at the end is never read, and a format whose
// frames are not whole bytes (no channels, or samples under 8 bits) holds none, so it neither sounds nor runs on.
uint64_t WholeFrameBytes(uint32_t size, const RAudioFormat& format)
{
    const uint64_t frameBytes = FrameBytes(format);
    return frameBytes ? size - size % frameBytes : 0;
}

// Source frames per output frame, in single precision.
float RateRatio(const RAudioFormat& format)
{
    return static_cast<float>(format.samplesPerSecond) / static_cast<float>(RMixer::kOutputRate);
}

// The source frame read for output frame i: i scaled by the rate ratio and truncated.
uint64_t SourceFrame(float ratio, bool sameRate, uint64_t i)
{
    return sameRate ? i : static_cast<uint64_t>(ratio * static_cast<float>(i));
}

float ReadSigned16(const uint8_t* bytes)
{
    return static_cast<float>(static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8))));
}

float ReadSigned8(const uint8_t* bytes)
{
    return static_cast<float>(static_cast<int8_t>(bytes[0])) * 256.0f;
}

int16_t ToOutputSample(float sum)
{
    if (sum < -32768.0f)
        return -32768;
    if (sum >= 32767.0f)
        return 32767;
    return static_cast<int16_t>(sum);
}

} // namespace

void RMixer::Init()
{
    if (!s_mixerLock)
        s_mixerLock = SDL_CreateMutex();
}

void RMixer::Lock()
{
    if (s_mixerLock)
        SDL_LockMutex(s_mixerLock);
}

void RMixer::Unlock()
{
    if (s_mixerLock)
        SDL_UnlockMutex(s_mixerLock);
}

void RMixer::AddBuffer(RFMLAudioBuffer* buffer)
{
    s_buffers.push(buffer);
}

void RMixer::RemoveBuffer(RFMLAudioBuffer* buffer)
{
    s_buffers.eraseElement(buffer);
}

namespace {

// What one buffer's mixing needs, read from it under the lock.
struct MixSource {
    const uint8_t* data;
    uint64_t size;  // whole frames only
    uint64_t playCursor;
    uint64_t frameBytes;
    float ratio;
    bool sameRate;
    bool loop;
    float volume;
    float leftPan;   // 1 - pan for a pan to the right, else 1
    float rightPan;  // 1 + pan for a pan to the left, else 1
};

// Adds output frames first .. first + count - 1 of one buffer to sums. Returns false when a frame would end
// past the data of a buffer that does not loop: that buffer has ended and adds nothing from there on.
template <SampleLayout layout> bool AddFrames(const MixSource& source, float* sums, uint32_t first, uint32_t count)
{
    const uint64_t size = source.size;
    const uint64_t frameBytes = source.frameBytes;
    for (uint32_t k = 0; k < count; ++k) {
        uint64_t position = SourceFrame(source.ratio, source.sameRate, first + k) * frameBytes + source.playCursor;
        if (position >= size || size - position < frameBytes) {
            if (!source.loop)
                return false;
            if (size == 0)
                return true;  // not one whole frame: a looping buffer too small to sound
            position %= size;
            if (size - position < frameBytes)
                position = 0;  // a cursor set between frames
        }
        const uint8_t* frame = source.data + position;
        float left;
        float right;
        switch (layout) {
        case SampleLayout::Stereo16:
            left = ReadSigned16(frame);
            right = ReadSigned16(frame + 2);
            break;
        case SampleLayout::Stereo8:
            left = ReadSigned8(frame);
            right = ReadSigned8(frame + 1);
            break;
        case SampleLayout::Mono16:
            left = right = ReadSigned16(frame);
            break;
        case SampleLayout::Mono8:
            left = right = ReadSigned8(frame);
            break;
        default:
            continue;
        }
        left *= source.volume;
        right *= source.volume;
        left *= source.leftPan;
        right *= source.rightPan;
        sums[2 * k] += left;
        sums[2 * k + 1] += right;
    }
    return true;
}

} // namespace

void RMixer::StopAtEnd(RFMLAudioBuffer* buffer)
{
    // Rewound as well as stopped, so that playing it again starts from its first byte.
    buffer->m_playing = false;
    buffer->m_playCursor = 0;
    buffer->m_writeCursor = 0;
}

void RMixer::AdvanceCursors(RFMLAudioBuffer* buffer, uint32_t frames)
{
    if (!buffer->m_loop && buffer->m_writeCursor < buffer->m_playCursor) {
        StopAtEnd(buffer);
        return;
    }
    buffer->m_playCursor = buffer->m_writeCursor;
    // The bytes the coming block reads: the source frames it steps over, frame for frame at 44,100 per second
    // and in proportion at other rates.
    const RAudioFormat& format = buffer->m_format;
    const uint64_t step = SourceFrame(RateRatio(format), format.samplesPerSecond == kOutputRate, frames) *
                          FrameBytes(format);
    const uint64_t size = WholeFrameBytes(buffer->m_size, format);
    // A looping ring goes round however short it is; one that plays once ends where its data ends.
    if (size != 0 && (step < size || buffer->m_loop))
        buffer->m_writeCursor = static_cast<uint32_t>((buffer->m_playCursor + step) % size);
    else
        buffer->m_writeCursor = buffer->m_playCursor != 0 ? buffer->m_playCursor : static_cast<uint32_t>(size);
}

void RMixer::MixBuffer(RFMLAudioBuffer* buffer, float* sums, uint32_t first, uint32_t count)
{
    const RAudioFormat& format = buffer->m_format;
    MixSource source;
    source.data = buffer->m_data;
    source.size = WholeFrameBytes(buffer->m_size, format);
    source.playCursor = buffer->m_playCursor;
    source.frameBytes = FrameBytes(format);
    source.ratio = RateRatio(format);
    source.sameRate = format.samplesPerSecond == kOutputRate;
    source.loop = buffer->m_loop;
    source.volume = buffer->m_volume;
    source.leftPan = buffer->m_pan > 0.0f ? 1.0f - buffer->m_pan : 1.0f;
    source.rightPan = buffer->m_pan < 0.0f ? 1.0f + buffer->m_pan : 1.0f;
    bool goesOn;
    switch (LayoutOf(format)) {
    case SampleLayout::Stereo16:
        goesOn = AddFrames<SampleLayout::Stereo16>(source, sums, first, count);
        break;
    case SampleLayout::Stereo8:
        goesOn = AddFrames<SampleLayout::Stereo8>(source, sums, first, count);
        break;
    case SampleLayout::Mono16:
        goesOn = AddFrames<SampleLayout::Mono16>(source, sums, first, count);
        break;
    case SampleLayout::Mono8:
        goesOn = AddFrames<SampleLayout::Mono8>(source, sums, first, count);
        break;
    default:
        goesOn = AddFrames<SampleLayout::Silent>(source, sums, first, count);
        break;
    }
    if (!goesOn)
        StopAtEnd(buffer);
}

void RMixer::Callback(void*, uint8_t* stream, int len)
{
    if (!stream || len <= 0)
        return;
    memset(stream, 0, static_cast<size_t>(len));
    if (!s_mixerLock)
        return;
    SDL_LockMutex(s_mixerLock);
    const uint32_t frames = static_cast<uint32_t>(len) / 4;
    for (RFMLAudioBuffer* buffer : s_buffers) {
        if (buffer->m_playing)
            AdvanceCursors(buffer, frames);
    }
    float sums[2 * kChunkFrames];
    for (uint32_t first = 0; first < frames; first += kChunkFrames) {
        const uint32_t count = frames - first < kChunkFrames ? frames - first : kChunkFrames;
        memset(sums, 0, sizeof(float) * 2 * count);
        for (RFMLAudioBuffer* buffer : s_buffers) {
            if (buffer->m_playing)
                MixBuffer(buffer, sums, first, count);
        }
        uint8_t* out = stream + static_cast<size_t>(first) * 4;
        for (uint32_t k = 0; k < 2 * count; ++k) {
            const uint16_t sample = static_cast<uint16_t>(ToOutputSample(sums[k]));
            out[2 * k] = static_cast<uint8_t>(sample & 0xFF);
            out[2 * k + 1] = static_cast<uint8_t>(sample >> 8);
        }
    }
    SDL_UnlockMutex(s_mixerLock);
}
