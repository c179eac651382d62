// Streamed sounds driven block by block: the mixer's callback is called directly and the stream refilled after
// each block, as the music thread does, so every output frame can be compared with the WAVE file's frames. Then
// the music thread itself: started and stopped many times, and streams released before it opened them.
#include "StreamTestSupport.h"
#include "core/RThreadTagger.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RMusicThread.h"
#include "platform/audio/ROggVorbisFile.h"
#include "platform/audio/RPCSpeaker.h"
#include "platform/audio/RStreamingAudio_Ogg.h"
#include "platform/audio/RStreamingAudio_Wave.h"
#include "platform/audio/RWaveFile.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
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
        manager->SetStreamLength(0.5f);  // a ring of 22,050 frames
        manager->SetStreamUpdatePercent(0.25f);
    }
    void TearDown() override { RAudioMgr::DestroyInstance(); }

    // A streamed index-coded WAVE file of the given frames, opened as the music thread opens it.
    std::unique_ptr<RStreamingAudio_Wave> OpenWave(const std::string& name, int frames)
    {
        EXPECT_TRUE(WriteIndexWave(m_folder, name, frames));
        std::unique_ptr<RStreamingAudio_Wave> stream(MakeStream<RStreamingAudio_Wave>(new RWaveFile, name.c_str()));
        if (stream)
            stream->Open();
        return stream;
    }

    // Plays blocks until the stream stops (at most limit blocks) and returns the output.
    static std::vector<Frame> PlayUntilStopped(RStreamingAudio* stream, int limit)
    {
        std::vector<Frame> out;
        for (int b = 0; b < limit && !stream->IsStopped(); ++b)
            RunBlocks(stream, 1, &out);
        EXPECT_TRUE(stream->IsStopped());
        return out;
    }

    static void ExpectIndices(const std::vector<Frame>& out, size_t from, size_t count, int firstIndex, int period)
    {
        ASSERT_GE(out.size(), from + count);
        for (size_t i = 0; i < count; ++i)
            ASSERT_EQ(out[from + i], IndexFrame((firstIndex + static_cast<int>(i)) % period)) << "frame " << from + i;
    }

    TempAudioFolder m_folder;
};

TEST_F(StreamTest, WaveLongerThanItsRingPlaysOnceSampleForSampleThenStops)
{
    const int frames = 57000;  // 1.3 s, more than two rings
    std::unique_ptr<RStreamingAudio_Wave> stream = OpenWave("once.wav", frames);
    ASSERT_TRUE(stream);
    stream->Play(false);
    stream->Refill();
    std::vector<Frame> out = PlayUntilStopped(stream.get(), 60);
    ExpectIndices(out, 0, frames, 0, frames);
    for (size_t i = frames; i < out.size(); ++i)
        ASSERT_EQ(out[i], (Frame{0, 0})) << "frame " << i;
    // It stops within a ring and a block of its data's end, and stays silent.
    EXPECT_LT(out.size(), static_cast<size_t>(frames + 22050 + 2 * kBlock));
    std::vector<Frame> after;
    RunBlocks(stream.get(), 3, &after);
    for (const Frame& f : after)
        ASSERT_EQ(f, (Frame{0, 0}));

    // Played again, it starts from its first frame.
    stream->Play(false);
    stream->Refill();
    std::vector<Frame> again;
    RunBlocks(stream.get(), 4, &again);
    ExpectIndices(again, 0, 4 * kBlock, 0, frames);
}

TEST_F(StreamTest, WaveShorterThanItsRingPlaysOnceThenStops)
{
    const int frames = 5000;
    std::unique_ptr<RStreamingAudio_Wave> stream = OpenWave("short.wav", frames);
    ASSERT_TRUE(stream);
    stream->Play(false);
    stream->Refill();
    std::vector<Frame> out = PlayUntilStopped(stream.get(), 30);
    ExpectIndices(out, 0, frames, 0, frames);
    for (size_t i = frames; i < out.size(); ++i)
        ASSERT_EQ(out[i], (Frame{0, 0})) << "frame " << i;
}

