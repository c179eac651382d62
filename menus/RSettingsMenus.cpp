// The default menus of the settings: video, brightness, audio and mouse. Each entry is bound to its
// configuration variable, whose change callback applies the new value at once.
#include "menus/RDefaultMenus.h"

#include "basegame/RGameConfig.h"
#include "core/config/RConfigFile.h"
#include "menus/RMenuEntries.h"
#include "menus/RMenuGame.h"
#include "render/hud/RDefaultCalibrationMaterial.h"

namespace {

// Where the brightness menu's entries start: below the calibration picture.
constexpr float kBrightnessEntriesTop = 500.0f;

} // namespace

RVideoMenu::RVideoMenu() : RGameMenu("VideoMenu")
{
    SetTitle(GetText("Title"));
}

void RVideoMenu::AddEntries()
{
    AddConfigSpinner("Fullscreen", "Video", "Fullscreen");

    // 0 is the screen's own aspect.
    // An aspect set from the console that is none of these is shown as its number.
    RMenuSpinner* aspect = AddConfigSpinner("AspectRatio", "Video", "AspectRatio");
    aspect->AddChoice(GetText("AspectAuto"), 0.0f);
    aspect->AddChoice(RString("4:3"), 4.0f / 3.0f);
    aspect->AddChoice(RString("16:10"), 16.0f / 10.0f);
    aspect->AddChoice(RString("16:9"), 16.0f / 9.0f);

    RMenuSpinner* tate = AddConfigSpinner("Tate", "Video", "Tate");
    const char* const turns[] = {"Tate0", "Tate1", "Tate2", "Tate3"};
    for (int i = 0; i < 4; ++i)
        tate->AddChoice(GetText(turns[i]), static_cast<float>(i));

    RMenuSpinner* antialias = AddConfigSpinner("AntialiasQuality", "Video", "AntialiasQuality");
    const char* const qualities[] = {"AntialiasNone", "AntialiasLow", "AntialiasMedium", "AntialiasHigh",
                                     "AntialiasUltra"};
    for (int i = 0; i < 5; ++i)
        antialias->AddChoice(GetText(qualities[i]), static_cast<float>(i));

    AddConfigSpinner("DelayPresentation", "Video", "DelayPresentation");
}

RBrightnessMenu::RBrightnessMenu()
    : RGameMenu("BrightnessMenu"), m_picture(new RMenuPictureQuad(new RDefaultCalibrationMaterial()))
{
    SetTitle(GetText("Title"));
    SetEntriesTop(kBrightnessEntriesTop);
}

RBrightnessMenu::~RBrightnessMenu()
{
    delete m_picture;
}

void RBrightnessMenu::SetShown(bool shown)
{
    RGameMenu::SetShown(shown);
    m_picture->SetShown(shown);
}

void RBrightnessMenu::AddEntries()
{
    RMenuSpinner* brightness = AddConfigSpinner("Brightness", "Video", "Brightness");
    brightness->SetRange(RGameConfig::kMinBrightness, RGameConfig::kMaxBrightness, 0.05f, 2);
}

RAudioMenu::RAudioMenu() : RGameMenu("AudioMenu")
{
    SetTitle(GetText("Title"));
}

void RAudioMenu::AddEntries()
{
    for (const char* volume : {"MasterVolume", "SoundVolume", "MusicVolume"}) {
        AddConfigSpinner(volume, "Audio", volume)->SetRange(0.0f, 1.0f, 0.1f, 1);
    }
}

RMouseMenu::RMouseMenu() : RGameMenu("MouseMenu")
{
    SetTitle(GetText("Title"));
}

void RMouseMenu::AddEntries()
{
    RMenuSpinner* scalar = AddConfigSpinner("MouseScalar", "Input", "MouseScalar");
    scalar->SetRange(RGameConfig::kMinMouseScalar, RGameConfig::kMaxMouseScalar, 0.5f, 1);
}
