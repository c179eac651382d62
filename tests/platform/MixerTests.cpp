// The software mixer, driven by calling its audio callback directly and comparing every output sample.
#include "AudioTestSupport.h"
#include "platform/audio/RFMLAudioBuffer.h"
#include "platform/audio/RMixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace audiotest;

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override { RMixer().Init(); }
    void TearDown() override
    {
        for (RFMLAudioBuffer* buffer : m_buffers)
            RFMLAudioBuffer::Destroy(buffer);
    }

    RFMLAudioBuffer* Make(uint32_t channels, uint32_t bits, uint32_t rate, const std::vector<uint8_t>& bytes)
    {
        RAudioFormat format;
        format.channels = channels;
        format.bitsPerSample = bits;
        format.samplesPerSecond = rate;
        RFMLAudioBufferDesc desc;
        desc.size = static_cast<uint32_t>(bytes.size());
        desc.format = &format;
        RFMLAudioBuffer* buffer = RFMLAudioBuffer::Create(desc);
        EXPECT_NE(buffer, nullptr);
        void* r1 = nullptr;
        void* r2 = nullptr;
        uint32_t n1 = 0;
        uint32_t n2 = 0;
        EXPECT_TRUE(RFMLAudioBuffer::Lock(buffer, 0, 0, &r1, &n1, &r2, &n2, RFMLAudioBuffer::kLockEntireBuffer));
        EXPECT_EQ(n1, bytes.size());
        EXPECT_EQ(n2, 0u);
        if (n1)
            memcpy(r1, bytes.data(), n1);
        RFMLAudioBuffer::Unlock(buffer, r1, n1, r2, n2);
        m_buffers.push_back(buffer);
        return buffer;
    }

    RFMLAudioBuffer* Make16(uint32_t channels, const std::vector<int16_t>& samples, uint32_t rate = 44100)
    {
        std::vector<uint8_t> bytes;
        for (int16_t s : samples) {
            bytes.push_back(static_cast<uint8_t>(s & 0xFF));
            bytes.push_back(static_cast<uint8_t>((static_cast<uint16_t>(s) >> 8) & 0xFF));
        }
        return Make(channels, 16, rate, bytes);
    }

    void Forget(RFMLAudioBuffer* buffer)
    {
        for (size_t i = 0; i < m_buffers.size(); ++i) {
            if (m_buffers[i] == buffer)
                m_buffers.erase(m_buffers.begin() + static_cast<long>(i));
        }
        RFMLAudioBuffer::Destroy(buffer);
    }

    static uint32_t Status(RFMLAudioBuffer* buffer)
    {
        uint32_t status = 99;
        RFMLAudioBuffer::GetStatus(buffer, &status);
        return status;
    }

    std::vector<RFMLAudioBuffer*> m_buffers;
};

TEST_F(MixerTest, MonoSampleReachesBothChannels)
{
    RFMLAudioBuffer* buffer = Make16(1, std::vector<int16_t>(8192, 1000));
    RFMLAudioBuffer::Play(buffer, true);
    for (const Frame& f : Mix(4096))
        ASSERT_EQ(f, (Frame{1000, 1000}));
}

TEST_F(MixerTest, SumsClipToSixteenBits)
{
    RFMLAudioBuffer* a = Make16(2, std::vector<int16_t>(64, 30000));
    RFMLAudioBuffer* b = Make16(2, std::vector<int16_t>(64, 30000));
    RFMLAudioBuffer::Play(a, true);
    RFMLAudioBuffer::Play(b, true);
    EXPECT_EQ(Mix(4)[0], (Frame{32767, 32767}));
    Forget(a);
    Forget(b);
    a = Make16(2, std::vector<int16_t>(64, -30000));
    b = Make16(2, std::vector<int16_t>(64, -30000));
    RFMLAudioBuffer::Play(a, true);
    RFMLAudioBuffer::Play(b, true);
    EXPECT_EQ(Mix(4)[3], (Frame{-32768, -32768}));
}

