// The yardstick of the start-up measurement: a bare SDL and OpenGL program that does what the game's start-up
// must at least do (SDL's subsystems, the same 1280 x 720 window, a GL context with its entry points loaded, the
// audio device open and playing silence), then clears and swaps frames until it is asked to stop. Like the game
// started with ROLT_FIRST_FRAME_LINE set, it prints "first frame" once its first frame is shown, and SIGTERM
// ends it through SDL's quit event.
#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace {

void Silence(void*, Uint8* stream, int length)
{
    memset(stream, 0, static_cast<size_t>(length));
}

}  // namespace

int main(int, char**)
{
    const Uint32 subsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK |
                              SDL_INIT_HAPTIC | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS;
    if (SDL_Init(subsystems) != 0 && SDL_Init(subsystems & ~(SDL_INIT_HAPTIC | SDL_INIT_AUDIO)) != 0) {
        fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Start-up baseline", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1280,
                                          720, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        fprintf(stderr, "no window or GL context: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    glewExperimental = GL_TRUE;
    glewInit();

    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = 44100;
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = 4096;
    want.callback = Silence;
    SDL_AudioSpec have;
    SDL_AudioDeviceID audio = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (audio)
        SDL_PauseAudioDevice(audio, 0);

    bool quit = false;
    bool first = true;
    while (!quit) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT)
                quit = true;
        }
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
        if (first) {
            printf("first frame\n");
            fflush(stdout);
            first = false;
        }
    }
    if (audio)
        SDL_CloseAudioDevice(audio);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
