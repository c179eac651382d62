// The software mixer, driven by calling its audio callback directly and comparing every output sample.
#include "AudioTestSupport.h"

#include <algorithm>
#include <cmath>

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
    // A buffer destroyed at the end of the test, playing when loop is 0 or 1.
    RFMLAudioBuffer* Make(uint32_t channels, uint32_t bits, const std::vector<uint8_t>& bytes, int loop = -1,
                          uint32_t rate = 44100)
    {
        m_buffers.push_back(MakeBuffer(channels, bits, rate, bytes));
        if (loop >= 0)
            RFMLAudioBuffer::Play(m_buffers.back(), loop == 1);
        return m_buffers.back();
    }
    RFMLAudioBuffer* Make16(uint32_t channels, const std::vector<int16_t>& samples, int loop = -1, uint32_t rate = 44100)
    {
        return Make(channels, 16, Bytes16(samples), loop, rate);
    }
    void Forget(RFMLAudioBuffer* buffer)
    {
        m_buffers.erase(std::find(m_buffers.begin(), m_buffers.end(), buffer));
        RFMLAudioBuffer::Destroy(buffer);
    }
    static uint32_t Status(RFMLAudioBuffer* buffer)
    {
        uint32_t status = 99;
        RFMLAudioBuffer::GetStatus(buffer, &status);
        return status;
    }
    static std::vector<int16_t> Ramp(int count, int first)
    {
        std::vector<int16_t> samples;
        for (int i = 0; i < count; ++i)
            samples.push_back(static_cast<int16_t>(first + i));
        return samples;
    }

    std::vector<RFMLAudioBuffer*> m_buffers;
};

TEST_F(MixerTest, SampleFormatsReachBothChannels)
{
    struct Case {
        uint32_t channels;
        uint32_t bits;
        std::vector<uint8_t> bytes;
        std::vector<Frame> expected; // looped
    };
    const Case cases[] = {
        {1, 16, Bytes16({1000, -7}), {{1000, 1000}, {-7, -7}, {1000, 1000}}},
        {2, 8, {0x02, 0xFE, 0x7F, 0x80}, {{512, -512}, {32512, -32768}, {512, -512}}},
        {1, 8, {0x10, 0xF0}, {{4096, 4096}, {-4096, -4096}, {4096, 4096}}},
        // Formats it cannot play mix as silence.
        {2, 24, std::vector<uint8_t>(600, 0x40), {kSilence, kSilence, kSilence}},
        {6, 16, std::vector<uint8_t>(600, 0x40), {kSilence, kSilence, kSilence}},
    };
    for (const Case& c : cases) {
        RFMLAudioBuffer* buffer = Make(c.channels, c.bits, c.bytes, 1);
        EXPECT_EQ(Mix(3), c.expected) << c.channels << " channels, " << c.bits << " bits";
        Forget(buffer);
    }
}

TEST_F(MixerTest, VolumeAndLinearBalanceAreClampedAndNeverNaN)
{
    RFMLAudioBuffer* buffer = Make16(2, std::vector<int16_t>(64, 1000), 1);
    RFMLAudioBuffer::SetPan(buffer, -1.0f);
    EXPECT_EQ(Mix(2)[0], (Frame{1000, 0}));
    RFMLAudioBuffer::SetPan(buffer, 0.5f);
    EXPECT_EQ(Mix(2)[0], (Frame{500, 1000}));
    RFMLAudioBuffer::SetVolume(buffer, 0.25f);
    EXPECT_EQ(Mix(2)[0], (Frame{125, 250}));

    const std::pair<float, float> volumes[] = {{1.5f, 1.0f}, {-3.0f, 0.0f}, {std::nanf(""), 0.0f}};
    for (const auto& v : volumes) {
        RFMLAudioBuffer::SetVolume(buffer, v.first);
        EXPECT_EQ(RFMLAudioBuffer::GetVolume(buffer), v.second) << v.first;
    }
    const std::pair<float, float> pans[] = {{-2.0f, -1.0f}, {2.0f, 1.0f}, {std::nanf(""), 0.0f}};
    for (const auto& p : pans) {
        RFMLAudioBuffer::SetPan(buffer, p.first);
        EXPECT_EQ(RFMLAudioBuffer::GetPan(buffer), p.second) << p.first;
    }
    EXPECT_EQ(Mix(2)[1], kSilence);
}

