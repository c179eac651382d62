#include "basegame/RGameConfig.h"

#include "basegame/RBaseGame.h"
#include "core/config/RConfigFile.h"
#include "core/config/REngineConfig.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/audio/RSoundGroup.h"
#include "platform/input/RInputHandler.h"
#include "render/frame/RRenderer.h"

#include <cstdint>
#include <strings.h>

namespace {

// The change callbacks are plain functions; each reaches the game object and its settings.
RGameConfig::Settings* CurrentSettings()
{
    RBaseGame* game = RBaseGame::GetInstance();
    return game ? &game->GetConfig().Get() : nullptr;
}

bool RendererReady()
{
    return RRenderer::HasInstance() && RRenderer::GetInstance()->IsInitialised();
}

void MouseScalarChanged()
{
    if (RBaseGame* game = RBaseGame::GetInstance())
        game->OnMouseScalarChanged();
}

void LanguageChanged()
{
    // At registration the tables are not loaded yet; start-up applies the language itself.
    RBaseGame* game = RBaseGame::GetInstance();
    if (!game || !game->GetConfig().IsLocalizationReady())
        return;
    // A folder that is no language is refused: the setting and the language in force stay as they were.
    const char* language = RGameConfig::Text(game->GetConfig().Get().language);
    if (!REngineConfig::ChangeLanguage(language))
        RConfigFile::GetInstance().Refuse(REngineConfig::WhyNoLanguage(language).GetString());
}

void TateChanged()
{
    RGameConfig::Settings* settings = CurrentSettings();
    if (!settings)
        return;
    // A turn the picture cannot take is none: the upright picture, applied as any other turn.
    if (settings->tate < 0 || settings->tate > 3) {
        settings->tate = 0;
        RConfigFile::GetInstance().SetBack("the picture turns by 0 to 3 quarter turns");
    }
    if (RendererReady())
        RBaseGame::GetInstance()->ApplyVideoMode();
}

void AspectRatioChanged()
{
    // The picture is narrowed at once, not at the next resize; before the device exists start-up applies it.
    if (CurrentSettings() && RendererReady())
        RBaseGame::GetInstance()->ApplyVideoMode();
}

void FullscreenChanged()
{
    if (CurrentSettings() && RendererReady())
        RBaseGame::GetInstance()->ApplyVideoMode();
}

void AntialiasQualityChanged()
{
    // The pre-HUD pass takes a material of the new quality; before the passes exist start-up makes it so.
    if (CurrentSettings() && RendererReady()) {
        RBaseGame* game = RBaseGame::GetInstance();
        game->GetRenderSetup().RenewPreHUDMaterial(*game);
    }
}

void ControllerChanged()
{
    RGameConfig::Settings* settings = CurrentSettings();
    RInputHandler* input = RInputHandler::GetExisting();
    if (!settings || !input)
        return; // the input start-up opens the device itself
    const char* name = RGameConfig::Text(settings->controller);
    // The device open under that name stays open: the joystick menu opens one, then stores its name.
    if (strcasecmp(RGameConfig::Text(input->GetOpenJoystickName()), name) == 0)
        return;
    if (name[0])
        input->OpenJoystickByName(name);
    else
        input->OpenJoystick(0); // the empty text: the first device found
}

void StreamingChanged()
{
    RBaseGame* game = RBaseGame::GetInstance();
    if (!game || !game->IsAudioReady())
        return; // the audio start-up hands them to the manager
    const RGameConfig::Settings& settings = game->GetSettings();
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->SetStreamLength(settings.streamLength);
    audio->SetStreamUpdatePercent(settings.streamUpdatePercent);
    audio->SetMuteWhenUnfocused(settings.muteWhenUnfocused);
}

void FrameRateCapChanged()
{
    if (CurrentSettings() && RendererReady())
        RBaseGame::GetInstance()->ApplyFrameRateCap();
}

void VolumeChanged()
{
    RBaseGame* game = RBaseGame::GetInstance();
    if (!game || !game->IsAudioReady())
        return; // the device applies the volumes when it starts
    const RGameConfig::Settings& settings = game->GetSettings();
    RAudioMgr* audio = RAudioMgr::GetInstance();
    audio->SetMasterVolume(settings.masterVolume);
    if (RSoundGroup* effects = audio->FindGroup(game->GetAudioGroupSFX()))
        effects->SetVolume(settings.soundVolume);
    if (RSoundGroup* music = audio->FindGroup(game->GetAudioGroupBGM()))
        music->SetVolume(settings.musicVolume);
}

} // namespace