TEST_F(MixerTest, VolumeAndLinearBalance)
{
    RFMLAudioBuffer* buffer = Make16(2, std::vector<int16_t>(64, 1000));
    RFMLAudioBuffer::Play(buffer, true);
    RFMLAudioBuffer::SetPan(buffer, -1.0f);
    EXPECT_EQ(Mix(2)[0], (Frame{1000, 0}));
    RFMLAudioBuffer::SetPan(buffer, 0.5f);
    EXPECT_EQ(Mix(2)[0], (Frame{500, 1000}));
    RFMLAudioBuffer::SetVolume(buffer, 0.25f);
    EXPECT_EQ(Mix(2)[0], (Frame{125, 250}));

    // Stored values are clamped; a NaN never reaches the sums.
    RFMLAudioBuffer::SetVolume(buffer, 1.5f);
    EXPECT_EQ(RFMLAudioBuffer::GetVolume(buffer), 1.0f);
    RFMLAudioBuffer::SetVolume(buffer, -3.0f);
    EXPECT_EQ(RFMLAudioBuffer::GetVolume(buffer), 0.0f);
    RFMLAudioBuffer::SetPan(buffer, -2.0f);
    EXPECT_EQ(RFMLAudioBuffer::GetPan(buffer), -1.0f);
    RFMLAudioBuffer::SetVolume(buffer, std::nanf(""));
    RFMLAudioBuffer::SetPan(buffer, std::nanf(""));
    EXPECT_EQ(RFMLAudioBuffer::GetVolume(buffer), 0.0f);
    EXPECT_EQ(RFMLAudioBuffer::GetPan(buffer), 0.0f);
    EXPECT_EQ(Mix(2)[1], (Frame{0, 0}));
}

TEST_F(MixerTest, EightBitSamplesAreSignedAndScaled)
{
    RFMLAudioBuffer* stereo = Make(2, 8, 44100, {0x02, 0xFE, 0x7F, 0x80});
    RFMLAudioBuffer::Play(stereo, true);
    std::vector<Frame> out = Mix(3);
    EXPECT_EQ(out[0], (Frame{512, -512}));
    EXPECT_EQ(out[1], (Frame{32512, -32768}));
    EXPECT_EQ(out[2], (Frame{512, -512}));  // looped
    Forget(stereo);
    RFMLAudioBuffer* mono = Make(1, 8, 44100, {0x10, 0xF0});
    RFMLAudioBuffer::Play(mono, true);
    out = Mix(2);
    EXPECT_EQ(out[0], (Frame{4096, 4096}));
    EXPECT_EQ(out[1], (Frame{-4096, -4096}));
}

TEST_F(MixerTest, FormatsItCannotPlayMixAsSilence)
{
    RFMLAudioBuffer* wide = Make(2, 24, 44100, std::vector<uint8_t>(600, 0x40));
    RFMLAudioBuffer* many = Make(6, 16, 44100, std::vector<uint8_t>(600, 0x40));
    RFMLAudioBuffer::Play(wide, true);
    RFMLAudioBuffer::Play(many, true);
    for (const Frame& f : Mix(256))
        ASSERT_EQ(f, (Frame{0, 0}));
}

