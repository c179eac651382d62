#include "game/WendroGame.h"

#include "basegame/RSubroutineMgr.h"
#include "core/config/RConfigFile.h"
#include "core/config/RLocMgr.h"
#include "core/system/RLogger.h"
#include "core/files/RStreamMgr.h"
#include "game/AdjustableSprite.h"
#include "game/Cinematic.h"
#include "game/RoomView.h"
#include "game/WendroMenus.h"
#include "menus/RMenuMgr.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RStreamingAudio_PCS.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefaultBindings.h"

#include <climits>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Adds a game's figures to the session's; the counts stop at the largest a save holds.
void AddStats(World::Stats& sum, const World::Stats& stats)
{
    const auto add = [](uint32_t a, uint32_t b) { return b > SaveGame::kMaxCount - a ? SaveGame::kMaxCount : a + b; };
    sum.roomsVisited = add(sum.roomsVisited, stats.roomsVisited);
    sum.deaths = add(sum.deaths, stats.deaths);
    sum.treasures = add(sum.treasures, stats.treasures);
    sum.playSeconds += stats.playSeconds;
}

}  // namespace

WendroGame::WendroGame() = default;

WendroGame::~WendroGame()
{
    delete m_world;
    delete m_view;
}

bool WendroGame::InitEngine()
{
    if (!RMenuGame::InitEngine())
        return false;

    AddUserSearchPath("Maps/");
    AddUserSearchPath("Saves/");
    RStreamMgr* streams = RStreamMgr::GetInstance();
    streams->MountPack("Wendro.rpk");
    streams->MountPack("WendroHeavy.rpk");
    streams->MountPack("WendroVersion.rpk");
    // The game's own strings, found in its pack now that it is mounted, in the configured language.
    RLocMgr* localization = RLocMgr::GetInstance();
    localization->AddFile("Wendro.txt");
    localization->AddFile("Controls.txt");
    m_engineStarted = true;
    return true;
}

void WendroGame::RegisterGameConfig()
{
    RConfigFile& config = RConfigFile::GetInstance();
    const RHashedString game("Game");
    config.RegisterBool(game, RHashedString("CRTLook"), &m_crtLook, true, OnLookChanged);
    config.RegisterBool(game, RHashedString("EGATiles"), &m_egaTiles, true, OnLookChanged);
    config.RegisterInt(game, RHashedString("Difficulty"), &m_difficulty, 1, nullptr);
}

void WendroGame::OnLookChanged()
{
    WendroGame* game = static_cast<WendroGame*>(RBaseGame::GetInstance());
    if (!game)
        return;
    AdjustableSprite::SetEGALook(game->m_egaTiles);
    if (game->m_view) {
        game->m_view->SetLook(game->m_egaTiles, game->m_crtLook);
        if (game->m_world)
            game->m_world->RequestRedraw();
    }
}

bool WendroGame::InitSystems()
{
    if (!RMenuGame::InitSystems())
        return false;

    // The menu sound, and the tone generator that plays the game's music strings, running from the start.
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->LoadSound("menu.wav", RHashedString("Dozu"), GetAudioGroupSFX(), false);
    RAudioInterface* tones = audio->LoadSound(nullptr, RHashedString("PCSpeaker"), GetAudioGroupBGM(), true);
    SetToneGenerator(dynamic_cast<RStreamingAudio_PCS*>(tones));
    audio->PlaySound(RHashedString("PCSpeaker"), true);

    m_view = new RoomView();
    if (!m_view->Create()) {
        fprintf(stderr, "The game's picture could not be made\n");
        return false;
    }
    OnLookChanged();
    return true;
}

WendroGame* WendroGame::GetWendroGame()
{
    return dynamic_cast<WendroGame*>(RBaseGame::GetInstance());
}

void WendroGame::StartGame()
{
    PushMenu(new DifficultyMenu());
}

RGameMenu* WendroGame::GetNewVideoMenu()
{
    return new WendroVideoMenu();
}

World* WendroGame::LoadWorld()
{
    RUtilVector<RString> campaigns;
    Campaign::ListCampaigns(campaigns);
    if (campaigns.isEmpty()) {
        const char* line = "No campaign (*.gam) is in the game's packs";
        ReportFailure("%s", line);
        SetTitleNotice(RString(line));
        return nullptr;
    }
    World* world = new World(*m_view, GetToneGenerator());
    char error[256] = "";
    const bool loaded = world->LoadCampaign(campaigns[0].GetString(), error, sizeof(error));
    for (const RString& warning : world->GetWarnings())
        ReportFailure("%s", warning.GetString());
    if (!loaded) {
        char line[400];
        snprintf(line, sizeof(line), "Campaign %s was refused: %s", campaigns[0].GetString(), error);
        ReportFailure("%s", line);
        SetTitleNotice(RString(line));
        delete world;
        return nullptr;
    }
    return world;
}

