#include "platform/RWindowSub.h"

#include "core/system/RPlatformLayer.h"

#include <SDL.h>

bool RWindowSub::GetSize(uint32_t* width, uint32_t* height) const
{
    if (!m_window || !width || !height)
        return false;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    if (!RPlatformLayer::GetWindowRect(m_window, &x, &y, &w, &h))
        SDL_GL_GetDrawableSize(m_window, &w, &h);
    *width = w > 0 ? static_cast<uint32_t>(w) : 1;
    *height = h > 0 ? static_cast<uint32_t>(h) : 1;
    return true;
}

bool RWindowSub::IsFullscreen() const
{
    return m_window && (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool RWindowSub::SetFullscreen(bool fullscreen)
{
    if (!m_window)
        return false;
    if (!fullscreen) {
        if (SDL_SetWindowFullscreen(m_window, 0) != 0)
            return false;
        // With no window manager the window keeps the screen's size and place.
        if (CoversScreen() && m_windowed.width > 0)
            Place(m_windowed);
        return true;
    }
    const Rect windowed = GetRect();
    if (SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return false;
    if (!CoversScreen()) {
        // No window manager carried the request out: the window is placed over the screen as a plain window and
        // marked full screen again, which leaves it there.
        SDL_Rect screen;
        const bool placed = SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(m_window), &screen) == 0 &&
                            SDL_SetWindowFullscreen(m_window, 0) == 0;
        if (placed)
            Place(Rect{screen.x, screen.y, screen.w, screen.h});
        if (!placed || SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0 || !CoversScreen()) {
            SDL_SetWindowFullscreen(m_window, 0);
            Place(windowed);
            return false;
        }
    }
    m_windowed = windowed;
    return true;
}

RWindowSub::Rect RWindowSub::GetRect() const
{
    Rect rect;
    if (!RPlatformLayer::GetWindowRect(m_window, &rect.x, &rect.y, &rect.width, &rect.height)) {
        SDL_GetWindowPosition(m_window, &rect.x, &rect.y);
        SDL_GetWindowSize(m_window, &rect.width, &rect.height);
    }
    return rect;
}

bool RWindowSub::CoversScreen() const
{
    SDL_Rect screen;
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(m_window), &screen) != 0)
        return false;
    const Rect rect = GetRect();
    return rect.x <= screen.x && rect.y <= screen.y && rect.x + rect.width >= screen.x + screen.w &&
           rect.y + rect.height >= screen.y + screen.h;
}

void RWindowSub::Place(const Rect& rect)
{
    SDL_SetWindowPosition(m_window, rect.x, rect.y);
    SDL_SetWindowSize(m_window, rect.width, rect.height);
}
