// The base game's configuration: the engine's variables with their sections, defaults and change callbacks,
// "Config.ini" read at start-up and written at shut-down, the version texts and the localization start-up.
#include "basegame/RBaseGame.h"

#include "core/RConfigFile.h"
#include "core/REngineConfig.h"
#include "core/RLocMgr.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/input/RInputHandler.h"
#include "render/frame/RRenderer.h"

#include <cstdint>
#include <cstdio>

namespace {

// The configuration's callbacks are plain functions; each reaches the game object.
void MouseScalarChanged() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnMouseScalarChanged(); }
void LanguageChanged() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnLanguageChanged(); }
void TateChanged() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnTateChanged(); }
void AspectRatioChanged() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnAspectRatioChanged(); }
void VolumeChanged() { if (RBaseGame* game = RBaseGame::GetInstance()) game->OnVolumeChanged(); }

const char* const kLocalizationFiles[] = {"Startup.txt",        "General.txt", "Input.txt",
                                          "EngineControls.txt", "Menus.txt",   "Porvin.txt"};

} // namespace

const char* RBaseGame::SettingText(const RHashedString& name)
{
    return name == RHashedString() ? "" : name.GetString();
}

void RBaseGame::RegisterEngineConfig()
{
    // Numbers carry the range the engine can use; a value outside it is used as the nearest one inside.
    RConfigFile& config = RConfigFile::GetInstance();
    Settings& s = m_settings;

    const RHashedString audio("Audio");
    config.RegisterFloat(audio, RHashedString("MasterVolume"), &s.masterVolume, VolumeChanged, 0.7f, 0.0f, 1.0f);
    config.RegisterFloat(audio, RHashedString("MusicVolume"), &s.musicVolume, VolumeChanged, 0.3f, 0.0f, 1.0f);
    config.RegisterFloat(audio, RHashedString("SoundVolume"), &s.soundVolume, VolumeChanged, 0.7f, 0.0f, 1.0f);
    config.RegisterFloat(audio, RHashedString("StreamLength"), &s.streamLength, nullptr, 0.5f,
                         RAudioMgr::kMinStreamLength, RAudioMgr::kMaxStreamLength);
    config.RegisterFloat(audio, RHashedString("StreamUpdatePercent"), &s.streamUpdatePercent, nullptr, 0.25f,
                         RAudioMgr::kMinStreamUpdatePercent, RAudioMgr::kMaxStreamUpdatePercent);
    config.RegisterBool(audio, RHashedString("MuteWhenUnfocused"), &s.muteWhenUnfocused, false, nullptr);

    const RHashedString video("Video");
    config.RegisterBool(video, RHashedString("Fullscreen"), &s.fullscreen, false, nullptr);
    config.RegisterFloat(video, RHashedString("AspectRatio"), &s.aspectRatio, AspectRatioChanged, 0.0f);
    config.RegisterInt(video, RHashedString("Tate"), &s.tate, 0, TateChanged, 0, 3);
    config.RegisterInt(video, RHashedString("AntialiasQuality"), &s.antialiasQuality, 2, nullptr, 0, 4);
    config.RegisterBool(video, RHashedString("DelayPresentation"), &s.delayPresentation, false, nullptr);

    const RHashedString input("Input");
    config.RegisterString(input, RHashedString("Controller"), &s.controller, RHashedString(""), nullptr);
    config.RegisterFloat(input, RHashedString("MouseScalar"), &s.mouseScalar, MouseScalarChanged, 0.0f, -100.0f,
                         100.0f);

    const RHashedString general("General");
    config.RegisterString(general, RHashedString("Language"), &s.language, RHashedString(""), LanguageChanged);
    config.RegisterBool(general, RHashedString("QuickStart"), &s.quickStart, false, nullptr);
    config.RegisterInt(general, RHashedString("SessionID"), &s.sessionId, 0, nullptr, 0, INT32_MAX);
    config.RegisterString(general, RHashedString("LastPlayedVersion"), &s.lastPlayedVersion, RHashedString(""),
                          nullptr);

    const RHashedString engine("Engine");
    config.RegisterInt(engine, RHashedString("FixedEngineFPS"), &s.fixedEngineFPS, 0, nullptr, 0, 1000);
    config.RegisterInt(engine, RHashedString("FixedGameFPS"), &s.fixedGameFPS, 60, nullptr, 0, 1000);
    config.RegisterInt(engine, RHashedString("MinGameFPS"), &s.minGameFPS, 15, nullptr, 0, 1000);
    config.RegisterFloat(engine, RHashedString("DeadlockCheckTime"), &s.deadlockCheckTime, nullptr, 10.0f, 0.1f, 600.0f);
}

