// Music strings and the tone generator: the parser's notes, lengths and clamps, and tunes rendered through the
// mixer block by block (the callback called directly, the stream refilled after each block), measured by their
// zero crossings and lengths: pitch, duration, levels, priorities, removal and the silent ring underneath.
#include "StreamTestSupport.h"
#include "core/RString.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RPCSTune.h"
#include "platform/audio/RPCSpeaker.h"
#include "platform/audio/RStreamingAudio_PCS.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

using namespace audiotest;

std::vector<RPCSDatum> Parse(const char* text)
{
    RUtilVector<RPCSDatum> notes;
    ParsePCSTune(RString(text), notes);
    return std::vector<RPCSDatum>(notes.begin(), notes.end());
}

void ExpectNote(const RPCSDatum& d, int note, float duration, float fraction = 1.0f)
{
    EXPECT_EQ(d.note, note);
    EXPECT_FLOAT_EQ(d.duration, duration);
    EXPECT_FLOAT_EQ(d.soundingFraction, fraction);
}

TEST(PCSTuneParseTest, NotesOctavesLengthsAndTempo)
{
    std::vector<RPCSDatum> n = Parse("64D5 E F");
    ASSERT_EQ(n.size(), 3u);
    ExpectNote(n[0], 62, 0.03125f);
    ExpectNote(n[1], 64, 0.03125f);
    ExpectNote(n[2], 65, 0.03125f);

    n = Parse("1R");
    ASSERT_EQ(n.size(), 1u);
    ExpectNote(n[0], RPCSDatum::kRest, 2.0f);

    n = Parse("T40 8A3 A# B 16C4 8A3.");
    ASSERT_EQ(n.size(), 5u);
    ExpectNote(n[0], 45, 0.75f);
    ExpectNote(n[1], 46, 0.75f);
    ExpectNote(n[2], 47, 0.75f);
    ExpectNote(n[3], 48, 0.375f);
    ExpectNote(n[4], 45, 1.125f);

    n = Parse("T100 > P90 2R8A3 32E5");
    ASSERT_EQ(n.size(), 3u);
    ExpectNote(n[0], RPCSDatum::kRest, 1.2f, 0.9f);
    ExpectNote(n[1], 57, 0.3f, 0.9f);
    ExpectNote(n[2], 76, 0.075f, 0.9f);

    // Flats, a skipped L, a second dot, lower-case letters and unknown characters.
    n = Parse("Bb L8 C.. x! Dq");
    ASSERT_EQ(n.size(), 3u);
    ExpectNote(n[0], 58, 0.5f);
    ExpectNote(n[1], 48, 0.375f);
    ExpectNote(n[2], 50, 0.25f);
}

TEST(PCSTuneParseTest, ClampsAndSaturatesEveryNumber)
{
    ExpectNote(Parse(">>>>>>>>>>>>B9")[0], RPCSDatum::kHighestNote, 0.5f);
    ExpectNote(Parse("<<<<<<Cb0")[0], 0, 0.5f);
    ExpectNote(Parse("O99999999999999999999999A")[0], RPCSDatum::kHighestNote, 0.5f);
    // Percent above 100 sounds fully; 0 not at all.
    ExpectNote(Parse("P250 A")[0], 57, 0.5f, 1.0f);
    ExpectNote(Parse("P0 A")[0], 57, 0.5f, 0.0f);
    // Tempo and length 0 become 1: every element lasts a positive time.
    ExpectNote(Parse("T0 A")[0], 57, 60.0f);
    ExpectNote(Parse("0 A")[0], 57, 2.0f);
    ExpectNote(Parse("T00000 0000R")[0], RPCSDatum::kRest, 240.0f);
    // Long digit runs stop growing instead of overflowing.
    std::vector<RPCSDatum> n = Parse("T99999999999999999999999 99999999999999999999999A");
    ASSERT_EQ(n.size(), 1u);
    EXPECT_GT(n[0].duration, 0.0f);
    EXPECT_TRUE(std::isfinite(n[0].duration));
    // Letters without their digits are skipped alone.
    EXPECT_EQ(Parse("T O P").size(), 0u);
    EXPECT_EQ(Parse("").size(), 0u);
    // The output list is emptied first.
    RUtilVector<RPCSDatum> out;
    ParsePCSTune(RString("A B C"), out);
    ParsePCSTune(RString("D"), out);
    EXPECT_EQ(out.getCount(), 1u);
}

class ToneGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RMixer().Init();
        RAudioMgr* manager = RAudioMgr::GetInstance();
        manager->SetMasterVolume(1.0f);
        manager->SetStreamLength(0.5f);
        manager->SetStreamUpdatePercent(0.25f);
        m_tones.reset(MakeStream<RStreamingAudio_PCS>(new RPCSpeaker, nullptr));
        ASSERT_TRUE(m_tones);
        m_tones->Play(true);
        m_tones->Refill();
    }
    void TearDown() override
    {
        m_tones.reset();
        RAudioMgr::DestroyInstance();
    }

    void Play(const char* text, int priority, bool loop = false)
    {
        RPCSTune tune;
        ParsePCSTune(RString(text), tune.notes);
        tune.loop = loop ? 1 : 0;
        tune.priority = priority;
        m_tones->PlayTune(tune);
    }

    // Half periods between zero crossings, classified by pitch: 440 Hz gives about 50 frames, 880 Hz about 25.
    static std::vector<int> HalfPeriodPitches(const std::vector<Frame>& out)
    {
        std::vector<size_t> crossings = ZeroCrossings(out, 0, out.size());
        std::vector<int> pitches;
        for (size_t k = 1; k < crossings.size(); ++k) {
            const size_t half = crossings[k] - crossings[k - 1];
            pitches.push_back(half < 37 ? 880 : (half < 60 ? 440 : 0));
        }
        return pitches;
    }

    std::unique_ptr<RStreamingAudio_PCS> m_tones;
};

TEST_F(ToneGeneratorTest, TuneSoundsAtItsPitchForItsLengthOnBothChannels)
{
    Play("T120 4A", 1);  // 440 Hz for 0.5 s
    std::vector<Frame> out;
    RunBlocks(m_tones.get(), 14, &out);
    std::vector<SoundRun> runs = SoundingRuns(out);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_NEAR(static_cast<double>(runs[0].Length()), 22050.0, 30.0);
    const size_t crossings = ZeroCrossings(out, runs[0].begin, runs[0].end).size();
    EXPECT_NEAR(static_cast<double>(crossings), 440.0, 2.0);
    for (size_t i = runs[0].begin; i < runs[0].end; ++i) {
        ASSERT_EQ(out[i].left, out[i].right);
        ASSERT_TRUE(out[i].left == RStreamingAudio_PCS::kHighLevel || out[i].left == RStreamingAudio_PCS::kLowLevel)
            << out[i].left;
    }
}

