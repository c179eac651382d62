#include "basegame/RStartup.h"

#include "basegame/RBaseGame.h"
#include "basegame/RSubroutineMgr.h"
#include "core/system/RCore.h"
#include "core/files/RFile.h"
#include "core/text/RDefMgr.h"
#include "core/config/RLocMgr.h"
#include "core/types/RHandle.h"
#include "core/types/RHashedString.h"
#include "core/system/RLogger.h"
#include "core/system/RPlatformLayer.h"
#include "core/files/RStreamMgr.h"
#include "core/types/RStringMgr.h"
#include "core/system/RThreadTagger.h"
#include "core/system/RTickable.h"
#include "core/system/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextInputList.h"
#include "render/device/RGLObjMgr.h"
#include "render/text/RGlyphSetMgr.h"
#include "render/hud/RHUDMenuState.h"
#include "render/passes/RMenuBackdropState.h"
#include "render/passes/RPassMaterialHost.h"
#include "render/view/RResolutionSensitiveList.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderMgr.h"
#include "render/images/RTexMgr.h"
#include "scene/RCollisionWorld.h"

#include <SDL.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace {

// The sound library's error handler: its messages about missing cards say only that there is no audio device,
// which the base game reports itself in one line.
void IgnoreSoundLibraryError(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
                             const char* /*format*/, ...)
{
}

// SDL loads the sound library itself when it looks for an audio device; loaded here first, it keeps the quiet
// handler for the whole run. Nothing happens where the library is missing.
void QuietSoundLibrary()
{
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!library)
        return;
    using SetHandler = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
    if (SetHandler set = reinterpret_cast<SetHandler>(dlsym(library, "snd_lib_error_set_handler")))
        set(IgnoreSoundLibraryError);
}

// Says why this copy ends, on standard error and, where a display is there, in a message box that waits for the
// player; a request to stop ends it, and the box with it, even while the box waits (this copy has nothing to save).
void RefuseToStart(const char* name, const char* message)
{
    fprintf(stderr, "%s\n", message);
    RPlatformLayer::ShowErrorBoxUntilQuit(name, message);
}

} // namespace

bool RStartup::LockUserFolder()
{
    RCore* core = RCore::GetInstance();
    char folder[PATH_MAX];
    if (!core || !RCore::MakeUserFolder(folder, sizeof(folder), core->GetLocalAppDataPathName(), "", false))
        return true;
    const char* name = core->GetLocalAppDataPathName();
    char lockPath[PATH_MAX];
    int error = ENAMETOOLONG;
    const RPlatformLayer::LockResult result =
        RFile::JoinPath(lockPath, sizeof(lockPath), folder, RPlatformLayer::kLockFileName)
            ? RPlatformLayer::LockUserFolder(folder, lockPath, &error)
            : RPlatformLayer::kLockUnavailable;
    char message[2 * PATH_MAX + 256];
    switch (result) {
    case RPlatformLayer::kLockHeld:
    case RPlatformLayer::kLockNoFolder:
        return true;
    case RPlatformLayer::kLockUnavailable:
        // The player may do nothing about it, and a game that never starts is worse than one unguarded.
        snprintf(message, sizeof(message),
                 "%s cannot lock the user folder %s (%s): a second copy started on it would not be refused",
                 name, folder, strerror(error));
        fprintf(stderr, "%s\n", message);
        m_lockNote = RString(message);
        return true;
    case RPlatformLayer::kLockHeldByOther:
        snprintf(message, sizeof(message),
                 "%s is already running on the user folder %s\nOnly one copy can use it at a time: this one ends "
                 "and leaves the folder as it is.",
                 name, folder);
        break;
    case RPlatformLayer::kLockBlocked:
        snprintf(message, sizeof(message),
                 "%s cannot lock the user folder %s: %s stands at %s, where its lock file goes\nRemove it and start "
                 "again; without the lock a second copy could use the folder at the same time, so this one ends and "
                 "leaves the folder as it is.",
                 name, folder, RPlatformLayer::DescribeFileType(lockPath), lockPath);
        break;
    }
    RefuseToStart(name, message);
    return false;
}

