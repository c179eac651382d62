// Streamed sounds driven block by block as the music thread drives them, every output frame compared with the file's;
// then the music thread itself: started and stopped many times, and streams released before it opened them.
#include "AudioTestSupport.h"
#include "core/system/RThreadTagger.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RMusicThread.h"
#include "platform/audio/RStreamingAudio_Wave.h"
#include "platform/audio/RWaveFile.h"

#include <cmath>
#include <memory>

namespace {

using namespace audiotest;

constexpr int kBlock = RMixer::kOutputBlockFrames;

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RMixer().Init();
        RAudioMgr* manager = RAudioMgr::GetInstance();
        manager->SetMasterVolume(1.0f);
        manager->SetStreamLength(0.5f); // a ring of 22,050 frames
        manager->SetStreamUpdatePercent(0.25f);
    }
    void TearDown() override { RAudioMgr::DestroyInstance(); }

    // A streamed index-coded WAVE file, opened as the music thread opens it and told to play.
    std::unique_ptr<RStreamingAudio_Wave> PlayWave(const std::string& name, int frames, bool loop)
    {
        EXPECT_TRUE(WriteIndexWave(m_folder, name, frames));
        std::unique_ptr<RStreamingAudio_Wave> stream(MakeStream<RStreamingAudio_Wave>(new RWaveFile, name.c_str()));
        if (stream) {
            stream->Open();
            stream->Play(loop);
            stream->Refill();
        }
        return stream;
    }
    // Every frame heard is the data's next one, going round at its end.
    static void ExpectUnbroken(const std::vector<Frame>& out, size_t count, int period)
    {
        ASSERT_GE(out.size(), count);
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(out[i], IndexFrame(static_cast<int>(i) % period)) << "frame " << i;
    }
    static std::vector<Frame> Blocks(RStreamingAudio* stream, int blocks)
    {
        std::vector<Frame> out;
        RunBlocks(stream, blocks, &out);
        return out;
    }

    TempAudioFolder m_folder;
};

TEST_F(StreamTest, WaveWithoutLoopPlaysOnceSampleForSampleThenStops)
{
    // Shorter than the ring, and more than two rings long.
    for (int frames : {5000, 57000}) {
        std::unique_ptr<RStreamingAudio_Wave> stream = PlayWave("once" + std::to_string(frames) + ".wav", frames, false);
        ASSERT_TRUE(stream);
        std::vector<Frame> out;
        for (int b = 0; b < 60 && !stream->IsStopped(); ++b)
            RunBlocks(stream.get(), 1, &out);
        EXPECT_TRUE(stream->IsStopped());
        ExpectUnbroken(out, frames, frames);
        EXPECT_TRUE(AllSilent(out, frames));
        EXPECT_LT(out.size(), static_cast<size_t>(frames + 22050 + 2 * kBlock)) << "stops within a ring and a block";
        EXPECT_TRUE(AllSilent(Blocks(stream.get(), 3)));
    }
}

TEST_F(StreamTest, LoopingWaveWrapsWithoutASeam)
{
    // Shorter than the ring, longer than the ring, and not a multiple of a block either way.
    for (int frames : {3000, 13001, 30011}) {
        std::unique_ptr<RStreamingAudio_Wave> stream = PlayWave("loop" + std::to_string(frames) + ".wav", frames, true);
        ASSERT_TRUE(stream);
        std::vector<Frame> out = Blocks(stream.get(), 40); // 3.7 s of output
        ExpectUnbroken(out, out.size(), frames);
        EXPECT_FALSE(stream->IsStopped());
    }
}

TEST_F(StreamTest, StreamsStayUnbrokenAtTheLimitsOfTheStreamSettings)
{
    struct Row {
        float length;
        float percent;
        int frames;
        bool loop;
    };
    // The shortest ring with every refill share, the default ring with the largest share, the longest ring, and a
    // sound far shorter than a block played once on the shortest ring.
    for (const Row& row : {Row{0.0f, 0.0f, 30011, true}, Row{0.0f, 0.25f, 30011, true}, Row{0.0f, 1.0f, 30011, true},
                           Row{0.5f, 0.9f, 30011, true}, Row{100.0f, 0.9f, 30011, true}, Row{0.0f, 0.9f, 100, false}}) {
        RAudioMgr* manager = RAudioMgr::GetInstance();
        manager->SetStreamLength(row.length);
        manager->SetStreamUpdatePercent(row.percent);
        const std::string name = "limits" + std::to_string(static_cast<int>(row.length * 10)) + "-" +
                                 std::to_string(static_cast<int>(row.percent * 100)) + "-" + std::to_string(row.frames) + ".wav";
        SCOPED_TRACE(name);
        std::unique_ptr<RStreamingAudio_Wave> stream = PlayWave(name, row.frames, row.loop);
        ASSERT_TRUE(stream);
        std::vector<Frame> out = Blocks(stream.get(), 30);
        ExpectUnbroken(out, row.loop ? out.size() : row.frames, row.frames);
        if (!row.loop) {
            EXPECT_TRUE(AllSilent(out, row.frames)) << "heard once";
        }
    }
}

