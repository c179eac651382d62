// The audio manager: named, reference-counted sounds, groups and the volumes pushed down to playing sounds, a
// machine without an audio device, and the whole path end to end on SDL's "disk" driver: what the device wrote
// compared with the WAVE file's frames and measured for the tone generator's pitch.
#include "AudioTestSupport.h"
#include "core/RString.h"
#include "core/RThreadTagger.h"
#include "core/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RPCSTune.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/audio/RSoundInst.h"
#include "platform/audio/RStreamingAudio_PCS.h"

namespace {

using namespace audiotest;

const RHashedString kSFX("__ROLT_AudioGroup_SFX");
const RHashedString kBGM("__ROLT_AudioGroup_BGM");

class AudioMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RMixer().Init();
        RThreadTagger::GetInstance();
        g_pGlobalTimer->Reset();
        g_pGlobalTimer->Update();
        ASSERT_TRUE(WriteWave(m_folder, "blip.wav", 1, 2, 44100, "[1000] * 2000"));
        m_manager = RAudioMgr::GetInstance();
    }
    void TearDown() override
    {
        RAudioMgr::DestroyInstance();
        unsetenv("SDL_AUDIODRIVER");
        EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    }
    RAudioInterface* LoadBlip(const char* name, RHashedString group = RHashedString())
    {
        return m_manager->LoadSound("blip.wav", RHashedString(name), group, false);
    }

    TempAudioFolder m_folder;
    RAudioMgr* m_manager = nullptr;
};

TEST_F(AudioMgrTest, SameNameLoadsOnceAndCountsReferences)
{
    RAudioInterface* first = LoadBlip("Blip");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_manager->LoadSound("other.wav", RHashedString("Blip"), kSFX, true), first) << "whatever file and group";
    EXPECT_EQ(m_manager->FindGroup(kSFX), nullptr);
    m_manager->ReleaseSound(RHashedString("Blip"));
    EXPECT_NE(m_manager->PlaySound(RHashedString("Blip"), false), nullptr);
    m_manager->ReleaseSound(RHashedString("Blip"));
    EXPECT_EQ(m_manager->FindSound(RHashedString("Blip")), nullptr);
    EXPECT_EQ(m_manager->PlaySound(RHashedString("Blip"), false), nullptr);
    m_manager->ReleaseSound(RHashedString("Blip")); // nothing left: nothing happens

    // ReleaseAll forgets every sound; one still referenced is not destroyed, and its holder deletes it.
    RAudioInterface* kept = LoadBlip("Kept");
    LoadBlip("Kept");
    LoadBlip("Gone");
    m_manager->ReleaseAllSounds();
    EXPECT_EQ(m_manager->GetSoundCount(), 0u);
    EXPECT_EQ(kept->Release(), 0u);
    delete kept;
}

TEST_F(AudioMgrTest, GroupsAndVolumesReachPlayingSoundsAndOutliveNothing)
{
    EXPECT_EQ(LoadBlip("Loose")->GetGroup(), nullptr);
    m_manager->SetMasterVolume(0.5f);
    RSound* sound = dynamic_cast<RSound*>(LoadBlip("Loud", kSFX));
    ASSERT_NE(sound, nullptr);
    RSoundGroup* sfx = m_manager->FindGroup(kSFX);
    ASSERT_NE(sfx, nullptr) << "made on demand";
    EXPECT_EQ(m_manager->CreateGroup(kSFX), sfx);
    EXPECT_EQ(sound->GetGroup(), sfx);
    sfx->SetVolume(0.5f);
    EXPECT_FLOAT_EQ(sound->GetOwnVolume(), 0.5f) << "the master volume of the moment of loading";
    RSoundInst* instance = dynamic_cast<RSoundInst*>(m_manager->PlaySound(RHashedString("Loud"), true));
    ASSERT_NE(instance, nullptr);
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.125f);
    m_manager->SetMasterVolume(1.0f);
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.25f);
    sfx->SetVolume(0.1f);
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.05f);
    m_manager->StopAllSounds();
    EXPECT_EQ(sound->GetInstanceCount(), 0u);
    EXPECT_EQ(m_manager->FindSound(RHashedString("Loud")), sound) << "stopping keeps the sound loaded";

    // A released sound leaves its group; a destroyed group leaves its sounds.
    LoadBlip("Short", kSFX);
    EXPECT_EQ(sfx->GetSoundCount(), 2u);
    m_manager->ReleaseSound(RHashedString("Short"));
    EXPECT_EQ(sfx->GetSoundCount(), 1u);
    sfx->SetVolume(0.3f);
    m_manager->DestroyGroup(kSFX);
    EXPECT_EQ(m_manager->FindGroup(kSFX), nullptr);
    EXPECT_EQ(sound->GetGroup(), nullptr);
    m_manager->SetMasterVolume(0.5f);
    EXPECT_FLOAT_EQ(sound->GetGroupVolume(), 0.5f);
    m_manager->ReleaseAllSounds();
}

TEST_F(AudioMgrTest, WithoutAnAudioDeviceEverythingGoesOnSilently)
{
    // A driver that does not exist, then whatever this machine has (none here: the device fails to open).
    for (const char* driver : {"no-such-driver", ""}) {
        if (*driver)
            setenv("SDL_AUDIODRIVER", driver, 1);
        else
            unsetenv("SDL_AUDIODRIVER");
        m_manager = RAudioMgr::GetInstance();
        m_manager->Init(nullptr, nullptr);
        if (*driver) {
            EXPECT_EQ(m_manager->GetDeviceId(), 0u);
        }
        m_manager->UnlockMusicMutex();
        m_manager->CreateGroup(kSFX)->SetVolume(0.7f);
        LoadBlip("Dozu", kSFX);
        m_manager->LoadSound(nullptr, RHashedString("PCSpeaker"), kBGM, true);
        EXPECT_NE(m_manager->PlaySound(RHashedString("PCSpeaker"), true), nullptr);
        EXPECT_NE(m_manager->PlaySound(RHashedString("Dozu"), false), nullptr);
        m_manager->UpdateAllSounds();
        m_manager->StopAllSounds();
        m_manager->ReleaseAllSounds();
        RAudioMgr::DestroyInstance();
        EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    }
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
