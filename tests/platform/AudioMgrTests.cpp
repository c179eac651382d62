// The audio manager without an audio device, and end to end on SDL's "disk" driver: a stream through the music thread
// and a tune of the tone generator.
#include "AudioTestSupport.h"
#include "core/types/RString.h"
#include "core/system/RThreadTagger.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RPCSTune.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/audio/RStreamingAudio_PCS.h"

namespace {

using namespace audiotest;

const RHashedString kSFX("__ROLT_AudioGroup_SFX");
const RHashedString kBGM("__ROLT_AudioGroup_BGM");

// Without a device (a driver that does not exist, then this machine's none) everything goes on silently.
TEST(AudioMgrTest, WithoutAnAudioDeviceEverythingGoesOnSilently)
{
    TempAudioFolder folder;
    RMixer().Init();
    RThreadTagger::GetInstance();
    ASSERT_TRUE(WriteWave(folder, "blip.wav", 1, 2, 44100, "[1000] * 2000"));
    for (const char* driver : {"no-such-driver", ""}) {
        if (*driver)
            setenv("SDL_AUDIODRIVER", driver, 1);
        else
            unsetenv("SDL_AUDIODRIVER");
        RAudioMgr* manager = RAudioMgr::GetInstance();
        manager->Init(nullptr, nullptr);
        EXPECT_TRUE(!*driver || manager->GetDeviceId() == 0u);
        manager->UnlockMusicMutex();
        manager->CreateGroup(kSFX)->SetVolume(0.7f);
        manager->LoadSound("blip.wav", RHashedString("Dozu"), kSFX, false);
        manager->LoadSound(nullptr, RHashedString("PCSpeaker"), kBGM, true);
        EXPECT_NE(manager->PlaySound(RHashedString("PCSpeaker"), true), nullptr);
        EXPECT_NE(manager->PlaySound(RHashedString("Dozu"), false), nullptr);
        manager->UpdateAllSounds();
        manager->StopAllSounds();
        manager->ReleaseAllSounds();
        RAudioMgr::DestroyInstance();
        EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    }
}

// Sounds are shared by name and counted by reference; the file name's exact ending chooses the reader.
TEST(AudioMgrTest, SoundsAreSharedByNameAndCountedByReference)
{
    TempAudioFolder folder;
    RMixer().Init();
    RThreadTagger::GetInstance();
    ASSERT_TRUE(WriteWave(folder, "blip.wav", 1, 2, 44100, "[1000] * 200"));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    RAudioMgr* manager = RAudioMgr::GetInstance();
    manager->Init(nullptr, nullptr);
    manager->UnlockMusicMutex();
    const RHashedString blip("Blip");
    const RHashedString other("Other");
    const RHashedString fresh("FreshGroup");

    RAudioInterface* sound = manager->LoadSound("blip.wav", blip, fresh, false);
    ASSERT_NE(sound, nullptr);
    RSoundGroup* group = manager->FindGroup(fresh); // made by the first load that names it
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(sound->GetGroup(), group);
    // A mapped name answers with its sound whatever file, group or streaming is asked for.
    EXPECT_EQ(manager->LoadSound("other.wav", blip, RHashedString(), true), sound);
    EXPECT_EQ(sound->GetAsset()->GetRefCount(), 2u);
    manager->ReleaseSound(blip);
    EXPECT_EQ(manager->FindSound(blip), sound);
    manager->ReleaseSound(blip);
    EXPECT_EQ(manager->FindSound(blip), nullptr);
    EXPECT_EQ(group->GetSoundCount(), 0u);

    EXPECT_EQ(manager->LoadSound("blip.WAV", other, RHashedString(), false), nullptr);
    EXPECT_EQ(manager->LoadSound("wav", other, RHashedString(), false), nullptr);
    EXPECT_EQ(manager->GetSoundCount(), 0u);
    RAudioInterface* held = manager->LoadSound("blip.wav", other, RHashedString(), false);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->GetGroup(), nullptr); // the empty name: no group
    manager->LoadSound("blip.wav", other, RHashedString(), false);
    manager->ReleaseAllSounds(); // one reference is left, yet the name is gone
    EXPECT_EQ(manager->FindSound(other), nullptr);
    EXPECT_EQ(manager->GetSoundCount(), 0u);
    EXPECT_EQ(held->GetAsset()->GetRefCount(), 1u);
    manager->DestroySound(held);
    RAudioMgr::DestroyInstance();
    unsetenv("SDL_AUDIODRIVER");
}