TEST_F(StreamTest, LoopingWaveWrapsWithoutASeam)
{
    // Shorter than the ring, longer than the ring, and not a multiple of a block either way.
    for (int frames : {3000, 13001, 30011}) {
        std::unique_ptr<RStreamingAudio_Wave> stream = OpenWave("loop" + std::to_string(frames) + ".wav", frames);
        ASSERT_TRUE(stream);
        stream->Play(true);
        stream->Refill();
        std::vector<Frame> out;
        RunBlocks(stream.get(), 40, &out);  // 3.7 s of output
        ExpectIndices(out, 0, out.size(), 0, frames);
        EXPECT_FALSE(stream->IsStopped());
    }
}

TEST_F(StreamTest, PauseKeepsThePlaceAndPlayResumesThere)
{
    const int frames = 40000;
    std::unique_ptr<RStreamingAudio_Wave> stream = OpenWave("pause.wav", frames);
    ASSERT_TRUE(stream);
    stream->Play(true);
    stream->Refill();
    std::vector<Frame> out;
    RunBlocks(stream.get(), 5, &out);
    stream->Pause();
    stream->Refill();
    EXPECT_TRUE(stream->IsStopped());
    std::vector<Frame> paused;
    RunBlocks(stream.get(), 4, &paused);
    for (const Frame& f : paused)
        ASSERT_EQ(f, (Frame{0, 0}));
    stream->Play(true);
    stream->Refill();
    RunBlocks(stream.get(), 12, &out);
    // Everything heard is one unbroken run through the data, going round at its end.
    ExpectIndices(out, 0, out.size(), 0, frames);
}

TEST_F(StreamTest, StopRestartsAPlayingStreamAndLeavesAPausedOneSilent)
{
    const int frames = 30000;
    std::unique_ptr<RStreamingAudio_Wave> stream = OpenWave("stop.wav", frames);
    ASSERT_TRUE(stream);
    stream->Play(true);
    stream->Refill();
    std::vector<Frame> out;
    RunBlocks(stream.get(), 6, &out);
    stream->Stop();
    stream->Refill();
    std::vector<Frame> restarted;
    RunBlocks(stream.get(), 3, &restarted);
    ExpectIndices(restarted, 0, restarted.size(), 0, frames);

    // A stop while paused rewinds without starting.
    stream->Pause();
    stream->Refill();
    stream->Stop();
    stream->Refill();
    EXPECT_TRUE(stream->IsStopped());
    std::vector<Frame> silent;
    RunBlocks(stream.get(), 3, &silent);
    for (const Frame& f : silent)
        ASSERT_EQ(f, (Frame{0, 0}));
    stream->Play(true);
    stream->Refill();
    std::vector<Frame> fromStart;
    RunBlocks(stream.get(), 3, &fromStart);
    ExpectIndices(fromStart, 0, fromStart.size(), 0, frames);
}

TEST_F(StreamTest, ControlCallsWaitForTheNextRefill)
{
    std::unique_ptr<RStreamingAudio_Wave> stream = OpenWave("volume.wav", 8000);
    ASSERT_TRUE(stream);
    RFMLAudioBuffer* buffer = stream->GetAsset()->GetBuffer();
    stream->SetVolume(0.5f);
    stream->SetPan(-0.25f);
    stream->Play(true);
    EXPECT_EQ(stream->GetPendingMessageCount(), 5u);  // volume, pan, then play with its volume and pan
    EXPECT_TRUE(stream->IsStopped());
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(buffer), 1.0f);
    stream->Refill();
    EXPECT_EQ(stream->GetPendingMessageCount(), 0u);
    EXPECT_FALSE(stream->IsStopped());
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(buffer), 0.5f);
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetPan(buffer), -0.25f);
}

