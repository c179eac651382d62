#include "game/WendroGame.h"

#include "core/RLogger.h"
#include "core/RStreamMgr.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RStreamingAudio_PCS.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefaultBindings.h"

bool WendroGame::InitEngine()
{
    if (!RBaseGame::InitEngine())
        return false;

    AddUserSearchPath("Maps/");
    AddUserSearchPath("Saves/");
    RStreamMgr* streams = RStreamMgr::GetInstance();
    streams->MountPack("Wendro.rpk");
    streams->MountPack("WendroHeavy.rpk");
    streams->MountPack("WendroVersion.rpk");
    m_engineStarted = true;
    return true;
}

bool WendroGame::InitSystems()
{
    if (!RBaseGame::InitSystems())
        return false;

    // The menu sound, and the tone generator that plays the game's music strings, running from the start.
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->LoadSound("menu.wav", RHashedString("Dozu"), GetAudioGroupSFX(), false);
    RAudioInterface* tones = audio->LoadSound(nullptr, RHashedString("PCSpeaker"), GetAudioGroupBGM(), true);
    SetToneGenerator(dynamic_cast<RStreamingAudio_PCS*>(tones));
    audio->PlaySound(RHashedString("PCSpeaker"), true);
    return true;
}

void WendroGame::Shutdown()
{
    // The player's block of the session report goes before the engine's own shut-down block.
    if (m_engineStarted)
        RLogger::GetInstance()->QueueLine("[PlayerStats]");
    // The sounds exist only when start-up got as far as loading them.
    if (GetToneGenerator()) {
        RAudioMgr* audio = RAudioMgr::GetInstance();
        audio->ReleaseSound(RHashedString("Dozu"));
        audio->ReleaseSound(RHashedString("PCSpeaker"));
        SetToneGenerator(nullptr);
    }
    RBaseGame::Shutdown();
}

void WendroGame::InitControlGroups()
{
    RBaseGame::InitControlGroups();

    RControlConfig* config = RControlConfig::GetInstance();
    const RHashedString gameplay("Gameplay");
    config->AddGroup(gameplay, true, true, false, false);
    for (const char* action : {"MoveLeft", "MoveRight", "Jump", "JumpDown"})
        config->AddControl(gameplay, RHashedString(action), false);
}

void WendroGame::InitControlActions()
{
    RBaseGame::InitControlActions();
    AddGameplayDefaultBindings(*RControlConfig::GetInstance());
}
