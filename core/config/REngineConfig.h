// REngineConfig: the engine's start-up steps around its configuration and texts that the base game calls: the
// path of "Config.ini", the version texts of "Version.ini" and the language steps that choose which localization
// tables RLocMgr loads. It keeps no state of its own; the variables themselves are registered by the base game.
#pragma once

#include "core/types/RString.h"

#include <cstddef>

class REngineConfig {
public:
    // The user "Config/" folder (made when missing) joined with "Config.ini". False, with outPath empty, when
    // there is no user folder or the path does not fit.
    static bool MakeConfigPath(char* outPath, size_t outSize);

    // Reads "Version.ini" through the stream manager: the "Version" and "EngineVersion" keys of its [Version]
    // section. False when the file or a key is missing; the texts found are still set.
    static bool ReadVersionFile(RString& outVersion, RString& outEngineVersion);

    // The language step of start-up, for the entries whose startup flag equals startup: an empty language does
    // nothing; "xxx" (any case) sets the test language; any other name loads that language's folder.
    static void ApplyStartupLanguage(const char* language, bool startup);
    // A language chosen at run time, for the entries that are not startup entries: an empty language does
    // nothing; "xxx" (any case) loads the "Localization/" folder itself and sets the test language; any other
    // name loads that language's folder and clears the test language. False, with the language in force kept,
    // for a folder that holds none of those entries' tables (RLocMgr::HoldsLanguage).
    static bool ChangeLanguage(const char* language);
    // Why ChangeLanguage refuses the language: "\"Localization/<language>/\" holds none of the string tables".
    static RString WhyNoLanguage(const char* language);
};
