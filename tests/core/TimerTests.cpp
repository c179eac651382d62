#include "core/system/RTimer.h"

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
    timer.Update();
    EXPECT_GE(timer.GetElapsedSeconds(), 0.025f);
}

TEST(Timer, PausedTimeIsExcluded)
{
    RTimer timer;
    timer.Reset();
    SDL_Delay(20);
    timer.Update();
    float beforePause = timer.GetElapsedSeconds();

    timer.SetPaused(true);
    SDL_Delay(500);
    timer.Update();
    EXPECT_EQ(timer.GetLastStep(), 0.0);  // updates while paused step by nothing
    SDL_Delay(500);
    timer.SetPaused(false);

    // Between resuming and the next update the start lies past the last update: 0, not a wrapped difference.
    EXPECT_LT(timer.GetElapsedSeconds(), 1.0f);

    SDL_Delay(20);
    timer.Update();
    // The step runs from the update made during the pause; the second paused does not count as elapsed (the
    // bound leaves a busy machine most of half a second as slack).
    EXPECT_GE(timer.GetLastStep(), 0.45);
    float elapsed = timer.GetElapsedSeconds();
    EXPECT_GE(elapsed, beforePause + 0.015f);
    EXPECT_LT(elapsed, beforePause + 0.45f);
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
    // Resuming without a recorded pause, or a second time, must not move the start.
    timer.SetPaused(false);
    timer.Update();
    float elapsed = timer.GetElapsedSeconds();
    EXPECT_GE(elapsed, 0.025f);

    timer.SetPaused(true);
    SDL_Delay(10);
    timer.SetPaused(false);
    SDL_Delay(100);
    timer.SetPaused(false);
    timer.Update();
    EXPECT_GE(timer.GetElapsedSeconds(), elapsed + 0.09f);
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
}