TEST_F(MixerTest, SecondLockWaitsForUnlock)
{
    RFMLAudioBuffer* buffer = Make(2, 16, 44100, std::vector<uint8_t>(400));
    void* r1 = nullptr;
    void* r2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    ASSERT_TRUE(RFMLAudioBuffer::Lock(buffer, 400 - 40, 100, &r1, &n1, &r2, &n2, 0));
    EXPECT_EQ(n1, 40u);
    EXPECT_EQ(n2, 60u);
    EXPECT_EQ(static_cast<uint8_t*>(r1), static_cast<uint8_t*>(r2) + 360);

    void* s1 = &n1;
    void* s2 = &n2;
    uint32_t m1 = 7;
    uint32_t m2 = 8;
    EXPECT_FALSE(RFMLAudioBuffer::Lock(buffer, 0, 10, &s1, &m1, &s2, &m2, 0));
    EXPECT_EQ(s1, static_cast<void*>(&n1));
    EXPECT_EQ(s2, static_cast<void*>(&n2));
    EXPECT_EQ(m1, 7u);
    EXPECT_EQ(m2, 8u);
    RFMLAudioBuffer::Unlock(buffer, r1, n1, r2, n2);

    // Offsets past the end wrap round the ring and a request is never larger than the ring.
    ASSERT_TRUE(RFMLAudioBuffer::Lock(buffer, 1000, 5000, &s1, &m1, &s2, &m2, 0));
    EXPECT_EQ(m1, 200u);
    EXPECT_EQ(m2, 200u);
    EXPECT_EQ(static_cast<uint8_t*>(s1), static_cast<uint8_t*>(s2) + 200);
    RFMLAudioBuffer::Unlock(buffer, s1, m1, s2, m2);

    // From the write cursor.
    RFMLAudioBuffer::SetPosition(buffer, 100);
    ASSERT_TRUE(RFMLAudioBuffer::Lock(buffer, 0, 50, &s1, &m1, &s2, &m2, RFMLAudioBuffer::kLockFromWriteCursor));
    EXPECT_EQ(static_cast<uint8_t*>(s1), static_cast<uint8_t*>(r2) + 100);
    EXPECT_EQ(m1, 50u);
    EXPECT_EQ(m2, 0u);
    EXPECT_EQ(s2, nullptr);
    RFMLAudioBuffer::Unlock(buffer, s1, m1, s2, m2);
}

TEST_F(MixerTest, ShortBufferWithoutLoopPlaysOnceAndStops)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 100; ++i)
        samples.push_back(static_cast<int16_t>(i + 1));
    RFMLAudioBuffer* buffer = Make16(1, samples);
    RFMLAudioBuffer::Play(buffer, false);
    std::vector<Frame> out = Mix(4096);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(out[i], (Frame{static_cast<int16_t>(i + 1), static_cast<int16_t>(i + 1)}));
    for (int i = 100; i < 4096; ++i)
        ASSERT_EQ(out[i], (Frame{0, 0}));
    EXPECT_EQ(Status(buffer), 0u);
    uint32_t play = 1;
    uint32_t write = 1;
    RFMLAudioBuffer::GetCursors(buffer, &play, &write);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 0u);

    // Played again, it starts from its first sample.
    RFMLAudioBuffer::Play(buffer, false);
    out = Mix(200);
    EXPECT_EQ(out[0], (Frame{1, 1}));
    EXPECT_EQ(out[99], (Frame{100, 100}));
    EXPECT_EQ(out[100], (Frame{0, 0}));
}

TEST_F(MixerTest, LongBufferCarriesOnAcrossBlocksThenStops)
{
    // Two and a half blocks of 64 frames; block k holds the value k + 1.
    std::vector<int16_t> samples;
    for (int i = 0; i < 160; ++i)
        samples.push_back(static_cast<int16_t>(i / 64 + 1));
    RFMLAudioBuffer* buffer = Make16(1, samples);
    RFMLAudioBuffer::Play(buffer, false);
    EXPECT_EQ(Mix(64)[63], (Frame{1, 1}));
    uint32_t play = 0;
    uint32_t write = 0;
    RFMLAudioBuffer::GetCursors(buffer, &play, &write);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 128u);
    std::vector<Frame> out = Mix(64);
    EXPECT_EQ(out[0], (Frame{2, 2}));
    EXPECT_EQ(out[63], (Frame{2, 2}));
    out = Mix(64);
    EXPECT_EQ(out[31], (Frame{3, 3}));
    EXPECT_EQ(out[32], (Frame{0, 0}));
    EXPECT_EQ(Status(buffer), 0u);
}