TEST_F(MixerTest, BufferWithoutLoopPlaysOnceAcrossBlocksThenStops)
{
    // 100 frames in one block, then again from the first sample.
    RFMLAudioBuffer* shortOne = Make16(1, Ramp(100, 1), 0);
    std::vector<Frame> out = Mix(4096);
    EXPECT_EQ(out[99], (Frame{100, 100}));
    EXPECT_TRUE(AllSilent(out, 100));
    EXPECT_EQ(Status(shortOne), 0u);
    RFMLAudioBuffer::Play(shortOne, false);
    out = Mix(200);
    EXPECT_EQ(out[0], (Frame{1, 1}));
    EXPECT_EQ(out[100], kSilence);
    Forget(shortOne);

    // Two and a half blocks of 64 frames; block k holds the value k + 1.
    std::vector<int16_t> samples;
    for (int i = 0; i < 160; ++i)
        samples.push_back(static_cast<int16_t>(i / 64 + 1));
    RFMLAudioBuffer* longOne = Make16(1, samples, 0);
    EXPECT_EQ(Mix(64)[63], (Frame{1, 1}));
    out = Mix(64);
    EXPECT_EQ(out[0], (Frame{2, 2}));
    EXPECT_EQ(out[63], (Frame{2, 2}));
    out = Mix(64);
    EXPECT_EQ(out[31], (Frame{3, 3}));
    EXPECT_EQ(out[32], kSilence);
    EXPECT_EQ(Status(longOne), 0u);
}

TEST_F(MixerTest, LoopingOrResampledBuffersContinueAcrossBlocks)
{
    RFMLAudioBuffer* buffer = Make16(2, {1, -1, 2, -2, 3, -3}, 1);
    EXPECT_EQ(Mix(5), (std::vector<Frame>{{1, -1}, {2, -2}, {3, -3}, {1, -1}, {2, -2}}));
    EXPECT_EQ(Mix(2), (std::vector<Frame>{{3, -3}, {1, -1}}));
    Forget(buffer);

    // 22,050 per second: each source frame is held for two output frames; the next block goes on from there.
    Make16(1, Ramp(64, 100), 0, 22050);
    EXPECT_EQ(Mix(6), (std::vector<Frame>{{100, 100}, {100, 100}, {101, 101}, {101, 101}, {102, 102}, {102, 102}}));
    EXPECT_EQ(Mix(8)[0], (Frame{103, 103}));
}

TEST_F(MixerTest, PartialOrEmptyFramesAreNeverRead)
{
    // Ten bytes of stereo 16-bit: two whole frames and half of a third.
    const std::vector<uint8_t> tenBytes = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0};
    RFMLAudioBuffer* once = Make(2, 16, tenBytes, 0);
    EXPECT_EQ(Mix(4), (std::vector<Frame>{{1, 2}, {3, 4}, kSilence, kSilence}));
    EXPECT_EQ(Status(once), 0u);
    Forget(once);
    RFMLAudioBuffer* looping = Make(2, 16, tenBytes, 1);
    EXPECT_EQ(Mix(4), (std::vector<Frame>{{1, 2}, {3, 4}, {1, 2}, {3, 4}}));
    Forget(looping);

    // Smaller than one frame, or empty: silent and harmless, looping or not, beside a playing buffer.
    Make16(1, std::vector<int16_t>(64, 5), 1);
    RFMLAudioBuffer* tiny = Make(2, 16, {7, 7}, 1);
    RFMLAudioBuffer* empty = Make(2, 16, {}, 1);
    RFMLAudioBuffer* formatless = Make(0, 0, {}, 0, 0);
    // Frames of less than a byte (4-bit samples): no whole frame to play, so played once it ends at once.
    RFMLAudioBuffer* nibbles = Make(1, 4, std::vector<uint8_t>(64, 0x77), 0);
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_EQ(Mix(16), std::vector<Frame>(16, Frame{5, 5}));
    EXPECT_EQ(Status(tiny), 1u);
    EXPECT_EQ(Status(empty), 1u);
    EXPECT_EQ(Status(formatless), 0u);
    EXPECT_EQ(Status(nibbles), 0u);
    RFMLAudioBuffer::Play(tiny, false);
    Mix(3);
    EXPECT_EQ(Status(tiny), 0u);
}

} // namespace
