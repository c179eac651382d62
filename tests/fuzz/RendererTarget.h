// Fuzz targets whose readers need the renderer: an SDL window with an OpenGL context under the run's X server,
// made once per fuzzing process. Without one the target ends the run at once, so a missing display is never
// mistaken for a clean run.
#pragma once

#include "FuzzSupport.h"
#include "render/frame/RRenderer.h"

#include <SDL.h>

inline RRenderer* StartRenderer()
{
    static RRenderer* renderer = [] {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            fprintf(stderr, "no display for the renderer: %s\n", SDL_GetError());
            abort();
        }
        SDL_Window* window = SDL_CreateWindow("Fuzz", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        const uint32_t width = 64, height = 64;
        RRenderer* started = RRenderer::GetInstance();
        if (!window || !started->Init(window, &width, &height)) {
            fprintf(stderr, "the renderer could not start: %s\n", SDL_GetError());
            abort();
        }
        FuzzFolder();
        return started;
    }();
    return renderer;
}