TEST_F(MixerTest, BufferEndingOnABlockStopsAtTheNextBlock)
{
    RFMLAudioBuffer* buffer = Make16(1, std::vector<int16_t>(128, 9));
    RFMLAudioBuffer::Play(buffer, false);
    Mix(64);
    EXPECT_EQ(Mix(64)[63], (Frame{9, 9}));
    EXPECT_EQ(Status(buffer), 1u);
    EXPECT_EQ(Mix(64)[0], (Frame{0, 0}));
    EXPECT_EQ(Status(buffer), 0u);
}

TEST_F(MixerTest, LoopingBufferWrapsAndContinuesAcrossBlocks)
{
    RFMLAudioBuffer* buffer = Make16(2, {1, -1, 2, -2, 3, -3});
    RFMLAudioBuffer::Play(buffer, true);
    std::vector<Frame> first = Mix(5);
    std::vector<Frame> second = Mix(5);
    std::vector<Frame> expected = {{1, -1}, {2, -2}, {3, -3}, {1, -1}, {2, -2}};
    EXPECT_EQ(first, expected);
    // Five frames consumed: the next block starts at frame 5 mod 3 = 2.
    expected = {{3, -3}, {1, -1}, {2, -2}, {3, -3}, {1, -1}};
    EXPECT_EQ(second, expected);
    EXPECT_EQ(Status(buffer), 1u);
}

TEST_F(MixerTest, PartialFrameAtTheEndIsNeverRead)
{
    // Ten bytes of stereo 16-bit: two whole frames and half of a third.
    RFMLAudioBuffer* once = Make(2, 16, 44100, {1, 0, 2, 0, 3, 0, 4, 0, 5, 0});
    RFMLAudioBuffer::Play(once, false);
    std::vector<Frame> out = Mix(4);
    std::vector<Frame> expected = {{1, 2}, {3, 4}, {0, 0}, {0, 0}};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(Status(once), 0u);
    Forget(once);

    RFMLAudioBuffer* looping = Make(2, 16, 44100, {1, 0, 2, 0, 3, 0, 4, 0, 5, 0});
    RFMLAudioBuffer::Play(looping, true);
    out = Mix(4);
    expected = {{1, 2}, {3, 4}, {1, 2}, {3, 4}};
    EXPECT_EQ(out, expected);
    Forget(looping);

    // Smaller than one frame: silent whether it loops or not.
    RFMLAudioBuffer* tiny = Make(2, 16, 44100, {7, 7});
    RFMLAudioBuffer::Play(tiny, true);
    EXPECT_EQ(Mix(3)[2], (Frame{0, 0}));
    EXPECT_EQ(Status(tiny), 1u);
    RFMLAudioBuffer::Play(tiny, false);
    EXPECT_EQ(Mix(3)[0], (Frame{0, 0}));
    EXPECT_EQ(Status(tiny), 0u);
}

TEST_F(MixerTest, EmptyBufferAddsNothing)
{
    RFMLAudioBuffer* other = Make16(1, std::vector<int16_t>(64, 5));
    RFMLAudioBuffer* looping = Make(2, 16, 44100, {});
    RFMLAudioBuffer* once = Make(0, 0, 0, {});
    RFMLAudioBuffer::Play(other, true);
    RFMLAudioBuffer::Play(looping, true);
    RFMLAudioBuffer::Play(once, false);
    for (int pass = 0; pass < 3; ++pass) {
        for (const Frame& f : Mix(16))
            ASSERT_EQ(f, (Frame{5, 5}));
    }
    EXPECT_EQ(Status(looping), 1u);
    EXPECT_EQ(Status(once), 0u);
}

