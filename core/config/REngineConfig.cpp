#include "core/config/REngineConfig.h"

#include "core/system/RCore.h"
#include "core/types/RHashedString.h"
#include "core/text/RINIFile.h"
#include "core/config/RLocMgr.h"

#include <climits>
#include <cstdio>
#include <strings.h>

namespace {

bool IsTestLanguageName(const char* language)
{
    return strcasecmp(language, "xxx") == 0;
}

} // namespace

bool REngineConfig::MakeConfigPath(char* outPath, size_t outSize)
{
    if (outSize == 0)
        return false;
    outPath[0] = 0;
    RCore* core = RCore::GetInstance();
    char folder[PATH_MAX];
    if (!core || !RCore::MakeUserFolder(folder, sizeof folder, core->GetLocalAppDataPathName(),
                                        core->GetConfigFolderName(), true))
        return false;
    int length = snprintf(outPath, outSize, "%sConfig.ini", folder);
    if (length < 0 || (size_t)length >= outSize) {
        outPath[0] = 0;
        return false;
    }
    return true;
}

bool REngineConfig::ReadVersionFile(RString& outVersion, RString& outEngineVersion)
{
    RINIFile file;
    file.Load("Version.ini", false);
    RHashedString section("Version");
    bool haveVersion = file.GetValue(section, RHashedString("Version"), outVersion);
    bool haveEngineVersion = file.GetValue(section, RHashedString("EngineVersion"), outEngineVersion);
    return haveVersion && haveEngineVersion;
}

void REngineConfig::ApplyStartupLanguage(const char* language, bool startup)
{
    if (!language || !language[0])
        return;
    if (IsTestLanguageName(language))
        RLocMgr::GetInstance()->SetTestLanguage(true);
    else
        RLocMgr::GetInstance()->LoadLanguageFolder(language, startup);
}

bool REngineConfig::ChangeLanguage(const char* language)
{
    if (!language || !language[0])
        return true;
    RLocMgr* manager = RLocMgr::GetInstance();
    bool test = IsTestLanguageName(language);
    if (!test && !manager->HoldsLanguage(language))
        return false;
    manager->LoadLanguageFolder(test ? "" : language, false);
    manager->SetTestLanguage(test);
    return true;
}

RString REngineConfig::WhyNoLanguage(const char* language)
{
    return RString("\"Localization/") + (language ? language : "") + "/\" holds none of the string tables";
}