const char* RGameConfig::Text(const RHashedString& name)
{
    return name == RHashedString() ? "" : name.GetString();
}

void RGameConfig::Register()
{
    RConfigFile& config = RConfigFile::GetInstance();
    // Numbers carry the range the engine can use; a value outside it is used as the nearest valid one.
    Settings& s = m_settings;

    const RHashedString audio("Audio");
    config.RegisterFloat(audio, RHashedString("MasterVolume"), &s.masterVolume, VolumeChanged, 0.7f, 0.0f, 1.0f);
    config.RegisterFloat(audio, RHashedString("MusicVolume"), &s.musicVolume, VolumeChanged, 0.3f, 0.0f, 1.0f);
    config.RegisterFloat(audio, RHashedString("SoundVolume"), &s.soundVolume, VolumeChanged, 0.7f, 0.0f, 1.0f);
    config.RegisterFloat(audio, RHashedString("StreamLength"), &s.streamLength, StreamingChanged, 0.5f,
                         RAudioMgr::kMinStreamLength, RAudioMgr::kMaxStreamLength);
    config.RegisterFloat(audio, RHashedString("StreamUpdatePercent"), &s.streamUpdatePercent, StreamingChanged, 0.25f,
                         RAudioMgr::kMinStreamUpdatePercent, RAudioMgr::kMaxStreamUpdatePercent);
    config.RegisterBool(audio, RHashedString("MuteWhenUnfocused"), &s.muteWhenUnfocused, false, StreamingChanged);

    const RHashedString video("Video");
    config.RegisterBool(video, RHashedString("Fullscreen"), &s.fullscreen, false, FullscreenChanged);
    config.RegisterFloat(video, RHashedString("AspectRatio"), &s.aspectRatio, AspectRatioChanged, 0.0f, kMinAspectRatio,
                         kMaxAspectRatio, true);
    config.RegisterInt(video, RHashedString("Tate"), &s.tate, 0, TateChanged); // out of range: 0, not the nearest
    config.RegisterInt(video, RHashedString("AntialiasQuality"), &s.antialiasQuality, 2, AntialiasQualityChanged, 0, 4);
    config.RegisterBool(video, RHashedString("DelayPresentation"), &s.delayPresentation, false, nullptr);
    config.RegisterFloat(video, RHashedString("Brightness"), &s.brightness, nullptr, 1.0f, kMinBrightness,
                         kMaxBrightness);
    config.RegisterBool(video, RHashedString("FrameRateCap"), &s.frameRateCap, true, FrameRateCapChanged);

    const RHashedString input("Input");
    config.RegisterString(input, RHashedString("Controller"), &s.controller, RHashedString(""), ControllerChanged);
    config.RegisterFloat(input, RHashedString("MouseScalar"), &s.mouseScalar, MouseScalarChanged, 0.0f,
                         kMinMouseScalar, kMaxMouseScalar);

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
    config.RegisterFloat(engine, RHashedString("DeadlockCheckTime"), &s.deadlockCheckTime, nullptr, 10.0f, 0.1f,
                         600.0f);
}

bool RGameConfig::Load()
{
    if (!REngineConfig::MakeConfigPath(m_path, sizeof(m_path)))
        return true; // no user folder: the defaults stand and nothing is written back
    // A missing file is written at once with the defaults.
    return RConfigFile::GetInstance().Load(m_path);
}

bool RGameConfig::Save(const char* playedVersion)
{
    if (!m_path[0])
        return true;
    RConfigFile& config = RConfigFile::GetInstance();
    config.SetHashedString(RHashedString("General"), RHashedString("LastPlayedVersion"), RHashedString(playedVersion));
    // The count wraps to 0 after the largest int, so that every save has a next one.
    const int32_t next = m_settings.sessionId < INT32_MAX ? m_settings.sessionId + 1 : 0;
    config.SetInt(RHashedString("General"), RHashedString("SessionID"), next);
    return config.Save(m_path);
}