void RBaseGame::LoadConfig()
{
    if (!REngineConfig::MakeConfigPath(m_configPath, sizeof(m_configPath)))
        return; // no user folder: the defaults stand and nothing is written back
    // A missing file is written at once with the defaults.
    if (!RConfigFile::GetInstance().Load(m_configPath))
        fprintf(stderr, "The configuration could not be read or written at %s\n", m_configPath);
}

void RBaseGame::SaveConfig()
{
    if (!m_configPath[0])
        return;
    RConfigFile& config = RConfigFile::GetInstance();
    config.SetHashedString(RHashedString("General"), RHashedString("LastPlayedVersion"),
                           RHashedString(m_version.GetString()));
    // The count wraps to 0 after the largest int, so that every save has a next one.
    const int32_t next = m_settings.sessionId < INT32_MAX ? m_settings.sessionId + 1 : 0;
    config.SetInt(RHashedString("General"), RHashedString("SessionID"), next);
    if (!config.Save(m_configPath))
        fprintf(stderr, "The configuration could not be saved to %s\n", m_configPath);
}

void RBaseGame::InitLocalization(bool startup)
{
    // The start-up pass registers the tables and loads those start-up itself needs; the second loads the rest.
    // Each pass lays the configured language over the default tables.
    RLocMgr* localization = RLocMgr::GetInstance();
    if (startup) {
        for (const char* file : kLocalizationFiles)
            localization->AddFile(file);
    }
    localization->LoadDefaultTables(startup);
    REngineConfig::ApplyStartupLanguage(SettingText(m_settings.language), startup);
    if (!startup)
        m_localizationReady = true;
}

void RBaseGame::OnMouseScalarChanged()
{
    const float s = m_settings.mouseScalar;
    if (RInputHandler* input = RInputHandler::GetExisting())
        input->SetMouseScale(s >= 0.0f ? 1.0f + s : 1.0f / (1.0f - s));
}

void RBaseGame::OnLanguageChanged()
{
    // At registration the tables are not loaded yet; start-up applies the language itself.
    if (m_localizationReady)
        REngineConfig::ChangeLanguage(SettingText(m_settings.language));
}

void RBaseGame::OnTateChanged()
{
    if (m_settings.tate < 0 || m_settings.tate > 3)
        m_settings.tate = 0;
    if (RRenderer::GetInstance()->IsInitialised())
        ApplyVideoMode();
}

void RBaseGame::OnAspectRatioChanged()
{
    // The picture is narrowed at once, not at the next resize; before the device exists start-up applies it.
    if (RRenderer::HasInstance() && RRenderer::GetInstance()->IsInitialised())
        ApplyVideoMode();
}

void RBaseGame::OnVolumeChanged()
{
    if (!m_audioReady)
        return; // the device applies the volumes when it starts
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->SetMasterVolume(m_settings.masterVolume);
    if (RSoundGroup* effects = audio->FindGroup(GetAudioGroupSFX()))
        effects->SetVolume(m_settings.soundVolume);
    if (RSoundGroup* music = audio->FindGroup(GetAudioGroupBGM()))
        music->SetVolume(m_settings.musicVolume);
}
