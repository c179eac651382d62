// Music strings and the tone generator: the parser's notes and clamps, and tunes rendered through the mixer block by
// block: priorities, broken durations, and a generator without a ring.
#include "AudioTestSupport.h"
#include "core/types/RString.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RPCSTune.h"
#include "platform/audio/RPCSpeaker.h"
#include "platform/audio/RStreamingAudio_PCS.h"

#include <cmath>
#include <limits>
#include <memory>

namespace {

using namespace audiotest;

struct Note {
    int note;
    float duration;
    float fraction;
};

TEST(PCSTuneParseTest, NotesLengthsAndClamps)
{
    const int kRest = RPCSDatum::kRest;
    const int kTop = RPCSDatum::kHighestNote;
    const std::pair<const char*, std::vector<Note>> cases[] = {
        {"64D5 E F", {{62, 0.03125f, 1}, {64, 0.03125f, 1}, {65, 0.03125f, 1}}},
        {"T40 8A3 A# B 16C4 8A3.", {{45, 0.75f, 1}, {46, 0.75f, 1}, {47, 0.75f, 1}, {48, 0.375f, 1}, {45, 1.125f, 1}}},
        {"T100 > P90 2R8A3 32E5", {{kRest, 1.2f, 0.9f}, {57, 0.3f, 0.9f}, {76, 0.075f, 0.9f}}},
        // Flats, a skipped L, a second dot, lower-case letters and unknown characters.
        {"Bb L8 C.. x! Dq", {{58, 0.5f, 1}, {48, 0.375f, 1}, {50, 0.25f, 1}}},
        // Octaves and numbers clamp and saturate; tempo and length 0 become 1.
        {">>>>>>>>>>>>B9", {{kTop, 0.5f, 1}}},
        {"O99999999999999999999999A", {{kTop, 0.5f, 1}}},
        {"P0 A", {{57, 0.5f, 0}}},
        {"T0 A", {{57, 60.0f, 1}}},
        {"T00000 0000R", {{kRest, 240.0f, 1}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        RUtilVector<RPCSDatum> notes;
        ParsePCSTune(RString(c.first), notes);
        ASSERT_EQ(notes.getCount(), c.second.size()) << c.first;
        for (size_t i = 0; i < c.second.size(); ++i) {
            EXPECT_EQ(notes[i].note, c.second[i].note) << c.first << " #" << i;
            EXPECT_FLOAT_EQ(notes[i].duration, c.second[i].duration) << c.first << " #" << i;
            EXPECT_FLOAT_EQ(notes[i].soundingFraction, c.second[i].fraction) << c.first << " #" << i;
        }
    }
    // Long digit runs stop growing instead of overflowing; the output list is emptied first.
    RUtilVector<RPCSDatum> out;
    ParsePCSTune(RString("A B C"), out);
    ParsePCSTune(RString("T99999999999999999999999 99999999999999999999999A"), out);
    ASSERT_EQ(out.getCount(), 1u);
    EXPECT_GT(out[0].duration, 0.0f);
    EXPECT_TRUE(std::isfinite(out[0].duration));
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
    void Run(int blocks) { RunBlocks(m_tones.get(), blocks, &m_out); }
    // Half periods between zero crossings by pitch: 440 Hz gives about 50 frames, 880 Hz about 25.
    std::vector<int> HalfPeriodPitches() const
    {
        std::vector<size_t> crossings = ZeroCrossings(m_out, 0, m_out.size());
        std::vector<int> pitches;
        for (size_t k = 1; k < crossings.size(); ++k) {
            const size_t half = crossings[k] - crossings[k - 1];
            pitches.push_back(half < 37 ? 880 : (half < 60 ? 440 : 0));
        }
        return pitches;
    }

    std::unique_ptr<RStreamingAudio_PCS> m_tones;
    std::vector<Frame> m_out;
};

TEST_F(ToneGeneratorTest, LowerPriorityStartedLaterStaysUnderTheHigherOne)
{
    Play("T120 2A5", 5); // 880 Hz for 1 s
    Run(2);
    // The music thread does not keep time with the device: two blocks before one refill, then one.
    for (int b = 0; b < 2; ++b) {
        std::vector<Frame> block = Mix(RMixer::kOutputBlockFrames);
        m_out.insert(m_out.end(), block.begin(), block.end());
    }
    m_tones->Refill();
    Run(1);
    Play("T120 1A", 1); // 440 Hz for 2 s, from now on, beneath
    Run(30);
    std::vector<int> pitches = HalfPeriodPitches();
    // Every 880 half period comes before every 440 one, even where the higher tune had rendered ahead.
    size_t lastHigh = 0, firstLow = pitches.size();
    for (size_t k = 0; k < pitches.size(); ++k) {
        if (pitches[k] == 880)
            lastHigh = k;
        if (pitches[k] == 440 && k < firstLow)
            firstLow = k;
    }
    EXPECT_NEAR(static_cast<double>(lastHigh + 1), 1760.0, 4.0);
    EXPECT_GE(firstLow + 1, lastHigh);
    EXPECT_LT(firstLow, pitches.size());
    // The lower tune is heard without a gap from where the higher one ended, in every later refill; it kept its
    // own time while silent: it ends 2 s after it began, not 2 s after it was heard.
    std::vector<SoundRun> runs = SoundingRuns(m_out);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_LT(runs.back().end, static_cast<size_t>(88200 + 7 * RMixer::kOutputBlockFrames));
}

TEST_F(ToneGeneratorTest, TunesWithoutNotesOrWithBrokenDurationsNeverHang)
{
    // Notes of no, negative, unknown and endless length, looping: rendering still ends at every refill.
    RPCSTune broken;
    for (float length : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 0.001f}) {
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
    Run(6);
    EXPECT_EQ(m_tones->GetTuneCount(), 3u);
}

TEST_F(ToneGeneratorTest, StopRewindsTheRingAndTunesGoOnFromThere)
{
    Run(3);
    Play("T120 1A", 3, true);
    Run(10);
    m_tones->Stop();
    Run(30);
    // The rewound ring is silent until the refills reach it again, two blocks; then the tune goes on unbroken.
    std::vector<SoundRun> runs = SoundingRuns(m_out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_LE(runs[1].begin - runs[0].end, static_cast<size_t>(2 * RMixer::kOutputBlockFrames));
    EXPECT_EQ(runs[1].end, m_out.size());
}

TEST(ToneGeneratorRingTest, RingOfNoBytesAddsNothing)
{
    RMixer().Init();
    // Loaded without streaming, the tone generator has no ring at all.
    RPCSpeaker* asset = new RPCSpeaker;
    EXPECT_TRUE(LoadAsset(asset, nullptr, false));
    EXPECT_EQ(asset->GetBuffer()->GetSize(), 0u);
    std::unique_ptr<RStreamingAudio_PCS> tones(dynamic_cast<RStreamingAudio_PCS*>(asset->CreateSound()));
    ASSERT_TRUE(tones);
    tones->SetAsset(asset);
    tones->Play(true);
    RPCSTune tune;
    ParsePCSTune(RString("T255 64C D E F G"), tune.notes);
    tones->PlayTune(tune);
    std::vector<Frame> out;
    RunBlocks(tones.get(), 4, &out);
    EXPECT_TRUE(AllSilent(out));
    tones.reset();
    RAudioMgr::DestroyInstance();
}

} // namespace
