#include "platform/RDisplayModes.h"

#include <SDL.h>

namespace {

// Sizes offered even when no display reports them.
const ScreenResolution kCommonSizes[] = {
    {1920, 1080}, {1366, 768}, {1680, 1050}, {1280, 1024}, {1440, 900}, {1024, 768},
    {1600, 900},  {1280, 800}, {1920, 1200}, {800, 600},   {1280, 720}, {1360, 768},
    {640, 480},   {1280, 768}, {1024, 600},  {1280, 960},  {1600, 1200}, {1152, 864},
};

bool IsSmaller(const ScreenResolution& a, const ScreenResolution& b)
{
    return a.width < b.width || (a.width == b.width && a.height < b.height);
}

bool Matches(uint32_t wanted, uint32_t value)
{
    return wanted == 0 || wanted == value;
}

} // namespace

void EnumerateModes(RUtilVector<RDispMode>& modes)
{
    int displayCount = SDL_GetNumVideoDisplays();
    for (int display = 0; display < displayCount; ++display) {
        int modeCount = SDL_GetNumDisplayModes(display);
        for (int index = 0; index < modeCount; ++index) {
            SDL_DisplayMode sdlMode;
            if (SDL_GetDisplayMode(display, index, &sdlMode) != 0 || sdlMode.w <= 0 || sdlMode.h <= 0)
                continue;
            RDispMode mode;
            mode.width = static_cast<uint32_t>(sdlMode.w);
            mode.height = static_cast<uint32_t>(sdlMode.h);
            mode.bitsPerPixel = SDL_BITSPERPIXEL(sdlMode.format);
            mode.refreshRate = sdlMode.refresh_rate > 0 ? static_cast<uint32_t>(sdlMode.refresh_rate) : 0;
            modes.push(mode);
        }
    }
    for (const ScreenResolution& size : kCommonSizes) {
        RDispMode mode;
        mode.width = size.width;
        mode.height = size.height;
        modes.push(mode);
    }
}

void RemoveDuplicateModes(RUtilVector<RDispMode>& modes)
{
    uint32_t kept = 0;
    for (uint32_t i = 0; i < modes.getCount(); ++i) {
        bool seen = false;
        for (uint32_t j = 0; j < kept && !seen; ++j)
            seen = modes[j] == modes[i];
        if (!seen)
            modes[kept++] = modes[i];
    }
    modes.setSize(kept);
}

void FilterModes(RUtilVector<RDispMode>& modes, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                 uint32_t refreshRate)
{
    uint32_t kept = 0;
    for (uint32_t i = 0; i < modes.getCount(); ++i) {
        const RDispMode& mode = modes[i];
        if (Matches(width, mode.width) && Matches(height, mode.height) && Matches(bitsPerPixel, mode.bitsPerPixel) &&
            Matches(refreshRate, mode.refreshRate))
            modes[kept++] = mode;
    }
    modes.setSize(kept);
}

bool FindDisplayMode(RDispMode* mode, uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t refreshRate)
{
    RUtilVector<RDispMode> modes;
    EnumerateModes(modes);
    RemoveDuplicateModes(modes);
    FilterModes(modes, width, height, bitsPerPixel, refreshRate);
    if (modes.isEmpty() || !mode)
        return false;
    *mode = modes[0];
    return true;
}

void AddResolutions(const RUtilVector<RDispMode>& modes, RUtilVector<ScreenResolution>& resolutions)
{
    for (const RDispMode& mode : modes) {
        ScreenResolution size;
        size.width = mode.width;
        size.height = mode.height;
        resolutions.pushUniqueElement(size);
    }
    // An exchange sort: the lists are a few dozen entries long.
    uint32_t count = resolutions.getCount();
    for (uint32_t i = 0; i < count; ++i) {
        for (uint32_t j = i + 1; j < count; ++j) {
            if (IsSmaller(resolutions[j], resolutions[i])) {
                ScreenResolution held = resolutions[i];
                resolutions[i] = resolutions[j];
                resolutions[j] = held;
            }
        }
    }
}

void EnumerateDisplayModes(RUtilVector<ScreenResolution>& resolutions)
{
    RUtilVector<RDispMode> modes;
    EnumerateModes(modes);
    RemoveDuplicateModes(modes);
    AddResolutions(modes, resolutions);
}