TEST_F(ToneGeneratorTest, NotesFollowEachOtherToTheSample)
{
    // 880 Hz for 0.25 s, a rest of 0.25 s, then 440 Hz sounding for half of 0.5 s.
    Play("T120 8A5 8R P50 4A4", 1);
    std::vector<Frame> out;
    RunBlocks(m_tones.get(), 16, &out);
    std::vector<SoundRun> runs = SoundingRuns(out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(static_cast<double>(runs[0].Length()), 11025.0, 30.0);
    EXPECT_NEAR(static_cast<double>(runs[1].begin - runs[0].end), 11025.0, 30.0);
    EXPECT_NEAR(static_cast<double>(runs[1].Length()), 11025.0, 30.0);
    EXPECT_NEAR(static_cast<double>(ZeroCrossings(out, runs[0].begin, runs[0].end).size()), 440.0, 2.0);
    EXPECT_NEAR(static_cast<double>(ZeroCrossings(out, runs[1].begin, runs[1].end).size()), 220.0, 2.0);
}

TEST_F(ToneGeneratorTest, HigherPriorityIsHeardOverALowerOne)
{
    Play("T120 1A", 1);  // 440 Hz for 2 s
    std::vector<Frame> out;
    RunBlocks(m_tones.get(), 6, &out);
    Play("T120 8A5", 5);  // 880 Hz for 0.25 s, on top
    RunBlocks(m_tones.get(), 14, &out);
    std::vector<int> pitches = HalfPeriodPitches(out);
    // 440, then 880 for 0.25 s, then 440 again: 880 only in one unbroken stretch.
    size_t first = pitches.size();
    size_t last = 0;
    size_t high = 0;
    for (size_t k = 0; k < pitches.size(); ++k) {
        if (pitches[k] == 880) {
            first = std::min(first, k);
            last = k;
            ++high;
        }
    }
    ASSERT_GT(high, 0u);
    EXPECT_NEAR(static_cast<double>(high), 440.0, 3.0);
    EXPECT_LE(last - first + 1, high + 2);
    EXPECT_EQ(pitches.front(), 440);
    EXPECT_EQ(pitches.back(), 440);
}

TEST_F(ToneGeneratorTest, LowerPriorityStartedLaterStaysUnderTheHigherOne)
{
    Play("T120 2A5", 5);  // 880 Hz for 1 s
    std::vector<Frame> out;
    RunBlocks(m_tones.get(), 4, &out);
    Play("T120 1A", 1);  // 440 Hz for 2 s, from now on, beneath
    RunBlocks(m_tones.get(), 30, &out);
    std::vector<int> pitches = HalfPeriodPitches(out);
    // Every 880 half period comes before every 440 one: the lower tune never shows through the higher one,
    // not even where the higher one had rendered ahead before the lower one started.
    size_t lastHigh = 0;
    size_t firstLow = pitches.size();
    for (size_t k = 0; k < pitches.size(); ++k) {
        if (pitches[k] == 880)
            lastHigh = k;
        if (pitches[k] == 440 && k < firstLow)
            firstLow = k;
    }
    EXPECT_NEAR(static_cast<double>(lastHigh + 1), 1760.0, 4.0);
    EXPECT_GE(firstLow + 1, lastHigh);
    EXPECT_LT(firstLow, pitches.size());
    // The lower tune kept its own time while silent: it ends 2 s after it began, not 2 s after it was heard.
    std::vector<SoundRun> runs = SoundingRuns(out);
    ASSERT_FALSE(runs.empty());
    EXPECT_LT(runs.back().end, static_cast<size_t>(4 * RMixer::kOutputBlockFrames + 88200 + 3 * RMixer::kOutputBlockFrames));
}

TEST_F(ToneGeneratorTest, FinishedTunesAreRemovedAndStopTunesLeavesSilence)
{
    EXPECT_EQ(m_tones->GetTuneCount(), 1u);  // the silent tune underneath
    Play("T120 16A", 3);
    EXPECT_EQ(m_tones->GetTuneCount(), 2u);
    std::vector<Frame> out;
    for (int b = 0; b < 10 && m_tones->GetTuneCount() > 1; ++b)
        RunBlocks(m_tones.get(), 1, &out);
    EXPECT_EQ(m_tones->GetTuneCount(), 1u);

    Play("T120 4A", 2, true);
    RunBlocks(m_tones.get(), 6, &out);
    EXPECT_EQ(m_tones->GetTuneCount(), 2u);
    m_tones->StopTunes();
    EXPECT_EQ(m_tones->GetTuneCount(), 1u);
    std::vector<Frame> after;
    RunBlocks(m_tones.get(), 8, &after);
    // What was already rendered ahead plays out; then silence.
    for (size_t i = 4 * RMixer::kOutputBlockFrames; i < after.size(); ++i)
        ASSERT_EQ(after[i], (Frame{0, 0})) << "frame " << i;
}

TEST_F(ToneGeneratorTest, TunesWithoutNotesOrWithBrokenDurationsAreSafe)
{
    RPCSTune empty;
    m_tones->PlayTune(empty);
    EXPECT_EQ(m_tones->GetTuneCount(), 1u);

    // Notes of no, negative, unknown and endless length, looping: rendering still ends at every refill.
    RPCSTune broken;
    const float lengths[] = {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 0.001f};
    for (float length : lengths) {
        RPCSDatum d;
        d.note = 200;
        d.duration = length;
        broken.notes.push(d);
    }
    broken.loop = 1;
    broken.priority = 4;
    m_tones->PlayTune(broken);
    RPCSTune endless;
    RPCSDatum forever;
    forever.note = 57;
    forever.duration = std::numeric_limits<float>::infinity();
    forever.soundingFraction = std::numeric_limits<float>::quiet_NaN();
    endless.notes.push(forever);
    endless.priority = 2;
    m_tones->PlayTune(endless);
    std::vector<Frame> out;
    RunBlocks(m_tones.get(), 6, &out);
    EXPECT_EQ(m_tones->GetTuneCount(), 3u);
}

TEST(ToneGeneratorRingTest, RingOfNoBytesAddsNothing)
{
    RMixer().Init();
    // Loaded without streaming, the tone generator has no ring at all.
    RPCSpeaker* asset = new RPCSpeaker;
    LoadAsset(asset, nullptr, false);
    std::unique_ptr<RStreamingAudio_PCS> tones(dynamic_cast<RStreamingAudio_PCS*>(asset->CreateSound()));
    ASSERT_TRUE(tones);
    tones->SetAsset(asset);
    tones->Play(true);
    RPCSTune tune;
    ParsePCSTune(RString("T255 64C D E F G"), tune.notes);
    tones->PlayTune(tune);
    std::vector<Frame> out;
    RunBlocks(tones.get(), 4, &out);
    for (const Frame& f : out)
        ASSERT_EQ(f, (Frame{0, 0}));
    tones.reset();
    RAudioMgr::DestroyInstance();
}

} // namespace