TEST_F(StreamTest, MissingAndUnreadableFilesStreamSilence)
{
    WriteBytes(m_folder.File("broken.wav"), std::vector<uint8_t>{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A'});
    for (const char* name : {"no-such-stream.wav", "broken.wav"}) {
        std::unique_ptr<RStreamingAudio_Wave> stream(MakeStream<RStreamingAudio_Wave>(new RWaveFile, name));
        ASSERT_TRUE(stream);
        stream->Open();
        stream->Play(false);
        stream->Refill();
        std::vector<Frame> out;
        RunBlocks(stream.get(), 6, &out);
        for (const Frame& f : out)
            ASSERT_EQ(f, (Frame{0, 0}));
        stream->Close();
    }
}

TEST_F(StreamTest, OggStreamStaysSilentAndNeverWaitsForData)
{
    WriteBytes(m_folder.File("music.ogg"), std::vector<uint8_t>(64, 'O'));
    const int filesBefore = OpenFileCount();
    std::unique_ptr<RStreamingAudio_Ogg> stream(MakeStream<RStreamingAudio_Ogg>(new ROggVorbisFile, "music.ogg"));
    ASSERT_TRUE(stream);
    stream->Open();
    EXPECT_EQ(OpenFileCount(), filesBefore + 1);  // kept open while the stream is open
    for (bool loop : {true, false}) {
        stream->Play(loop);
        std::vector<Frame> out;
        RunBlocks(stream.get(), 4, &out);
        for (const Frame& f : out)
            ASSERT_EQ(f, (Frame{0, 0}));
        stream->Stop();
        stream->Refill();
    }
    stream->Close();
    EXPECT_EQ(OpenFileCount(), filesBefore);
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
    }

    static RAudioMgr* Start()
    {
        RAudioMgr* manager = RAudioMgr::GetInstance();
        manager->Init(nullptr, nullptr);
        manager->SetStreamLength(0.5f);
        manager->SetStreamUpdatePercent(0.25f);
        manager->UnlockMusicMutex();
        return manager;
    }

    // Waits (at most 5 s) until the music thread has taken every handed-over stream.
    static bool WaitForPendingLists()
    {
        for (int i = 0; i < 500; ++i) {
            if (RMusicThread::GetPendingCount() == 0)
                return true;
            SDL_Delay(10);
        }
        return false;
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
    manager->Init(nullptr, nullptr);  // the thread waits for the music lock
    manager->LoadSound("early.wav", RHashedString("Early"), RHashedString(), true);
    manager->PlaySound(RHashedString("Early"), true);
    EXPECT_EQ(RMusicThread::GetPendingCount(), 1u);
    manager->ReleaseSound(RHashedString("Early"));
    EXPECT_EQ(manager->FindSound(RHashedString("Early")), nullptr);
    EXPECT_EQ(RMusicThread::GetPendingCount(), 1u);  // only in the list to remove
    manager->UnlockMusicMutex();
    EXPECT_TRUE(WaitForPendingLists());
    EXPECT_EQ(RMusicThread::GetActiveCount(), 0u);
}

TEST_F(MusicThreadTest, StreamReleasedRightBeforeShutdownIsDeletedByTheLastPass)
{
    ASSERT_TRUE(WriteIndexWave(m_folder, "late.wav", 20000));
    RAudioMgr* manager = Start();
    manager->LoadSound("late.wav", RHashedString("Late"), RHashedString(), true);
    manager->PlaySound(RHashedString("Late"), true);
    ASSERT_TRUE(WaitForPendingLists());
    EXPECT_EQ(RMusicThread::GetActiveCount(), 1u);
    manager->ReleaseAllSounds();
    RAudioMgr::DestroyInstance();
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
    EXPECT_LT(manager->GetStreamUpdatePercent(), 1.0f);  // a refill threshold below the ring's size
    manager->SetStreamLength(std::nanf(""));
    EXPECT_EQ(manager->GetStreamLength(), RAudioMgr::kMinStreamLength);
    ASSERT_TRUE(WaitForPendingLists());
    manager->ReleaseAllSounds();
}

} // namespace
