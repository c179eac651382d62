#include "basegame/RStartup.h"

#include "core/RTickable.h"
#include "core/RTimer.h"

#include <SDL.h>
#include <cstdio>

RStartup::RStartup()
{
    const Uint32 subsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK |
                              SDL_INIT_HAPTIC | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS;
    if (SDL_Init(subsystems) != 0) {
        // Haptics are optional; a machine without them still runs the game.
        if (SDL_Init(subsystems & ~SDL_INIT_HAPTIC) != 0) {
            fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
            return;
        }
    }
    g_pGlobalTimer->Reset();
    m_ready = true;
}

void RShutdown()
{
    RTickableManager::DestroyInstance();
    SDL_Quit();
}
