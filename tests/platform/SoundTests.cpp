// Plain sounds and their instances: the retrigger guard, group membership, and the effective volume (master × group
// × own × instance) as the mixer applies it.
#include "AudioTestSupport.h"
#include "core/system/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/audio/RSoundInst.h"

namespace {

using namespace audiotest;

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RMixer().Init();
        RAudioMgr::GetInstance()->SetMasterVolume(1.0f);
        g_pGlobalTimer->Reset();
        g_pGlobalTimer->Update();
    }
    void TearDown() override { RAudioMgr::DestroyInstance(); }

    // A sound whose asset holds frames mono 16-bit samples of the given value.
    static RSound* MakeSound(uint32_t frames, int16_t value)
    {
        RSoundAsset* asset = new RSoundAsset;
        asset->SetBuffer(MakeBuffer(1, 16, 44100, Bytes16(std::vector<int16_t>(frames, value))));
        RSound* sound = new RSound;
        sound->SetAsset(asset);
        return sound;
    }
    // Moves the global clock past the 50 ms retrigger guard.
    static void Wait()
    {
        SDL_Delay(55);
        g_pGlobalTimer->Update();
    }
};

TEST_F(SoundTest, RetriggerGuardAndInstancesThatSoundTogether)
{
    RSound* sound = MakeSound(32, 1000);
    auto* looping = static_cast<RSoundInst*>(sound->Play(true));
    ASSERT_NE(looping, nullptr);
    EXPECT_EQ(sound->Play(false), nullptr) << "the clock has not moved: refused";
    EXPECT_EQ(sound->GetInstanceCount(), 1u);
    Wait();
    auto* once = static_cast<RSoundInst*>(sound->Play(false));
    ASSERT_NE(once, nullptr);
    EXPECT_NE(looping->GetBuffer(), sound->GetAsset()->GetBuffer());
    std::vector<Frame> out = Mix(40);
    EXPECT_EQ(out[31], (Frame{2000, 2000}));
    EXPECT_EQ(out[32], (Frame{1000, 1000}));
    sound->Update();
    ASSERT_EQ(sound->GetInstanceCount(), 1u) << "only the finished instance is reclaimed";
    EXPECT_EQ(sound->GetInstance(0), looping);
    delete sound;
}

TEST_F(SoundTest, VolumesMultiplyAndReachPlayingInstances)
{
    RAudioMgr::GetInstance()->SetMasterVolume(0.5f);
    RSound* sound = MakeSound(64, 1600);
    RSoundGroup* group = new RSoundGroup(RHashedString("__ROLT_AudioGroup_SFX"));
    group->AddSound(sound);
    sound->SetVolume(0.5f);
    auto* instance = static_cast<RSoundInst*>(sound->Play(true));
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(Mix(4)[0], (Frame{400, 400})) << "in place from the first block";
    group->SetVolume(0.5f);
    EXPECT_EQ(Mix(4)[0], (Frame{200, 200}));
    instance->SetVolume(0.5f);
    instance->SetPan(-1.0f);
    EXPECT_EQ(Mix(4)[0], (Frame{100, 0}));
    sound->SetPan(1.0f);
    EXPECT_EQ(Mix(4)[0], (Frame{100, 0})) << "instances keep their own pan";
    RAudioMgr::GetInstance()->SetMasterVolume(1.0f);
    sound->TouchVolume();
    EXPECT_EQ(Mix(4)[0], (Frame{200, 0}));
    delete sound;
    delete group;
}

TEST_F(SoundTest, GroupMembershipStaysConsistentWhicheverIsFreedFirst)
{
    RSound* sound = MakeSound(8, 1);
    RSoundGroup* effects = new RSoundGroup(RHashedString("Effects"));
    RSoundGroup* music = new RSoundGroup(RHashedString("Music"));
    effects->AddSound(sound);
    effects->AddSound(sound);
    EXPECT_EQ(effects->GetSoundCount(), 1u);
    music->AddSound(sound);
    EXPECT_EQ(effects->GetSoundCount(), 0u);
    EXPECT_EQ(sound->GetGroup(), music);
    delete music;
    EXPECT_EQ(sound->GetGroup(), nullptr);
    EXPECT_EQ(sound->GetGroupVolume(), 1.0f);
    delete sound;
    delete effects;
}

TEST_F(SoundTest, StoppedInstancesIgnoreBufferOperations)
{
    RSound* sound = MakeSound(64, 1000);
    auto* instance = static_cast<RSoundInst*>(sound->Play(true));
    instance->Stop();
    EXPECT_EQ(instance->GetBuffer(), nullptr);
    instance->SetVolume(0.5f);
    instance->Pause();
    EXPECT_EQ(instance->Play(true), instance);
    EXPECT_EQ(Mix(2)[0], kSilence);
    sound->Update();
    EXPECT_EQ(sound->GetInstanceCount(), 0u);
    delete sound;
}

} // namespace
