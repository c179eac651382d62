// Display modes and the resolution list without video and under the test run's X server.
#include "platform/RDisplayModes.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using Size = std::pair<uint32_t, uint32_t>;

const std::vector<Size> kCommon = {
    {1920, 1080}, {1366, 768}, {1680, 1050}, {1280, 1024}, {1440, 900}, {1024, 768},
    {1600, 900},  {1280, 800}, {1920, 1200}, {800, 600},   {1280, 720}, {1360, 768},
    {640, 480},   {1280, 768}, {1024, 600},  {1280, 960},  {1600, 1200}, {1152, 864},
};

RDispMode Mode(uint32_t width, uint32_t height, uint32_t bits = 24, uint32_t rate = 60)
{
    RDispMode mode;
    mode.width = width;
    mode.height = height;
    mode.bitsPerPixel = bits;
    mode.refreshRate = rate;
    return mode;
}

std::vector<Size> Sizes(const RUtilVector<ScreenResolution>& list)
{
    std::vector<Size> sizes;
    for (const ScreenResolution& size : list)
        sizes.push_back({size.width, size.height});
    return sizes;
}

class DisplayModes : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_started)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    void StartVideo(const char* driver)
    {
        const char* previous = std::getenv("SDL_VIDEODRIVER");
        std::string kept = previous ? previous : "";
        setenv("SDL_VIDEODRIVER", driver, 1);
        int result = SDL_InitSubSystem(SDL_INIT_VIDEO);
        if (previous)
            setenv("SDL_VIDEODRIVER", kept.c_str(), 1);
        else
            unsetenv("SDL_VIDEODRIVER");
        ASSERT_EQ(result, 0) << SDL_GetError();
        m_started = true;
    }
    // The resolution list: sorted, unique, every common size once; returned for further checks.
    static std::vector<Size> CheckedResolutions()
    {
        RUtilVector<ScreenResolution> list;
        EnumerateDisplayModes(list);
        std::vector<Size> sizes = Sizes(list);
        for (size_t i = 1; i < sizes.size(); ++i)
            EXPECT_LT(sizes[i - 1], sizes[i]) << "entry " << i;
        for (const Size& size : kCommon)
            EXPECT_EQ(std::count(sizes.begin(), sizes.end(), size), 1) << size.first << " x " << size.second;
        return sizes;
    }

    bool m_started = false;
};

TEST_F(DisplayModes, WithoutVideoTheListHoldsTheCommonSizes)
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        GTEST_SKIP() << "video is already running in this process";
    RUtilVector<RDispMode> modes;
    EnumerateModes(modes);
    ASSERT_EQ(modes.getCount(), kCommon.size());
    for (uint32_t i = 0; i < modes.getCount(); ++i)
        EXPECT_EQ(modes[i], Mode(kCommon[i].first, kCommon[i].second, 0, 0)) << "in the fixed order";
    EXPECT_EQ(CheckedResolutions().size(), kCommon.size());

}

TEST_F(DisplayModes, TheXServerScreenIsListedBesideTheCommonSizes)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs the test run's X server";
    StartVideo("x11");
    SDL_DisplayMode desktop;
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
    RUtilVector<RDispMode> modes;
    EnumerateModes(modes);
    ASSERT_GE(SDL_GetNumDisplayModes(0), 1);
    ASSERT_EQ(modes.getCount(), static_cast<uint32_t>(SDL_GetNumDisplayModes(0)) + kCommon.size())
        << "the display's modes, then the common sizes";
    const uint32_t w = static_cast<uint32_t>(desktop.w);
    const uint32_t h = static_cast<uint32_t>(desktop.h);
    EXPECT_EQ(modes[0], Mode(w, h, SDL_BITSPERPIXEL(desktop.format), static_cast<uint32_t>(desktop.refresh_rate)));
    RDispMode found;
    ASSERT_TRUE(FindDisplayMode(&found, w, h, 0, 0));
    EXPECT_EQ(found, modes[0]) << "the display's own mode comes before the common size of the same shape";

    std::vector<Size> sizes = CheckedResolutions();
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), Size(w, h)), 1);
}

} // namespace