// End to end: the manager's own device on SDL's disk driver, which writes what the mixer produced to a file.
class AudioMgrDiskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RThreadTagger::GetInstance();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_folder.File("out.raw").c_str(), 1);
        m_manager = RAudioMgr::GetInstance();
        m_manager->Init(nullptr, nullptr);
        ASSERT_NE(m_manager->GetDeviceId(), 0u) << SDL_GetError();
        m_manager->SetMasterVolume(1.0f);
        m_manager->SetStreamLength(0.5f);
        m_manager->SetStreamUpdatePercent(0.25f);
        m_manager->UnlockMusicMutex();
    }
    void TearDown() override
    {
        RAudioMgr::DestroyInstance();
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    }
    // Shuts audio down (closing the device) and returns what the device received.
    std::vector<Frame> Output()
    {
        m_manager->StopAllSounds();
        m_manager->ReleaseAllSounds();
        RAudioMgr::DestroyInstance();
        return Frames(ReadBytes(m_folder.File("out.raw")));
    }

    TempAudioFolder m_folder;
    RAudioMgr* m_manager = nullptr;
};

TEST_F(AudioMgrDiskTest, StreamLoopsPausesResumesAndStopsThroughTheMusicThread)
{
    const int frames = 26000; // longer than the ring
    ASSERT_TRUE(WriteIndexWave(m_folder, "music.wav", frames));
    const RHashedString music("Music");
    ASSERT_NE(m_manager->LoadSound("music.wav", music, kBGM, true), nullptr);
    m_manager->PlaySound(music, true);
    SDL_Delay(800);
    m_manager->PauseSound(music);
    SDL_Delay(300);
    m_manager->PlaySound(music, true);
    SDL_Delay(300);
    m_manager->StopSound(music); // playing: starts again from the beginning
    SDL_Delay(300);
    m_manager->PauseSound(music);
    SDL_Delay(200);
    m_manager->StopSound(music); // paused: stays silent
    SDL_Delay(200);
    std::vector<Frame> out = Output();

    // Two stretches of sound, split by the pause: the first goes round the data, the second goes on where the
    // first stopped and, at the stop, starts again at the data's first frame, once.
    std::vector<SoundRun> runs = SoundingRuns(out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(FrameIndex(out[runs[0].begin]), 0);
    EXPECT_GT(runs[0].Length(), static_cast<size_t>(frames));
    int restarts = 0;
    int previous = -1;
    for (const SoundRun& run : runs) {
        for (size_t i = run.begin; i < run.end; ++i) {
            const int index = FrameIndex(out[i]);
            ASSERT_TRUE(index >= 0 && index < frames) << index;
            if (previous >= 0 && index != (previous + 1) % frames) {
                ASSERT_EQ(index, 0) << "frame " << i << " after " << previous;
                ++restarts;
            }
            previous = index;
        }
    }
    EXPECT_EQ(restarts, 1);
}

TEST_F(AudioMgrDiskTest, TuneIsHeardAtItsPitchForItsLength)
{
    auto* tones = dynamic_cast<RStreamingAudio_PCS*>(m_manager->LoadSound(nullptr, RHashedString("PCSpeaker"), kBGM, true));
    ASSERT_NE(tones, nullptr);
    m_manager->PlaySound(RHashedString("PCSpeaker"), true);
    SDL_Delay(200);
    RPCSTune tune;
    ParsePCSTune(RString("T120 O4 4A 4R 8A5"), tune.notes); // 440 Hz 0.5 s, rest 0.5 s, 880 Hz 0.25 s
    tune.priority = 6;
    tones->PlayTune(tune);
    SDL_Delay(1700);
    EXPECT_EQ(tones->GetTuneCount(), 1u);
    std::vector<Frame> out = Output();

    std::vector<SoundRun> runs = SoundingRuns(out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(static_cast<double>(runs[0].Length()), 22050.0, 30.0);
    EXPECT_NEAR(static_cast<double>(runs[1].begin - runs[0].end), 22050.0, 30.0);
    EXPECT_NEAR(static_cast<double>(runs[1].Length()), 11025.0, 30.0);
    EXPECT_NEAR(static_cast<double>(ZeroCrossings(out, runs[0].begin, runs[0].end).size()), 440.0, 2.0);
    EXPECT_NEAR(static_cast<double>(ZeroCrossings(out, runs[1].begin, runs[1].end).size()), 440.0, 2.0);
    for (const SoundRun& run : runs) {
        for (size_t i = run.begin; i < run.end; ++i)
            ASSERT_TRUE(out[i].left == out[i].right && (out[i].left == 8191 || out[i].left == -8193)) << i;
    }
}

} // namespace
