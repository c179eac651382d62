#include "core/RTimer.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <thread>

// These tests wait in real time; bounds only say that time passed, never how fast anything ran.

TEST(Timer, ReadsZeroUntilTheFirstUpdate)
{
    RTimer timer;
    EXPECT_TRUE(timer.Reset());
    SDL_Delay(30);
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0f);
    uint64_t counter = timer.Update();
    EXPECT_GT(counter, 0u);
    EXPECT_GE(timer.GetElapsedSeconds(), 0.025f);
    EXPECT_GE(timer.GetLastStep(), 0.025);
    // Without another update the reading stays where it was.
    float reading = timer.GetElapsedSeconds();
    SDL_Delay(20);
    EXPECT_EQ(timer.GetElapsedSeconds(), reading);
    // Reset starts over at zero.
    timer.Reset();
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0f);
}

TEST(Timer, PausedTimeIsExcluded)
{
    RTimer timer;
    timer.Reset();
    SDL_Delay(20);
    timer.Update();
    float beforePause = timer.GetElapsedSeconds();

    timer.SetPaused(true);
    EXPECT_TRUE(timer.IsPaused());
    SDL_Delay(150);
    timer.Update();
    EXPECT_EQ(timer.GetLastStep(), 0.0);  // updates while paused step by nothing
    SDL_Delay(150);
    timer.SetPaused(false);
    EXPECT_FALSE(timer.IsPaused());

    // Between resuming and the next update the start lies past the last update: that reads 0, not a wrapped
    // 64-bit difference.
    EXPECT_GE(timer.GetElapsedSeconds(), 0.0f);
    EXPECT_LT(timer.GetElapsedSeconds(), 1.0f);

    SDL_Delay(20);
    timer.Update();
    // Only the time since the update made during the pause counts as this step, and the 300 ms paused
    // do not count as elapsed: roughly 20 ms before and 20 ms after (generous bounds for a loaded machine).
    EXPECT_GE(timer.GetLastStep(), 0.15);
    float elapsed = timer.GetElapsedSeconds();
    EXPECT_GE(elapsed, beforePause + 0.015f);
    EXPECT_LT(elapsed, beforePause + 0.28f);
}

TEST(Timer, PausingTwiceCountsTheTimeBetweenThePauses)
{
    RTimer timer;
    timer.Reset();
    timer.SetPaused(true);
    SDL_Delay(200);
    timer.SetPaused(true);  // moves the pause start: the last 200 ms count as elapsed
    SDL_Delay(10);
    timer.SetPaused(false);
    timer.Update();
    EXPECT_GE(timer.GetElapsedSeconds(), 0.18f);
}

TEST(Timer, ResumingAnUnpausedTimerDoesNothing)
{
    RTimer timer;
    timer.Reset();
    SDL_Delay(30);
    // No pause was ever recorded: resuming must not move the start by the counter's whole value.
    timer.SetPaused(false);
    timer.Update();
    float elapsed = timer.GetElapsedSeconds();
    EXPECT_GE(elapsed, 0.025f);

    // Nor after a completed pause: a second resume leaves the start alone.
    timer.SetPaused(true);
    SDL_Delay(10);
    timer.SetPaused(false);
    SDL_Delay(100);
    timer.SetPaused(false);
    timer.Update();
    EXPECT_GE(timer.GetElapsedSeconds(), elapsed + 0.09f);
}

TEST(Timer, TogglePauseFlipsTheFlag)
{
    RTimer timer;
    timer.Reset();
    EXPECT_FALSE(timer.IsPaused());
    timer.TogglePause();
    EXPECT_TRUE(timer.IsPaused());
    timer.TogglePause();
    EXPECT_FALSE(timer.IsPaused());
}

TEST(Timer, GlobalClockIsReadableFromAnotherThread)
{
    ASSERT_NE(g_pGlobalTimer, nullptr);
    g_pGlobalTimer->Reset();
    std::atomic<bool> done{false};
    std::atomic<bool> wentBackwardsOrHuge{false};
    std::thread reader([&] {
        float last = 0.0f;
        while (!done.load()) {
            float now = g_pGlobalTimer->GetElapsedSeconds();
            if (now < last || now > 1000.0f)
                wentBackwardsOrHuge = true;
            last = now;
        }
    });
    for (int i = 0; i < 50; ++i) {
        SDL_Delay(1);
        g_pGlobalTimer->Update();
    }
    done = true;
    reader.join();
    EXPECT_FALSE(wentBackwardsOrHuge.load());
    EXPECT_GT(g_pGlobalTimer->GetElapsedSeconds(), 0.0f);
}
