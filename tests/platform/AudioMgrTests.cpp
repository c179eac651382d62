// The audio manager: named, reference-counted sounds, the choice of sound kind by file name, groups and the
// volumes pushed down to playing sounds, a machine without an audio device, and the whole path end to end: the
// manager opens a device on SDL's "disk" driver, and what the device wrote is compared with the WAVE file's frames
// and measured for the tone generator's pitch and length.
#include "StreamTestSupport.h"
#include "core/RString.h"
#include "core/RThreadTagger.h"
#include "core/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RMusicThread.h"
#include "platform/audio/RPCSTune.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/audio/RSoundInst.h"
#include "platform/audio/RStreamingAudio_PCS.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <fstream>

namespace {

using namespace audiotest;

const RHashedString kSFX("__ROLT_AudioGroup_SFX");
const RHashedString kBGM("__ROLT_AudioGroup_BGM");

// Waits (at most 5 s) until the condition holds.
template <typename Condition> bool WaitFor(Condition condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        SDL_Delay(10);
    }
    return condition();
}

class AudioMgrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RMixer().Init();
        RThreadTagger::GetInstance();
        g_pGlobalTimer->Reset();
        g_pGlobalTimer->Update();
        ASSERT_TRUE(RunPython(m_folder, "import struct, wave\n"
                                        "w = wave.open('" + m_folder.File("blip.wav") + "', 'wb')\n"
                                        "w.setnchannels(1)\nw.setsampwidth(2)\nw.setframerate(44100)\n"
                                        "w.writeframes(struct.pack('<h', 1000) * 2000)\nw.close()\n"));
        m_manager = RAudioMgr::GetInstance();
    }
    void TearDown() override
    {
        RAudioMgr::DestroyInstance();
        unsetenv("SDL_AUDIODRIVER");
        EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    }

    // Init on SDL's dummy driver with the music thread let go, as the base game starts audio.
    void StartDummy()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        m_manager->Init(nullptr, nullptr);
        m_manager->SetStreamLength(0.5f);
        m_manager->SetStreamUpdatePercent(0.25f);
        m_manager->UnlockMusicMutex();
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
    // A second load of the name returns the same sound, whatever file and group it names.
    EXPECT_EQ(m_manager->LoadSound("other.wav", RHashedString("Blip"), kSFX, true), first);
    EXPECT_EQ(first->GetAsset()->GetRefCount(), 2u);
    EXPECT_EQ(m_manager->FindGroup(kSFX), nullptr);
    m_manager->ReleaseSound(RHashedString("Blip"));
    EXPECT_EQ(m_manager->FindSound(RHashedString("Blip")), first);
    EXPECT_NE(m_manager->PlaySound(RHashedString("Blip"), false), nullptr);
    m_manager->ReleaseSound(RHashedString("Blip"));
    EXPECT_EQ(m_manager->FindSound(RHashedString("Blip")), nullptr);
    EXPECT_EQ(m_manager->PlaySound(RHashedString("Blip"), false), nullptr);
    m_manager->ReleaseSound(RHashedString("Blip"));  // nothing left: nothing happens
}

TEST_F(AudioMgrTest, ReleaseAllForgetsEverySoundAndDestroysTheUnreferenced)
{
    RAudioInterface* kept = LoadBlip("Kept");
    LoadBlip("Kept");
    LoadBlip("Gone");
    EXPECT_EQ(m_manager->GetSoundCount(), 2u);
    m_manager->ReleaseAllSounds();
    EXPECT_EQ(m_manager->GetSoundCount(), 0u);
    EXPECT_EQ(m_manager->FindSound(RHashedString("Kept")), nullptr);
    // Still referenced: not destroyed, only forgotten; its holder deletes it.
    EXPECT_EQ(kept->Release(), 0u);
    delete kept;
}

TEST_F(AudioMgrTest, FileNamesChooseTheirKindByTheirExactEnding)
{
    StartDummy();
    for (const char* name : {"", "wav", ".wa", "blip.WAV", "blip.wave", "blip.mp3", "blip.Ogg"})
        EXPECT_EQ(m_manager->LoadSound(name, RHashedString("Odd"), kSFX, false), nullptr) << name;
    EXPECT_EQ(m_manager->GetSoundCount(), 0u);
    EXPECT_EQ(m_manager->FindGroup(kSFX), nullptr);

    RAudioInterface* wave = m_manager->LoadSound("blip.wav", RHashedString("Wave"), RHashedString(), false);
    ASSERT_NE(dynamic_cast<RSound*>(wave), nullptr);
    RAudioInterface* ogg = m_manager->LoadSound("none.ogg", RHashedString("Ogg"), RHashedString(), false);
    ASSERT_NE(ogg, nullptr);
    EXPECT_NE(ogg->GetStreamingSound(), nullptr);
    RAudioInterface* tones = m_manager->LoadSound(nullptr, RHashedString("PCSpeaker"), kBGM, true);
    ASSERT_NE(dynamic_cast<RStreamingAudio_PCS*>(tones), nullptr);
    // A file that cannot be read still gives a sound, a silent one.
    RAudioInterface* missing = m_manager->LoadSound("missing.wav", RHashedString("Missing"), kSFX, false);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->GetAsset()->GetBuffer()->GetSize(), 0u);
    EXPECT_EQ(m_manager->GetSoundCount(), 4u);
    m_manager->StopAllSounds();
    m_manager->ReleaseAllSounds();
    EXPECT_TRUE(WaitFor([] { return RMusicThread::GetPendingCount() == 0 && RMusicThread::GetActiveCount() == 0; }));
}