TEST_F(MixerTest, PausedBufferKeepsItsPlace)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < 40; ++i)
        samples.push_back(static_cast<int16_t>(i));
    RFMLAudioBuffer* buffer = Make16(1, samples);
    RFMLAudioBuffer::Play(buffer, false);
    EXPECT_EQ(Mix(10)[9], (Frame{9, 9}));
    RFMLAudioBuffer::Stop(buffer);
    EXPECT_EQ(Mix(10)[0], (Frame{0, 0}));
    RFMLAudioBuffer::Play(buffer, false);
    EXPECT_EQ(Mix(10)[0], (Frame{10, 10}));
}

TEST_F(MixerTest, OtherRatesAdvanceByTheFramesTheyRead)
{
    // 22,050 per second: every source frame is held for two output frames, and the next block goes on from
    // the frame after the last one heard.
    std::vector<int16_t> samples;
    for (int i = 0; i < 64; ++i)
        samples.push_back(static_cast<int16_t>(100 + i));
    RFMLAudioBuffer* buffer = Make16(1, samples, 22050);
    RFMLAudioBuffer::Play(buffer, false);
    std::vector<Frame> out = Mix(8);
    std::vector<Frame> expected = {{100, 100}, {100, 100}, {101, 101}, {101, 101},
                                   {102, 102}, {102, 102}, {103, 103}, {103, 103}};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(Mix(8)[0], (Frame{104, 104}));
}

TEST_F(MixerTest, DestroyedBufferIsNoLongerMixed)
{
    RFMLAudioBuffer* a = Make16(1, std::vector<int16_t>(64, 10));
    RFMLAudioBuffer* b = Make16(1, std::vector<int16_t>(64, 20));
    RFMLAudioBuffer::Play(a, true);
    RFMLAudioBuffer::Play(b, true);
    EXPECT_EQ(Mix(2)[0], (Frame{30, 30}));
    Forget(a);
    EXPECT_EQ(Mix(2)[0], (Frame{20, 20}));
}

TEST_F(MixerTest, DuplicateCopiesBytesWithFreshState)
{
    RFMLAudioBuffer* source = Make16(2, {11, 12, 13, 14});
    RFMLAudioBuffer::SetVolume(source, 0.5f);
    RFMLAudioBuffer::SetPan(source, 0.5f);
    RFMLAudioBuffer::SetPosition(source, 4);
    RFMLAudioBuffer::Play(source, true);
    RFMLAudioBuffer::Stop(source);
    RFMLAudioBuffer* copy = RFMLAudioBuffer::Duplicate(source);
    ASSERT_NE(copy, nullptr);
    m_buffers.push_back(copy);
    EXPECT_EQ(copy->GetSize(), 8u);
    EXPECT_EQ(copy->GetFormat().channels, 2u);
    EXPECT_EQ(RFMLAudioBuffer::GetVolume(copy), 1.0f);
    EXPECT_EQ(RFMLAudioBuffer::GetPan(copy), 0.0f);
    EXPECT_EQ(Status(copy), 0u);
    uint32_t play = 1;
    uint32_t write = 1;
    RFMLAudioBuffer::GetCursors(copy, &play, &write);
    EXPECT_EQ(play + write, 0u);
    RFMLAudioBuffer::Play(copy, false);
    std::vector<Frame> out = Mix(3);
    std::vector<Frame> expected = {{11, 12}, {13, 14}, {0, 0}};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(RFMLAudioBuffer::Duplicate(nullptr), nullptr);
}

TEST_F(MixerTest, NullBufferOperationsDoNothing)
{
    uint32_t status = 5;
    RFMLAudioBuffer::GetStatus(nullptr, &status);
    EXPECT_EQ(status, 0u);
    RFMLAudioBuffer::Play(nullptr, true);
    RFMLAudioBuffer::SetVolume(nullptr, 1.0f);
    RFMLAudioBuffer::SetPosition(nullptr, 3);
    void* r = nullptr;
    uint32_t n = 0;
    EXPECT_FALSE(RFMLAudioBuffer::Lock(nullptr, 0, 0, &r, &n, &r, &n, 1));
    RFMLAudioBuffer::Destroy(nullptr);
}

} // namespace
