// Sounds played end to end through SDL's real audio path: the mixer is the callback of a device opened on SDL's
// "disk" driver, which writes exactly what the callback produced to a file in real time.
#include "AudioTestSupport.h"
#include "core/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RWaveFile.h"

namespace {

using namespace audiotest;

class DiskDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_folder.File("out.raw").c_str(), 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
        RMixer().Init();
        g_pGlobalTimer->Reset();
        g_pGlobalTimer->Update();
        SDL_AudioSpec want;
        SDL_zero(want);
        want.freq = RMixer::kOutputRate;
        want.format = AUDIO_S16LSB;
        want.channels = RMixer::kOutputChannels;
        want.samples = RMixer::kOutputBlockFrames;
        want.callback = RMixer::Callback;
        SDL_AudioSpec have;
        m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        ASSERT_NE(m_device, 0u) << SDL_GetError();
        SDL_PauseAudioDevice(m_device, 0);
    }
    void TearDown() override
    {
        CloseDevice();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        RAudioMgr::DestroyInstance();
    }
    void CloseDevice()
    {
        if (m_device)
            SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }

    // Loads a plain sound from the folder, plays it (looping or not) for at most waitMs, and returns what the
    // device received from the sound's first frame on (it starts on a block boundary after silence).
    std::vector<Frame> PlayAndRecord(const std::string& name, bool loop, int waitMs, size_t leadingSilence = 0)
    {
        RWaveFile* asset = new RWaveFile;
        EXPECT_TRUE(LoadAsset(asset, name.c_str(), false));
        RSound* sound = static_cast<RSound*>(asset->CreateSound());
        sound->SetAsset(asset);
        sound->SetVolume(RAudioMgr::GetInstance()->GetMasterVolume());
        EXPECT_NE(sound->Play(loop), nullptr);
        for (int i = 0; i < waitMs / 10 && (loop || sound->GetInstanceCount() > 0); ++i) {
            SDL_Delay(10);
            sound->Update();
        }
        if (loop)
            sound->Stop();
        EXPECT_EQ(sound->GetInstanceCount(), 0u);
        SDL_Delay(150);
        CloseDevice();
        delete sound;
        std::vector<Frame> out = Frames(ReadBytes(m_folder.File("out.raw")));
        size_t first = 0;
        while (first < out.size() && out[first] == kSilence)
            ++first;
        EXPECT_LT(first, out.size()) << "nothing was heard";
        EXPECT_GE(first, leadingSilence);
        const size_t start = first - leadingSilence;
        EXPECT_EQ(start % RMixer::kOutputBlockFrames, 0u);
        return std::vector<Frame>(out.begin() + static_cast<long>(start), out.end());
    }

    TempAudioFolder m_folder;
    SDL_AudioDeviceID m_device = 0;
};

TEST_F(DiskDeviceTest, SixteenBitStereoSoundIsHeardSampleForSampleThenSilence)
{
    ASSERT_TRUE(RunTool("sox -R -n -r 44100 -c 2 -b 16 " + m_folder.File("noise.wav") + " synth 0.25 whitenoise vol 0.7"));
    ASSERT_TRUE(RunTool("sox " + m_folder.File("noise.wav") + " -t raw " + m_folder.File("noise.raw")));
    const std::vector<Frame> expected = Frames(ReadBytes(m_folder.File("noise.raw")));
    size_t lead = 0;
    while (expected[lead] == kSilence)
        ++lead;
    std::vector<Frame> out = PlayAndRecord("noise.wav", false, 5000, lead);
    ASSERT_GE(out.size(), expected.size() + 100);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(out[i], expected[i]) << "frame " << i;
    EXPECT_TRUE(AllSilent(out, expected.size()));
}

TEST_F(DiskDeviceTest, EightBitMonoAtHalfVolumeFromTheFirstBlock)
{
    ASSERT_TRUE(WriteWave(m_folder, "ramp8.wav", 1, 1, 44100, "[(i * 7) % 256 for i in range(9000)]"));
    RAudioMgr::GetInstance()->SetMasterVolume(0.5f);
    // The first frame, level -128 * 256 / 4, is not silent.
    std::vector<Frame> out = PlayAndRecord("ramp8.wav", false, 5000);
    ASSERT_GE(out.size(), 9000u);
    for (int i = 0; i < 9000; ++i) {
        // Master volume × the sound's own volume (set to the master volume at load): 0.25.
        const int16_t level = static_cast<int16_t>(((i * 7) % 256 - 128) * 256 / 4);
        ASSERT_EQ(out[static_cast<size_t>(i)], (Frame{level, level})) << "frame " << i;
    }
}

TEST_F(DiskDeviceTest, ShortLoopGoesRoundWithoutASeamAtBlockEdges)
{
    // 1,000 frames, shorter than one 4,096-frame block.
    ASSERT_TRUE(WriteWave(m_folder, "loop.wav", 2, 2, 44100, "[v for i in range(1000) for v in (i + 1, -i - 1)]"));
    std::vector<Frame> out = PlayAndRecord("loop.wav", true, 400);
    size_t heard = 0;
    for (; heard < out.size() && out[heard] != kSilence; ++heard) {
        const int16_t v = static_cast<int16_t>(heard % 1000 + 1);
        ASSERT_EQ(out[heard], (Frame{v, static_cast<int16_t>(-v)})) << "frame " << heard;
    }
    EXPECT_GE(heard, 2u * RMixer::kOutputBlockFrames);
}

} // namespace