RStartup::RStartup()
{
    // A program whose output nobody reads goes on running.
    RPlatformLayer::IgnoreBrokenPipes();
    // Before anything in the user folder is written, emptied or cleaned up: a second copy changes nothing there.
    if (!LockUserFolder())
        return;

    // Content is found relative to the resource folder: it becomes the working directory and, as the empty
    // folder name, the first file source.
    char resources[PATH_MAX];
    if (GetResourcesPath(resources, sizeof(resources))) {
        if (chdir(resources) != 0)
            fprintf(stderr, "Could not enter the resource folder %s\n", resources);
    } else {
        fprintf(stderr, "No resource folder found; content is looked up from the current folder\n");
    }
    RStreamMgr::GetInstance()->AddSearchPath("");

    QuietSoundLibrary();
    const Uint32 subsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK |
                              SDL_INIT_HAPTIC | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS;
    if (SDL_Init(subsystems) != 0) {
        // Haptics and audio are optional: a machine without them still runs the game, silently.
        if (SDL_Init(subsystems & ~(SDL_INIT_HAPTIC | SDL_INIT_AUDIO)) != 0) {
            fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
            return;
        }
    }
    g_pGlobalTimer->Reset();
    m_ready = true;
}

RStartup::~RStartup()
{
    RPlatformLayer::UnlockUserFolder();
}

namespace {

void (*s_destroyMenuManager)() = nullptr;

// The control configuration's hooks are plain functions; each reaches the game object.
void ApplyDefaultBindings()
{
    if (RBaseGame* game = RBaseGame::GetInstance())
        game->InitControlActions();
}

void NotifyDeviceChanged(uint32_t oldDeviceClass, uint32_t newDeviceClass)
{
    if (RBaseGame* game = RBaseGame::GetInstance())
        game->OnControlDeviceChanged(oldDeviceClass, newDeviceClass);
}

// Input is captured while a running subroutine asks for it or the console is open.
bool InputCaptured()
{
    const RBaseGame* game = RBaseGame::GetInstance();
    return RSubroutineMgr::InstanceCapturesInput() || (game && game->IsConsoleOpen());
}

void DestroyMenuManager()
{
    if (s_destroyMenuManager)
        s_destroyMenuManager();
}

void CloseHandleTable()
{
    RHandleTable::Close();
}

const RShutdownStep kShutdownSteps[] = {
    {"definition manager", &RDefMgr::DestroyInstance},
    {"menu manager", &DestroyMenuManager},
    {"collision world", &RCollisionWorld::DestroyInstance},
    {"glyph-set manager", &RGlyphSetMgr::DestroyInstance},
    {"handle table", &CloseHandleTable},
    {"GL object manager", &RGLObjMgr::DestroyInstance},
    {"renderer", &RRenderer::DestroyInstance},
    {"audio manager", &RAudioMgr::DestroyInstance},
    {"string manager", &RStringMgr::DestroyInstance},
    {"tickable manager", &RTickableManager::DestroyInstance},
    {"hashed-name table", &RHashedStringTable::Destroy},
    {"control configuration", &RControlConfig::DestroyInstance},
    {"input handler", &RInputHandler::DestroyInstance},
    {"text inputs", &RTextInputList::DestroyInstance},
    {"texture manager", &RTexMgr::DestroyInstance},
    {"shader manager", &RShaderMgr::DestroyInstance},
    {"stream manager", &RStreamMgr::DestroyInstance},
    {"subroutine manager", &RSubroutineMgr::DestroyInstance},
    {"logger", &RLogger::DestroyInstance},
    {"localization manager", &RLocMgr::DestroyInstance},
    {"thread tagger", &RThreadTagger::DestroyInstance},
};

} // namespace

void RConnectGameHooks(RBaseGame& game)
{
    RResolutionSensitiveList::SetCurrent(&game.GetResolutionSensitives());
    RPassMaterialHost::SetCurrent(&game);
    RControlConfig* controls = RControlConfig::GetInstance();
    controls->SetDefaultBindingsHook(ApplyDefaultBindings);
    controls->SetDeviceChangedHook(NotifyDeviceChanged);
    controls->SetInputCapturedHook(InputCaptured);
}

void RSetMenuManagerDestroyer(void (*destroy)())
{
    s_destroyMenuManager = destroy;
}

const RShutdownStep* RGetShutdownSteps(uint32_t* count)
{
    *count = sizeof(kShutdownSteps) / sizeof(kShutdownSteps[0]);
    return kShutdownSteps;
}

void RShutdown()
{
    uint32_t count = 0;
    const RShutdownStep* steps = RGetShutdownSteps(&count);
    for (uint32_t i = 0; i < count; ++i)
        steps[i].destroy();
    // The control hooks went with the control configuration; the rest point at objects that outlive the engine.
    RResolutionSensitiveList::SetCurrent(nullptr);
    RPassMaterialHost::SetCurrent(nullptr);
    RHUDMenuState::SetCurrent(nullptr);
    RMenuBackdropState::SetCurrent(nullptr);
    s_destroyMenuManager = nullptr;
    SDL_Quit();
}
