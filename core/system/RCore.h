// RCore: the root of the program's game object. It answers the names of the user-data folders, the publisher
// and the application-data folder, and a few platform hooks. RBaseGame derives from it and the game from
// RBaseGame; the one game object is the one RCore, owned by the program's entry point.
#pragma once

#include <cstddef>

class RCore {
public:
    virtual ~RCore();

    virtual const char* GetConfigFolderName() const { return "Config/"; }
    virtual const char* GetLocalizationFolderName() const { return "Localization/"; }
    virtual const char* GetContentDumpFolderName() const { return "Content Dump/"; }
    virtual const char* GetLogsFolderName() const { return "Logs/"; }
    virtual const char* GetBugReportsFolderName() const { return "Bug Reports/"; }
    virtual const char* GetCrashDumpsFolderName() const { return "Crash Dumps/"; }
    virtual const char* GetModsFolderName() const { return "Mods/"; }
    virtual const char* GetScreenshotFolderName() const { return "Screenshots/"; }
    virtual const char* GetLocalAppDataPathName() const { return "ROLT Core"; }
    virtual const char* GetPublisherName() const { return "Brasswick"; }
    virtual const char* GetMyGamesFolderName() const { return "My Games"; }
    virtual bool SupportsRift() const { return false; }
    virtual bool IsCommandLineTool() const { return true; }
    virtual void TouchLibs() {}
    virtual void DebuggerHook() {}
    virtual void OnQuit() {}

    // The game object when one exists. With none and the quit flag down, a plain RCore is created and kept;
    // with the quit flag up, null.
    static RCore* GetInstance();

    // Writes the user folder of the application-data folder `applicationName` (normally
    // GetLocalAppDataPathName()) under the game object's publisher into outPath, ending with "/", creating the
    // missing levels (mode 0700). A non-empty subfolder (one of the folder names above) is appended and, when
    // create is set, made with mode 0777. False, with outPath empty, when there is no game object, no user data
    // folder, or the path would not fit in outSize bytes. *outMakeError, when given, receives why the user folder
    // is not there (the error of the first level that could not be made; 0 when every level stands).
    static bool MakeUserFolder(char* outPath, size_t outSize, const char* applicationName, const char* subfolder,
                               bool create, int* outMakeError = nullptr);

protected:
    RCore();

    // The one game object, shared with RBaseGame::GetInstance, and the quit flag raised at shut-down.
    static RCore* s_instance;
    static bool s_quitting;
};

// The text "<application data folder>/<publisher>/<applicationName>/", with every missing folder of it created
// (mode 0700); null, with nothing made, when the platform names no application data folder or the system would
// refuse the path of a file in a folder in it (a name over NAME_MAX, or over PATH_MAX in all). The caller frees
// it with delete[]. *outMakeError, when given, receives the error of the first level that could not be made (a
// parent this user may not write: EACCES), which is why the folder is not there; 0 when every level stands.
char* GetApplicationSupportPath(const char* publisher, const char* applicationName, int* outMakeError = nullptr);

// The program's resource folder as an absolute path (no trailing "/"); start-up makes it the working directory.
// False, with outPath empty, when it cannot be found or does not fit.
bool GetResourcesPath(char* outPath, size_t outSize);
