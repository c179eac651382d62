#include "basegame/RStartup.h"

#include "basegame/RSubroutineMgr.h"
#include "core/RCore.h"
#include "core/RDefMgr.h"
#include "core/RLocMgr.h"
#include "core/RHandle.h"
#include "core/RHashedString.h"
#include "core/RLogger.h"
#include "core/RStreamMgr.h"
#include "core/RStringMgr.h"
#include "core/RThreadTagger.h"
#include "core/RTickable.h"
#include "core/RTimer.h"
#include "platform/audio/RAudioMgr.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextInputList.h"
#include "render/device/RGLObjMgr.h"
#include "render/text/RGlyphSetMgr.h"
#include "render/frame/RRenderer.h"
#include "render/effects/RShaderMgr.h"
#include "render/images/RTexMgr.h"
#include "scene/RCollisionWorld.h"

#include <SDL.h>
#include <cstdio>
#include <unistd.h>

RStartup::RStartup()
{
    // Content is found relative to the resource folder: it becomes the working directory and, as the empty
    // folder name, the first file source.
    char resources[1024];
    if (GetResourcesPath(resources, sizeof(resources))) {
        if (chdir(resources) != 0)
            fprintf(stderr, "Could not enter the resource folder %s\n", resources);
    } else {
        fprintf(stderr, "No resource folder found; content is looked up from the current folder\n");
    }
    RStreamMgr::GetInstance()->AddSearchPath("");

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

namespace {

void (*s_destroyMenuManager)() = nullptr;

} // namespace

void RSetMenuManagerDestroyer(void (*destroy)())
{
    s_destroyMenuManager = destroy;
}

void RShutdown()
{
    RDefMgr::DestroyInstance();
    if (s_destroyMenuManager)
        s_destroyMenuManager();
    RCollisionWorld::DestroyInstance();
    RGlyphSetMgr::DestroyInstance();
    RHandleTable::Close();
    RGLObjMgr::DestroyInstance();
    RRenderer::DestroyInstance();
    RAudioMgr::DestroyInstance();
    RStringMgr::DestroyInstance();
    RTickableManager::DestroyInstance();
    RHashedStringTable::Destroy();
    RControlConfig::DestroyInstance();
    RInputHandler::DestroyInstance();
    RTextInputList::DestroyInstance();
    RTexMgr::DestroyInstance();
    RShaderMgr::DestroyInstance();
    RStreamMgr::DestroyInstance();
    RSubroutineMgr::DestroyInstance();
    RLogger::DestroyInstance();
    RLocMgr::DestroyInstance();
    RThreadTagger::DestroyInstance();
    SDL_Quit();
}
