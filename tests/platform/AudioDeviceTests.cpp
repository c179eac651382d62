// Sounds played end to end through SDL's real audio path: the mixer is the callback of a device opened on SDL's
// "disk" driver, which writes exactly what the callback produced to a file in real time.
#include "AudioTestSupport.h"
#include "core/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RSoundInst.h"
#include "platform/audio/RWaveFile.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

namespace {

using namespace audiotest;

class DiskDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_output = m_folder.File("out.raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_output.c_str(), 1);
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

    // A plain sound loaded from a file in the test folder.
    static RSound* LoadSound(const std::string& name)
    {
        RWaveFile* asset = new RWaveFile;
        EXPECT_TRUE(LoadAsset(asset, name.c_str(), false));
        RSound* sound = static_cast<RSound*>(asset->CreateSound());
        sound->SetAsset(asset);
        sound->SetVolume(RAudioMgr::GetInstance()->GetMasterVolume());
        return sound;
    }

    // Waits (at most 10 s) until the sound's instances have all played out.
    static void WaitUntilFinished(RSound* sound)
    {
        for (int i = 0; i < 1000 && sound->GetInstanceCount() > 0; ++i) {
            SDL_Delay(10);
            sound->Update();
        }
        EXPECT_EQ(sound->GetInstanceCount(), 0u);
    }

    // What the device received, as frames.
    std::vector<Frame> Output()
    {
        CloseDevice();
        std::vector<uint8_t> bytes = ReadBytes(m_output);
        std::vector<Frame> frames(bytes.size() / 4);
        for (size_t i = 0; i < frames.size(); ++i)
            frames[i] = Frame{Signed16(&bytes[4 * i]), Signed16(&bytes[4 * i + 2])};
        return frames;
    }

    // The output frame where expected begins: the sound starts on a block boundary after silence.
    static size_t FindStart(const std::vector<Frame>& output, const std::vector<Frame>& expected)
    {
        size_t lead = 0;
        while (lead < expected.size() && expected[lead] == Frame{0, 0})
            ++lead;
        size_t first = 0;
        while (first < output.size() && output[first] == Frame{0, 0})
            ++first;
        EXPECT_LT(first, output.size()) << "nothing was heard";
        EXPECT_GE(first, lead);
        const size_t start = first - lead;
        EXPECT_EQ(start % RMixer::kOutputBlockFrames, 0u);
        return start;
    }

    TempAudioFolder m_folder;
    std::string m_output;
    SDL_AudioDeviceID m_device = 0;
};

TEST_F(DiskDeviceTest, SixteenBitStereoSoundIsHeardSampleForSample)
{
    ASSERT_TRUE(RunTool("sox -R -n -r 44100 -c 2 -b 16 " + m_folder.File("noise.wav") +
                        " synth 0.25 whitenoise vol 0.7"));
    ASSERT_TRUE(RunTool("sox " + m_folder.File("noise.wav") + " -t raw " + m_folder.File("noise.raw")));
    const std::vector<uint8_t> raw = ReadBytes(m_folder.File("noise.raw"));
    std::vector<Frame> expected(raw.size() / 4);
    for (size_t i = 0; i < expected.size(); ++i)
        expected[i] = Frame{Signed16(&raw[4 * i]), Signed16(&raw[4 * i + 2])};

    RSound* sound = LoadSound("noise.wav");
    SDL_Delay(100);
    ASSERT_NE(sound->Play(false), nullptr);
    WaitUntilFinished(sound);
    SDL_Delay(200);
    std::vector<Frame> output = Output();
    delete sound;

    const size_t start = FindStart(output, expected);
    ASSERT_GE(output.size(), start + expected.size() + 100);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(output[start + i], expected[i]) << "frame " << i;
    for (size_t i = start + expected.size(); i < output.size(); ++i)
        ASSERT_EQ(output[i], (Frame{0, 0})) << "frame " << i;
}

TEST_F(DiskDeviceTest, EightBitMonoAtHalfVolumeFromTheFirstBlock)
{
    ASSERT_TRUE(RunPython(m_folder, "import wave\n"
                                    "w = wave.open('" + m_folder.File("ramp8.wav") + "', 'wb')\n"
                                    "w.setnchannels(1)\nw.setsampwidth(1)\nw.setframerate(44100)\n"
                                    "w.writeframes(bytes((i * 7) % 256 for i in range(9000)))\nw.close()\n"));
    RAudioMgr::GetInstance()->SetMasterVolume(0.5f);
    RSound* sound = LoadSound("ramp8.wav");
    std::vector<Frame> expected(9000);
    for (int i = 0; i < 9000; ++i) {
        // Master volume × the sound's own volume (set to the master volume at load): 0.25.
        const int16_t level = static_cast<int16_t>(((i * 7) % 256 - 128) * 256 / 4);
        expected[static_cast<size_t>(i)] = Frame{level, level};
    }
    ASSERT_NE(sound->Play(false), nullptr);
    WaitUntilFinished(sound);
    SDL_Delay(100);
    std::vector<Frame> output = Output();
    delete sound;

    const size_t start = FindStart(output, expected);
    ASSERT_GE(output.size(), start + expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(output[start + i], expected[i]) << "frame " << i;
}

TEST_F(DiskDeviceTest, ShortLoopGoesRoundWithoutASeamAtBlockEdges)
{
    // 1,000 frames, shorter than one 4,096-frame block.
    ASSERT_TRUE(RunPython(m_folder, "import struct, wave\n"
                                    "w = wave.open('" + m_folder.File("loop.wav") + "', 'wb')\n"
                                    "w.setnchannels(2)\nw.setsampwidth(2)\nw.setframerate(44100)\n"
                                    "w.writeframes(b''.join(struct.pack('<hh', i + 1, -i - 1) for i in range(1000)))\n"
                                    "w.close()\n"));
    RSound* sound = LoadSound("loop.wav");
    ASSERT_NE(sound->Play(true), nullptr);
    SDL_Delay(700);
    sound->Stop();
    SDL_Delay(100);
    std::vector<Frame> output = Output();
    delete sound;

    std::vector<Frame> expected(1000);
    for (int i = 0; i < 1000; ++i)
        expected[static_cast<size_t>(i)] = Frame{static_cast<int16_t>(i + 1), static_cast<int16_t>(-i - 1)};
    const size_t start = FindStart(output, expected);
    size_t heard = 0;
    while (start + heard < output.size() && output[start + heard] != Frame{0, 0}) {
        ASSERT_EQ(output[start + heard], expected[heard % 1000]) << "frame " << heard;
        ++heard;
    }
    EXPECT_GE(heard, 2u * RMixer::kOutputBlockFrames);
}

} // namespace
