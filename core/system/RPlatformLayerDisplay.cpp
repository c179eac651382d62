// RPlatformLayer's handling of a lost display, on X: Xlib's I/O-error handler is the one way to hear of it, and
// Xlib ends the process if the handler returns. Also the window's real place, which only the X server knows.
#include "core/system/RPlatformLayer.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {

RPlatformLayer::DisplayLostCallback s_onDisplayLost = nullptr;
std::atomic_flag s_lost = ATOMIC_FLAG_INIT;
thread_local bool t_handling = false;
constexpr unsigned kSaveSeconds = 10;

int OnDisplayConnectionLost(Display* /*display*/)
{
    // Reached again from inside the callback: the save has gone as far as it can.
    if (t_handling)
        _exit(1);
    // Another thread noticed first: it saves and ends the process.
    if (s_lost.test_and_set()) {
        for (;;)
            pause();
    }
    t_handling = true;
    // The save may not wait for ever (a lock held by a thread that stopped in here, a file that blocks): the
    // alarm's default action ends the process after this many seconds.
    alarm(kSaveSeconds);
    fprintf(stderr, "The connection to the display was lost: the session is saved and the program ends\n");
    if (s_onDisplayLost)
        s_onDisplayLost();
    fflush(nullptr);
    // Not exit(): the handlers that run at exit belong to libraries whose connection is gone.
    _exit(1);
}

} // namespace

void RPlatformLayer::SetDisplayLostHandler(DisplayLostCallback onLost)
{
    s_onDisplayLost = onLost;
    XSetIOErrorHandler(onLost ? OnDisplayConnectionLost : nullptr);
}

bool RPlatformLayer::GetWindowRect(SDL_Window* window, int* x, int* y, int* width, int* height)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !x || !y || !width || !height || !SDL_GetWindowWMInfo(window, &info) ||
        info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* display = info.info.x11.display;
    XWindowAttributes attributes;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    // The attributes' own x and y are relative to the parent, which a window manager's frame may be.
    if (!XGetWindowAttributes(display, info.info.x11.window, &attributes) ||
        !XTranslateCoordinates(display, info.info.x11.window, attributes.root, 0, 0, &rootX, &rootY, &child))
        return false;
    *x = rootX;
    *y = rootY;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}