TEST_F(AudioMgrTest, GroupsAreMadeOnDemandAndTheEmptyNameMeansNone)
{
    RAudioInterface* loose = LoadBlip("Loose", RHashedString());
    EXPECT_EQ(loose->GetGroup(), nullptr);
    RAudioInterface* grouped = LoadBlip("Grouped", RHashedString("NewGroup"));
    RSoundGroup* group = m_manager->FindGroup(RHashedString("NewGroup"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(grouped->GetGroup(), group);
    EXPECT_EQ(group->GetSoundCount(), 1u);
    EXPECT_FLOAT_EQ(group->GetVolume(), 1.0f);
    EXPECT_EQ(m_manager->CreateGroup(RHashedString("NewGroup")), group);
    m_manager->ReleaseAllSounds();
}

TEST_F(AudioMgrTest, DestroyedSoundLeavesItsGroupAndDestroyedGroupLeavesItsSounds)
{
    RSoundGroup* sfx = m_manager->CreateGroup(kSFX);
    LoadBlip("Short", kSFX);
    RAudioInterface* stays = LoadBlip("Stays", kSFX);
    EXPECT_EQ(sfx->GetSoundCount(), 2u);
    m_manager->ReleaseSound(RHashedString("Short"));
    EXPECT_EQ(sfx->GetSoundCount(), 1u);
    sfx->SetVolume(0.3f);  // reaches only the sound still alive

    m_manager->DestroyGroup(kSFX);
    EXPECT_EQ(m_manager->FindGroup(kSFX), nullptr);
    EXPECT_EQ(stays->GetGroup(), nullptr);
    m_manager->SetMasterVolume(0.5f);
    EXPECT_FLOAT_EQ(stays->GetGroupVolume(), 0.5f);
    m_manager->ReleaseAllSounds();
}

TEST_F(AudioMgrTest, MasterAndGroupVolumesReachPlayingInstances)
{
    m_manager->SetMasterVolume(0.5f);
    m_manager->CreateGroup(kSFX)->SetVolume(0.5f);
    RSound* sound = dynamic_cast<RSound*>(LoadBlip("Loud", kSFX));
    ASSERT_NE(sound, nullptr);
    EXPECT_FLOAT_EQ(sound->GetOwnVolume(), 0.5f);  // the master volume of the moment of loading
    RSoundInst* instance = dynamic_cast<RSoundInst*>(m_manager->PlaySound(RHashedString("Loud"), true));
    ASSERT_NE(instance, nullptr);
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.125f);
    m_manager->SetMasterVolume(1.0f);
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.25f);
    m_manager->FindGroup(kSFX)->SetVolume(0.1f);
    EXPECT_FLOAT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.05f);

    // Stop keeps the sound loaded; Update reclaims stopped instances.
    m_manager->StopAllSounds();
    EXPECT_EQ(sound->GetInstanceCount(), 0u);
    EXPECT_EQ(m_manager->FindSound(RHashedString("Loud")), sound);
    m_manager->ReleaseAllSounds();
}

TEST_F(AudioMgrTest, StreamVolumeIsMasterTimesGroupTimesItsOwn)
{
    StartDummy();
    RSoundGroup* bgm = m_manager->CreateGroup(kBGM);
    RAudioInterface* tones = m_manager->LoadSound(nullptr, RHashedString("PCSpeaker"), kBGM, true);
    ASSERT_NE(tones, nullptr);
    m_manager->PlaySound(RHashedString("PCSpeaker"), true);
    m_manager->SetMasterVolume(0.5f);
    bgm->SetVolume(0.5f);
    RFMLAudioBuffer* buffer = tones->GetAsset()->GetBuffer();
    // Carried out by the music thread at its next pass.
    EXPECT_TRUE(WaitFor([&] { return RFMLAudioBuffer::GetVolume(buffer) == 0.25f; }));
    uint32_t status = 0;
    RFMLAudioBuffer::GetStatus(buffer, &status);
    EXPECT_EQ(status, 1u);
    m_manager->StopAllSounds();
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
        RAudioMgr* manager = RAudioMgr::GetInstance();
        manager->Init(nullptr, nullptr);
        if (*driver) {
            EXPECT_EQ(manager->GetDeviceId(), 0u);
        }
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
        m_manager = RAudioMgr::GetInstance();
    }
}

