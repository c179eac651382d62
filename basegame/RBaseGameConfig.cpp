// The base game's side of its configuration and texts: the localization start-up and the input setting's change.
// The settings themselves, their registration, file and other change callbacks are RGameConfig.
#include "basegame/RBaseGame.h"

#include "core/config/REngineConfig.h"
#include "core/config/RLocMgr.h"
#include "platform/input/RInputHandler.h"

namespace {

const char* const kLocalizationFiles[] = {"Startup.txt",        "General.txt", "Input.txt",
                                          "EngineControls.txt", "Menus.txt",   "Porvin.txt"};

} // namespace

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
    REngineConfig::ApplyStartupLanguage(RGameConfig::Text(m_config.Get().language), startup);
    if (!startup)
        m_config.SetLocalizationReady();
}

void RBaseGame::OnMouseScalarChanged()
{
    const float s = m_config.Get().mouseScalar;
    if (RInputHandler* input = RInputHandler::GetExisting())
        input->SetMouseScale(s >= 0.0f ? 1.0f + s : 1.0f / (1.0f - s));
}
