// Where the X server has an SDL window, and the size of the screen it is on: the tests hold the game's window
// against the server's own answer, since SDL answers with what it asked for. Tests that include this link libX11;
// it comes after every other include, since Xlib's names are macros.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

struct XWindowGeometry {
    int x = 0, y = 0;              // the window's upper-left corner on the screen
    int width = 0, height = 0;     // the window's size
    int screenWidth = 0, screenHeight = 0;
    bool operator==(const XWindowGeometry& other) const
    {
        return x == other.x && y == other.y && width == other.width && height == other.height &&
               screenWidth == other.screenWidth && screenHeight == other.screenHeight;
    }
};

// False when the window is not an X window or the server does not answer.
inline bool GetXWindowGeometry(SDL_Window* window, XWindowGeometry* geometry)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* display = info.info.x11.display;
    XWindowAttributes attributes, root;
    Window child;
    if (!XGetWindowAttributes(display, info.info.x11.window, &attributes) ||
        !XGetWindowAttributes(display, attributes.root, &root) ||
        !XTranslateCoordinates(display, info.info.x11.window, attributes.root, 0, 0, &geometry->x, &geometry->y, &child))
        return false;
    geometry->width = attributes.width;
    geometry->height = attributes.height;
    geometry->screenWidth = root.width;
    geometry->screenHeight = root.height;
    return true;
}