TEST_F(StreamTest, MissingAndUnreadableFilesStreamSilenceAndNeverWait)
{
    WriteBytes(m_folder.File("broken.wav"), std::vector<uint8_t>{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A'});
    for (const char* name : {"no-such-stream.wav", "broken.wav"}) {
        std::unique_ptr<RStreamingAudio_Wave> stream(MakeStream<RStreamingAudio_Wave>(new RWaveFile, name));
        ASSERT_TRUE(stream);
        stream->Open();
        stream->Play(false);
        stream->Refill();
        EXPECT_TRUE(AllSilent(Blocks(stream.get(), 6))) << name;
        stream->Close();
    }

}

// The music thread, run by the audio manager on a device of SDL's dummy driver.
class MusicThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        RThreadTagger::GetInstance();
    }
    void TearDown() override
    {
        RAudioMgr::DestroyInstance();
        unsetenv("SDL_AUDIODRIVER");
        EXPECT_FALSE(RThreadTagger::HasRunningThreads());
        EXPECT_EQ(RMusicThread::GetPendingCount(), 0u);
        EXPECT_EQ(RMusicThread::GetActiveCount(), 0u);
    }
    static bool PendingTaken()
    {
        return WaitFor([] { return RMusicThread::GetPendingCount() == 0; });
    }

    TempAudioFolder m_folder;
};

TEST_F(MusicThreadTest, StartsAndStopsManyTimesWithoutHanging)
{
    ASSERT_TRUE(WriteIndexWave(m_folder, "cycle.wav", 30000));
    for (int cycle = 0; cycle < 12; ++cycle) {
        RAudioMgr* manager = RAudioMgr::GetInstance();
        manager->Init(nullptr, nullptr);
        EXPECT_TRUE(RThreadTagger::HasRunningThreads());
        // Every other cycle shuts down without ever letting the thread run.
        if (cycle % 2 == 0)
            manager->UnlockMusicMutex();
        manager->LoadSound("cycle.wav", RHashedString("Cycle"), RHashedString(), true);
        manager->LoadSound(nullptr, RHashedString("Tones"), RHashedString(), true);
        manager->PlaySound(RHashedString("Cycle"), true);
        if (cycle % 4 == 0)
            SDL_Delay(20);
        manager->StopAllSounds();
        manager->ReleaseAllSounds();
        if (cycle % 2 == 1)
            manager->UnlockMusicMutex();
        RAudioMgr::DestroyInstance();
        // The thread has ended, not merely been asked to.
        ASSERT_FALSE(RThreadTagger::HasRunningThreads()) << "cycle " << cycle;
        ASSERT_EQ(RMusicThread::GetPendingCount(), 0u) << "cycle " << cycle;
        ASSERT_EQ(RMusicThread::GetActiveCount(), 0u) << "cycle " << cycle;
    }
}

TEST_F(MusicThreadTest, StreamReleasedBeforeItWasOpenedIsStillClosedAndDeleted)
{
    ASSERT_TRUE(WriteIndexWave(m_folder, "early.wav", 20000));
    RAudioMgr* manager = RAudioMgr::GetInstance();
    manager->Init(nullptr, nullptr); // the thread waits for the music lock
    manager->LoadSound("early.wav", RHashedString("Early"), RHashedString(), true);
    manager->PlaySound(RHashedString("Early"), true);
    EXPECT_EQ(RMusicThread::GetPendingCount(), 1u);
    manager->ReleaseSound(RHashedString("Early"));
    EXPECT_EQ(manager->FindSound(RHashedString("Early")), nullptr);
    EXPECT_EQ(RMusicThread::GetPendingCount(), 1u) << "only in the list to remove";
    manager->UnlockMusicMutex();
    EXPECT_TRUE(PendingTaken());
    EXPECT_EQ(RMusicThread::GetActiveCount(), 0u);
}

TEST_F(MusicThreadTest, ExtremeStreamSettingsStillGiveARingAndAPause)
{
    RAudioMgr* manager = RAudioMgr::GetInstance();
    manager->Init(nullptr, nullptr);
    manager->SetStreamLength(0.0f);
    manager->SetStreamUpdatePercent(0.0f);
    EXPECT_GT(manager->GetStreamLength() * manager->GetStreamUpdatePercent() * 1000.0f, 1.0f - 1e-4f);
    manager->UnlockMusicMutex();
    RAudioInterface* tones = manager->LoadSound(nullptr, RHashedString("Tones"), RHashedString(), true);
    ASSERT_NE(tones, nullptr);
    EXPECT_GT(tones->GetAsset()->GetBuffer()->GetSize(), 0u);
    manager->SetStreamLength(1e30f);
    manager->SetStreamUpdatePercent(7.0f);
    EXPECT_LE(manager->GetStreamLength(), RAudioMgr::kMaxStreamLength);
    EXPECT_LT(manager->GetStreamUpdatePercent(), 1.0f) << "a refill threshold below the ring's size";
    manager->SetStreamLength(std::nanf(""));
    EXPECT_EQ(manager->GetStreamLength(), RAudioMgr::kMinStreamLength);
    ASSERT_TRUE(PendingTaken());
    manager->ReleaseAllSounds();
}

} // namespace
