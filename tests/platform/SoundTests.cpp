// Plain sounds and their instances: the retrigger guard, instance bookkeeping, and the effective volume
// (master × group × own × instance) as the mixer applies it.
#include "AudioTestSupport.h"
#include "core/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSound.h"
#include "platform/audio/RSoundAsset.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/audio/RSoundInst.h"

#include <gtest/gtest.h>

#include <SDL_timer.h>

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
        RAudioFormat format;
        format.channels = 1;
        format.bitsPerSample = 16;
        format.samplesPerSecond = 44100;
        RFMLAudioBufferDesc desc;
        desc.size = frames * 2;
        desc.format = &format;
        RFMLAudioBuffer* buffer = RFMLAudioBuffer::Create(desc);
        void* r1;
        void* r2;
        uint32_t n1;
        uint32_t n2;
        RFMLAudioBuffer::Lock(buffer, 0, 0, &r1, &n1, &r2, &n2, RFMLAudioBuffer::kLockEntireBuffer);
        for (uint32_t i = 0; i < frames; ++i) {
            static_cast<uint8_t*>(r1)[2 * i] = static_cast<uint8_t>(value & 0xFF);
            static_cast<uint8_t*>(r1)[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8);
        }
        RFMLAudioBuffer::Unlock(buffer, r1, n1, r2, n2);
        RSoundAsset* asset = new RSoundAsset;
        asset->SetBuffer(buffer);
        RSound* sound = new RSound;
        sound->SetAsset(asset);
        return sound;
    }

    // Moves the global clock on by at least the given time.
    static void Wait(uint32_t milliseconds)
    {
        SDL_Delay(milliseconds);
        g_pGlobalTimer->Update();
    }
};

TEST_F(SoundTest, RetriggerGuardRefusesPlaysWithinFiftyMilliseconds)
{
    RSound* sound = MakeSound(64, 100);
    EXPECT_NE(sound->Play(false), nullptr);
    // The clock has not moved: refused, and nothing is made.
    EXPECT_EQ(sound->Play(false), nullptr);
    EXPECT_EQ(sound->GetInstanceCount(), 1u);
    Wait(60);
    EXPECT_NE(sound->Play(false), nullptr);
    EXPECT_EQ(sound->GetInstanceCount(), 2u);
    delete sound;
}

TEST_F(SoundTest, InstancesSoundTogetherAndOnlyFinishedOnesAreReclaimed)
{
    RSound* sound = MakeSound(32, 1000);
    auto* looping = static_cast<RSoundInst*>(sound->Play(true));
    Wait(60);
    auto* once = static_cast<RSoundInst*>(sound->Play(false));
    ASSERT_NE(looping, nullptr);
    ASSERT_NE(once, nullptr);
    EXPECT_EQ(looping->GetOwner(), sound);
    EXPECT_NE(looping->GetBuffer(), sound->GetAsset()->GetBuffer());
    std::vector<Frame> out = Mix(40);
    EXPECT_EQ(out[31], (Frame{2000, 2000}));
    EXPECT_EQ(out[32], (Frame{1000, 1000}));
    sound->Update();
    ASSERT_EQ(sound->GetInstanceCount(), 1u);
    EXPECT_EQ(sound->GetInstance(0), looping);
    delete sound;
}

TEST_F(SoundTest, VolumeAndPanAreInPlaceFromTheFirstBlock)
{
    RAudioMgr::GetInstance()->SetMasterVolume(0.5f);
    RSound* sound = MakeSound(64, 1000);
    sound->SetVolume(0.5f);
    auto* instance = static_cast<RSoundInst*>(sound->Play(true));
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.25f);
    EXPECT_EQ(Mix(4)[0], (Frame{250, 250}));

    instance->SetVolume(0.5f);
    instance->SetPan(-1.0f);
    EXPECT_EQ(Mix(4)[0], (Frame{125, 0}));
    // A sound-level pan is stored; instances keep their own.
    sound->SetPan(1.0f);
    EXPECT_EQ(sound->GetOwnPan(), 1.0f);
    EXPECT_EQ(Mix(4)[0], (Frame{125, 0}));
    delete sound;
}

