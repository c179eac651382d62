// Connection of SDL's video subsystem to the X server that the test run provides.
#pragma once

#include <SDL.h>

#include <cstdlib>

// Starts SDL's video subsystem on the test run's display. A server busy with many test processes can turn a
// connection away now and then, so a failed start is tried again for a few seconds before the caller gives up.
// Fails at once when there is no display at all.
inline bool StartTestVideo()
{
    if (!std::getenv("DISPLAY"))
        return false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
            return true;
        SDL_Delay(100);
    }
    return false;
}
