// Display modes and the resolution list: the list logic on lists built here, then the real enumeration under the
// test run's X server (one mode, the screen size) and under SDL's dummy driver (one mode, 1024 x 768).
#include "platform/RDisplayModes.h"
#include "platform/RWindowSub.h"

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

RDispMode Mode(uint32_t width, uint32_t height, uint32_t bits, uint32_t rate)
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

void ExpectSortedAndUnique(const std::vector<Size>& sizes)
{
    for (size_t i = 1; i < sizes.size(); ++i)
        EXPECT_LT(sizes[i - 1], sizes[i]) << "entry " << i;
}

void ExpectHoldsCommonSizes(const std::vector<Size>& sizes)
{
    for (const Size& size : kCommon) {
        int found = 0;
        for (const Size& entry : sizes)
            found += entry == size;
        EXPECT_EQ(found, 1) << size.first << " x " << size.second;
    }
}

TEST(DisplayModeLists, DuplicatesGoAndTheFirstOfEqualsKeepsItsPlace)
{
    RUtilVector<RDispMode> modes;
    modes.push(Mode(1920, 1080, 24, 60));
    modes.push(Mode(800, 600, 24, 60));
    modes.push(Mode(1920, 1080, 24, 30)); // differs in the rate only: kept
    modes.push(Mode(1920, 1080, 24, 60));
    modes.push(Mode(800, 600, 32, 60));
    modes.push(Mode(800, 600, 24, 60));
    RemoveDuplicateModes(modes);
    ASSERT_EQ(modes.getCount(), 4u);
    EXPECT_EQ(modes[0], Mode(1920, 1080, 24, 60));
    EXPECT_EQ(modes[1], Mode(800, 600, 24, 60));
    EXPECT_EQ(modes[2], Mode(1920, 1080, 24, 30));
    EXPECT_EQ(modes[3], Mode(800, 600, 32, 60));

    RUtilVector<RDispMode> empty;
    RemoveDuplicateModes(empty);
    EXPECT_TRUE(empty.isEmpty());
}

TEST(DisplayModeLists, FilterKeepsWhatMatchesEveryCriterionButZero)
{
    RUtilVector<RDispMode> base;
    base.push(Mode(1920, 1080, 24, 60));
    base.push(Mode(1920, 1080, 24, 30));
    base.push(Mode(1280, 720, 24, 60));
    base.push(Mode(1920, 1200, 32, 60));

    RUtilVector<RDispMode> modes = base;
    FilterModes(modes, 1920, 0, 0, 60);
    ASSERT_EQ(modes.getCount(), 2u);
    EXPECT_EQ(modes[0], Mode(1920, 1080, 24, 60));
    EXPECT_EQ(modes[1], Mode(1920, 1200, 32, 60));

    modes = base;
    FilterModes(modes, 0, 0, 0, 0);
    EXPECT_EQ(modes.getCount(), 4u);

    modes = base;
    FilterModes(modes, 1920, 1080, 32, 0);
    EXPECT_TRUE(modes.isEmpty());
}

TEST(DisplayModeLists, ResolutionsAreUniqueSizesSortedByWidthThenHeight)
{
    RUtilVector<RDispMode> modes;
    modes.push(Mode(1920, 1080, 24, 60));
    modes.push(Mode(1920, 1080, 24, 30));
    modes.push(Mode(1280, 1024, 24, 60));
    modes.push(Mode(1280, 720, 16, 0));
    modes.push(Mode(1360, 768, 24, 60));
    modes.push(Mode(1280, 960, 24, 60));
    modes.push(Mode(1024, 768, 24, 60));
    RUtilVector<ScreenResolution> list;
    AddResolutions(modes, list);
    EXPECT_EQ(Sizes(list), (std::vector<Size>{{1024, 768}, {1280, 720}, {1280, 960}, {1280, 1024}, {1360, 768},
                                              {1920, 1080}}));
}

TEST(DisplayModeLists, AListIsExtendedNotReplaced)
{
    RUtilVector<ScreenResolution> list;
    ScreenResolution odd;
    odd.width = 3000;
    odd.height = 100;
    list.push(odd);
    ScreenResolution present;
    present.width = 800;
    present.height = 600;
    list.push(present);

    RUtilVector<RDispMode> modes;
    modes.push(Mode(800, 600, 24, 60));
    modes.push(Mode(640, 480, 24, 60));
    AddResolutions(modes, list);
    EXPECT_EQ(Sizes(list), (std::vector<Size>{{640, 480}, {800, 600}, {3000, 100}}));

    AddResolutions(modes, list);
    EXPECT_EQ(list.getCount(), 3u) << "sizes already listed are not added again";
}

