// A sound played end to end through SDL's "disk" driver, which writes what the mixer's callback produced to a file.
#include "AudioTestSupport.h"
#include "core/system/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RWaveFile.h"

namespace {

using namespace audiotest;

TEST(DiskDeviceTest, SixteenBitStereoSoundIsHeardSampleForSampleThenSilence)
{
    TempAudioFolder folder;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", folder.File("out.raw").c_str(), 1);
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
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    ASSERT_NE(device, 0u) << SDL_GetError();
    SDL_PauseAudioDevice(device, 0);

    ASSERT_TRUE(RunTool("sox -R -n -r 44100 -c 2 -b 16 " + folder.File("noise.wav") + " synth 0.25 whitenoise vol 0.7"));
    ASSERT_TRUE(RunTool("sox " + folder.File("noise.wav") + " -t raw " + folder.File("noise.raw")));
    const std::vector<Frame> expected = Frames(ReadBytes(folder.File("noise.raw")));
    RWaveFile* asset = new RWaveFile;
    ASSERT_TRUE(LoadAsset(asset, "noise.wav", false));
    RSound* sound = static_cast<RSound*>(asset->CreateSound());
    sound->SetAsset(asset);
    sound->SetVolume(RAudioMgr::GetInstance()->GetMasterVolume());
    ASSERT_NE(sound->Play(false), nullptr);
    for (int i = 0; i < 500 && sound->GetInstanceCount() > 0; ++i) {
        SDL_Delay(10);
        sound->Update();
    }
    EXPECT_EQ(sound->GetInstanceCount(), 0u);
    SDL_Delay(150);
    SDL_CloseAudioDevice(device);
    delete sound;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    RAudioMgr::DestroyInstance();

    // The sound starts on a block boundary after silence.
    std::vector<Frame> out = Frames(ReadBytes(folder.File("out.raw")));
    size_t lead = 0, first = 0;
    while (expected[lead] == kSilence)
        ++lead;
    while (first < out.size() && out[first] == kSilence)
        ++first;
    ASSERT_LT(first, out.size()) << "nothing was heard";
    ASSERT_GE(first, lead);
    const size_t start = first - lead;
    EXPECT_EQ(start % RMixer::kOutputBlockFrames, 0u);
    ASSERT_GE(out.size(), start + expected.size() + 100);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(out[start + i], expected[i]) << "frame " << i;
    EXPECT_TRUE(AllSilent(out, start + expected.size()));
}

} // namespace