bool WendroGame::BeginNewGame(int32_t difficulty)
{
    EndWorld();
    m_difficulty = difficulty >= 0 && difficulty <= 2 ? difficulty : 1;
    m_world = LoadWorld();
    if (!m_world) {
        RMenuGame::ReturnToTitle();
        return false;
    }
    RMenuMgr::GetInstance()->RequestPopAll();
    m_world->StartNew(static_cast<uint32_t>(m_difficulty));
    return true;
}

bool WendroGame::CanContinueGame() const
{
    char path[PATH_MAX];
    struct stat info;
    return SaveGame::GetPath(path, sizeof(path)) && stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

void WendroGame::ContinueGame()
{
    EndWorld();
    char path[PATH_MAX];
    // A reason may name the save's path.
    char error[PATH_MAX + 256] = "";
    SaveGame save;
    const bool read = SaveGame::GetPath(path, sizeof(path)) && save.Read(path, error, sizeof(error));
    m_world = read ? LoadWorld() : nullptr;
    if (read && !m_world) {
        RMenuGame::ReturnToTitle();
        return;
    }
    if (read && m_world->Continue(save, error, sizeof(error))) {
        RMenuMgr::GetInstance()->RequestPopAll();
        return;
    }
    ReportFailure("The saved game was refused: %s", error);
    if (!BeginNewGame(m_difficulty))
        return;
    const RString message = RLocMgr::GetInstance()->GetString(RHashedString("Wendro"), RHashedString("Messages"),
                                                              RHashedString("SaveRefused"));
    m_world->ShowMessage(message.GetString());
}

void WendroGame::EndWorld()
{
    if (!m_world)
        return;
    AddStats(m_sessionStats, m_world->GetSessionStats());
    delete m_world;
    m_world = nullptr;
}

void WendroGame::FixedUpdate(float step)
{
    RMenuGame::FixedUpdate(step);
    if (!m_world)
        return;
    m_world->CountTime(step);
    m_world->AfterFixedSteps();
    const World::Ending ending = m_world->TakeEnding();
    if (ending != World::kNoEnding)
        RSubroutineMgr::GetInstance()->Start(new Cinematic(*this, *m_world, ending == World::kWon),
                                             RSubroutineMgr::kEngineTime);
}

void WendroGame::UpdateFrame()
{
    RMenuGame::UpdateFrame();
    if (m_view)
        m_view->UpdateFrame(GetScreenWidth(), GetScreenHeight());
}

void WendroGame::OnCinematicFinished()
{
    ReturnToTitle();
}

void WendroGame::ReturnToTitle()
{
    EndWorld();
    RMenuGame::ReturnToTitle();
}

void WendroGame::Shutdown()
{
    // A cinematic still running goes first: it draws into the world's picture.
    if (RSubroutineMgr::HasInstance())
        RSubroutineMgr::GetInstance()->StopAll();
    EndWorld();
    delete m_view;
    m_view = nullptr;

    // The sounds exist only when start-up got as far as loading them.
    if (GetToneGenerator()) {
        RAudioMgr* audio = RAudioMgr::GetInstance();
        audio->ReleaseSound(RHashedString("Dozu"));
        audio->ReleaseSound(RHashedString("PCSpeaker"));
        SetToneGenerator(nullptr);
    }
    RMenuGame::Shutdown();
}

void WendroGame::QueueGameReport()
{
    if (!m_engineStarted)
        return;
    // A game still being played (the display went away under it) counts as well.
    World::Stats stats = m_sessionStats;
    if (m_world)
        AddStats(stats, m_world->GetSessionStats());
    RLogger* logger = RLogger::GetInstance();
    char line[96];
    logger->QueueLine("[PlayerStats]");
    snprintf(line, sizeof(line), "RoomsVisited: %u", stats.roomsVisited);
    logger->QueueLine(line);
    snprintf(line, sizeof(line), "Deaths: %u", stats.deaths);
    logger->QueueLine(line);
    snprintf(line, sizeof(line), "Treasures: %u", stats.treasures);
    logger->QueueLine(line);
    snprintf(line, sizeof(line), "PlayTime: %.1f", static_cast<double>(stats.playSeconds));
    logger->QueueLine(line);
}

void WendroGame::InitControlGroups()
{
    RMenuGame::InitControlGroups();

    RControlConfig* config = RControlConfig::GetInstance();
    const RHashedString gameplay("Gameplay");
    config->AddGroup(gameplay, true, true, false, false);
    for (const char* action : {"MoveLeft", "MoveRight", "Jump", "JumpDown"})
        config->AddControl(gameplay, RHashedString(action), false);
}

void WendroGame::InitControlActions()
{
    RMenuGame::InitControlActions();
    AddGameplayDefaultBindings(*RControlConfig::GetInstance());
}