// Each test starts the video subsystem with the driver it names and stops it again.
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
        if (driver)
            setenv("SDL_VIDEODRIVER", driver, 1);
        int result = SDL_InitSubSystem(SDL_INIT_VIDEO);
        if (previous)
            setenv("SDL_VIDEODRIVER", kept.c_str(), 1);
        else
            unsetenv("SDL_VIDEODRIVER");
        ASSERT_EQ(result, 0) << SDL_GetError();
        m_started = true;
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

    RUtilVector<ScreenResolution> list;
    EnumerateDisplayModes(list);
    std::vector<Size> sizes = Sizes(list);
    EXPECT_EQ(sizes.size(), kCommon.size());
    ExpectSortedAndUnique(sizes);
    ExpectHoldsCommonSizes(sizes);
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
    EXPECT_EQ(modes[0].width, static_cast<uint32_t>(desktop.w));
    EXPECT_EQ(modes[0].height, static_cast<uint32_t>(desktop.h));
    EXPECT_EQ(modes[0].bitsPerPixel, SDL_BITSPERPIXEL(desktop.format));
    EXPECT_EQ(modes[0].refreshRate, static_cast<uint32_t>(desktop.refresh_rate));

    RDispMode found;
    ASSERT_TRUE(FindDisplayMode(&found, static_cast<uint32_t>(desktop.w), static_cast<uint32_t>(desktop.h), 0, 0));
    EXPECT_EQ(found, modes[0]) << "the display's own mode comes before the common size of the same shape";
    RDispMode untouched = Mode(1, 2, 3, 4);
    EXPECT_FALSE(FindDisplayMode(&untouched, 12345, 0, 0, 0));
    EXPECT_EQ(untouched, Mode(1, 2, 3, 4));

    RUtilVector<ScreenResolution> list;
    EnumerateDisplayModes(list);
    std::vector<Size> sizes = Sizes(list);
    ExpectSortedAndUnique(sizes);
    ExpectHoldsCommonSizes(sizes);
    int screens = 0;
    for (const Size& size : sizes)
        screens += size == Size(desktop.w, desktop.h);
    EXPECT_EQ(screens, 1);

    // 1280 x 720 .. 1280 x 1024 in order, after every narrower size and before 1360 x 768.
    std::vector<Size> wide1280;
    size_t firstAt = sizes.size();
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i].first == 1280) {
            wide1280.push_back(sizes[i]);
            firstAt = std::min(firstAt, i);
        }
    }
    std::vector<Size> expected = {{1280, 720}, {1280, 768}, {1280, 800}, {1280, 960}, {1280, 1024}};
    EXPECT_EQ(wide1280, expected);
    for (size_t i = 0; i < firstAt; ++i)
        EXPECT_LT(sizes[i].first, 1280u);
    ASSERT_LT(firstAt + wide1280.size(), sizes.size());
    EXPECT_EQ(sizes[firstAt + wide1280.size()], Size(1360, 768));
}

TEST_F(DisplayModes, TheDummyDriversModeIsACommonSizeAndAddsNothing)
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        GTEST_SKIP() << "video is already running in this process";
    StartVideo("dummy");
    RUtilVector<RDispMode> modes;
    EnumerateModes(modes);
    ASSERT_EQ(modes.getCount(), 1u + kCommon.size());
    EXPECT_EQ(modes[0].width, 1024u);
    EXPECT_EQ(modes[0].height, 768u);

    RUtilVector<ScreenResolution> list;
    EnumerateDisplayModes(list);
    std::vector<Size> sizes = Sizes(list);
    EXPECT_EQ(sizes.size(), kCommon.size());
    ExpectHoldsCommonSizes(sizes);
}

TEST_F(DisplayModes, TheWindowObjectKeepsTheSDLWindow)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs the test run's X server";
    StartVideo("x11");
    SDL_Window* sdlWindow = SDL_CreateWindow("periph window", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 64, 48,
                                             SDL_WINDOW_HIDDEN);
    ASSERT_NE(sdlWindow, nullptr) << SDL_GetError();
    Uint32 id = SDL_GetWindowID(sdlWindow);
    {
        RWindowSub window(sdlWindow);
        const RWindow& platformWindow = window;
        EXPECT_TRUE(platformWindow.CanHaveMenu());
        EXPECT_FALSE(platformWindow.HasMenu());
        EXPECT_EQ(window.GetSDLWindow(), sdlWindow);
    }
    EXPECT_EQ(SDL_GetWindowFromID(id), sdlWindow) << "the holder borrows the window; it does not destroy it";
    SDL_DestroyWindow(sdlWindow);
}

} // namespace