TEST_F(AudioMgrTest, MenuSoundFromTheGamePackPlaysItsGeneratedSamples)
{
    const std::string pack = std::string(ROLT_TEST_RESOURCE_DIR) + "/Wendro.rpk";
    ASSERT_TRUE(std::ifstream(pack).good()) << pack << " is made by the build's packs target";
    RStreamMgr::GetInstance()->MountPack(pack.c_str());
    // The same generator, run again here, read back with python3's wave module.
    ASSERT_TRUE(RunTool("python3 " + std::string(ROLT_TEST_SOURCE_DIR) + "/tools/make_menu_wav.py " +
                        m_folder.File("expected.wav")));
    ASSERT_TRUE(RunPython(m_folder, "import wave\n"
                                    "w = wave.open('" + m_folder.File("expected.wav") + "', 'rb')\n"
                                    "assert (w.getnchannels(), w.getsampwidth(), w.getframerate()) == (1, 2, 44100)\n"
                                    "open('" + m_folder.File("expected.raw") + "', 'wb').write(w.readframes(w.getnframes()))\n"));
    const std::vector<uint8_t> raw = ReadBytes(m_folder.File("expected.raw"));
    ASSERT_GT(raw.size(), 2000u);

    m_manager->SetMasterVolume(1.0f);
    m_manager->CreateGroup(kSFX)->SetVolume(1.0f);
    RAudioInterface* dozu = m_manager->LoadSound("menu.wav", RHashedString("Dozu"), kSFX, false);
    ASSERT_NE(dynamic_cast<RSound*>(dozu), nullptr);
    EXPECT_EQ(dozu->GetAsset()->GetBuffer()->GetSize(), raw.size());
    ASSERT_NE(m_manager->PlaySound(RHashedString("Dozu"), false), nullptr);
    std::vector<Frame> out = Mix(static_cast<uint32_t>(raw.size() / 2) + 100);
    for (size_t i = 0; i < raw.size() / 2; ++i) {
        const int16_t sample = Signed16(&raw[2 * i]);
        ASSERT_EQ(out[i], (Frame{sample, sample})) << "frame " << i;
    }
    EXPECT_EQ(out.back(), (Frame{0, 0}));
    m_manager->UpdateAllSounds();
    EXPECT_EQ(dynamic_cast<RSound*>(dozu)->GetInstanceCount(), 0u);
    m_manager->ReleaseSound(RHashedString("Dozu"));
}

// End to end: the manager's own device on SDL's disk driver, which writes what the mixer produced to a file.
class AudioMgrDiskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RThreadTagger::GetInstance();
        m_output = m_folder.File("out.raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_output.c_str(), 1);
        m_manager = RAudioMgr::GetInstance();
        m_manager->Init(nullptr, nullptr);
        ASSERT_NE(m_manager->GetDeviceId(), 0u) << SDL_GetError();
        m_manager->SetMasterVolume(1.0f);
        m_manager->SetStreamLength(0.5f);
        m_manager->SetStreamUpdatePercent(0.25f);
        m_manager->UnlockMusicMutex();
        m_manager->CreateGroup(kSFX)->SetVolume(1.0f);
        m_manager->CreateGroup(kBGM)->SetVolume(1.0f);
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
        m_manager = nullptr;
        std::vector<uint8_t> bytes = ReadBytes(m_output);
        std::vector<Frame> frames(bytes.size() / 4);
        for (size_t i = 0; i < frames.size(); ++i)
            frames[i] = Frame{Signed16(&bytes[4 * i]), Signed16(&bytes[4 * i + 2])};
        return frames;
    }

    TempAudioFolder m_folder;
    std::string m_output;
    RAudioMgr* m_manager = nullptr;
};

TEST_F(AudioMgrDiskTest, StreamLoopsPausesResumesAndStopsThroughTheMusicThread)
{
    const int frames = 26000;  // longer than the ring
    ASSERT_TRUE(WriteIndexWave(m_folder, "music.wav", frames));
    ASSERT_NE(m_manager->LoadSound("music.wav", RHashedString("Music"), kBGM, true), nullptr);
    m_manager->PlaySound(RHashedString("Music"), true);
    SDL_Delay(900);
    m_manager->PauseSound(RHashedString("Music"));
    SDL_Delay(400);
    m_manager->PlaySound(RHashedString("Music"), true);
    SDL_Delay(400);
    m_manager->StopSound(RHashedString("Music"));  // playing: starts again from the beginning
    SDL_Delay(400);
    m_manager->PauseSound(RHashedString("Music"));
    SDL_Delay(250);
    m_manager->StopSound(RHashedString("Music"));  // paused: stays silent
    SDL_Delay(300);
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
            ASSERT_GE(index, 0);
            ASSERT_LT(index, frames);
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
    RAudioInterface* sound = m_manager->LoadSound(nullptr, RHashedString("PCSpeaker"), kBGM, true);
    RStreamingAudio_PCS* tones = dynamic_cast<RStreamingAudio_PCS*>(sound);
    ASSERT_NE(tones, nullptr);
    m_manager->PlaySound(RHashedString("PCSpeaker"), true);
    SDL_Delay(200);
    RPCSTune tune;
    ParsePCSTune(RString("T120 O4 4A 4R 8A5"), tune.notes);  // 440 Hz 0.5 s, rest 0.5 s, 880 Hz 0.25 s
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