TEST_F(SoundTest, GroupVolumeReachesPlayingInstances)
{
    RSound* sound = MakeSound(64, 1000);
    RSoundGroup* group = new RSoundGroup(RHashedString("__ROLT_AudioGroup_SFX"));
    group->AddSound(sound);
    EXPECT_EQ(sound->GetGroup(), group);
    auto* instance = static_cast<RSoundInst*>(sound->Play(true));
    EXPECT_EQ(Mix(2)[0], (Frame{1000, 1000}));
    group->SetVolume(0.5f);
    EXPECT_EQ(RFMLAudioBuffer::GetVolume(instance->GetBuffer()), 0.5f);
    EXPECT_EQ(Mix(2)[0], (Frame{500, 500}));
    RAudioMgr::GetInstance()->SetMasterVolume(0.5f);
    sound->TouchVolume();
    EXPECT_EQ(Mix(2)[0], (Frame{250, 250}));

    // A destroyed sound leaves its group: a later volume change touches only live sounds.
    delete sound;
    EXPECT_EQ(group->GetSoundCount(), 0u);
    group->SetVolume(0.25f);
    delete group;
}

TEST_F(SoundTest, GroupMembershipStaysConsistent)
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
    music->SetVolume(0.5f);
    EXPECT_EQ(sound->GetGroupVolume(), 0.5f);
    // A group freed first leaves no reference behind.
    delete music;
    EXPECT_EQ(sound->GetGroup(), nullptr);
    EXPECT_EQ(sound->GetGroupVolume(), 1.0f);
    delete sound;
    delete effects;
}

TEST_F(SoundTest, StopPauseAndUpdate)
{
    RSound* sound = MakeSound(64, 1000);
    sound->Stop();
    EXPECT_EQ(sound->GetInstanceCount(), 0u);

    sound->Play(true);
    Wait(60);
    sound->Play(true);
    sound->Pause();
    EXPECT_EQ(Mix(2)[0], (Frame{0, 0}));
    EXPECT_EQ(sound->GetInstanceCount(), 2u);
    sound->Update();
    EXPECT_EQ(sound->GetInstanceCount(), 0u);

    Wait(60);
    sound->Play(true);
    sound->Stop();
    EXPECT_EQ(sound->GetInstanceCount(), 0u);
    EXPECT_EQ(Mix(2)[0], (Frame{0, 0}));
    delete sound;
}

TEST_F(SoundTest, StoppedInstanceIgnoresBufferOperations)
{
    RSound* sound = MakeSound(64, 1000);
    auto* instance = static_cast<RSoundInst*>(sound->Play(true));
    instance->Stop();
    EXPECT_EQ(instance->GetBuffer(), nullptr);
    instance->SetVolume(0.5f);
    instance->Pause();
    EXPECT_EQ(instance->Play(true), instance);
    EXPECT_EQ(Mix(2)[0], (Frame{0, 0}));
    sound->Update();
    EXPECT_EQ(sound->GetInstanceCount(), 0u);
    delete sound;
}

TEST_F(SoundTest, ReferenceCountLivesInTheAsset)
{
    RSound* sound = MakeSound(64, 1000);
    sound->AddRef();
    sound->AddRef();
    EXPECT_EQ(sound->Release(), 1u);
    EXPECT_NE(sound->Play(false), nullptr);
    EXPECT_EQ(sound->GetAsset()->GetRefCount(), 1u);
    EXPECT_EQ(sound->Release(), 0u);
    EXPECT_EQ(sound->Release(), 0u);
    // Instances have no asset and so no count.
    RSoundInst* instance = sound->GetInstance(0);
    instance->AddRef();
    EXPECT_EQ(instance->Release(), 0u);
    delete sound;
}

} // namespace
