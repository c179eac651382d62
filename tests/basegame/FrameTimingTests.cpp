// The main loop's step arithmetic, driven by clock readings the tests choose.
#include "basegame/RFrameTiming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A timing restarted at 0 whose start-up throttle has passed; the clock then reads `now`.
struct Clocked {
    explicit Clocked(RFrameTiming::Rates rates) : rates(rates)
    {
        timing.Restart(0.0);
        for (int i = 0; i < RFrameTiming::kStartupThrottleFrames; ++i)
            timing.BeginFrame(0.0, rates, false);
    }
    void Frame(double seconds, bool paused = false)
    {
        now += seconds;
        timing.BeginFrame(now, rates, paused);
    }
    RFrameTiming timing;
    RFrameTiming::Rates rates;
    double now = 0.0;
};

RFrameTiming::Rates Rates(int engine, int game, int minimum)
{
    RFrameTiming::Rates rates;
    rates.fixedEngineFPS = engine;
    rates.fixedGameFPS = game;
    rates.minGameFPS = minimum;
    return rates;
}

} // namespace

TEST(FrameTiming, TheFirstFramesAfterARestartRunNoTime)
{
    RFrameTiming timing;
    timing.Restart(5.0);
    for (int i = 0; i < RFrameTiming::kStartupThrottleFrames; ++i) {
        timing.BeginFrame(5.0 + 0.5 * (i + 1), Rates(0, 60, 15), false);
        EXPECT_EQ(timing.GetEngineStep(), 0.0f);
        EXPECT_EQ(timing.GetFixedStepCount(), 0);
    }
    timing.BeginFrame(5.0 + 0.5 * RFrameTiming::kStartupThrottleFrames + 0.05, Rates(0, 60, 15), false);
    EXPECT_NEAR(timing.GetEngineStep(), 0.05f, 1e-5f);
    EXPECT_EQ(timing.GetFixedStepCount(), 3);
}

TEST(FrameTiming, FixedStepsFollowTheClockAndCarryTheRemainderAsTheInterpolationFraction)
{
    struct Case {
        double frame;
        int steps;
        float fraction;
    };
    // At 60 steps a second: frames of 1/60 run one step each; 1/40 s runs one step and half a step waits, which
    // the next such frame completes.
    const Case cases[] = {{1.0 / 60, 1, 0.0f}, {1.0 / 60, 1, 0.0f}, {1.0 / 40, 1, 0.5f},
                          {1.0 / 40, 2, 0.0f}, {1.0 / 240, 0, 0.25f}, {1.0 / 240, 0, 0.5f}};
    Clocked clock(Rates(0, 60, 15));
    for (const Case& c : cases) {
        clock.Frame(c.frame);
        EXPECT_EQ(clock.timing.GetFixedStepCount(), c.steps) << c.frame;
        EXPECT_NEAR(clock.timing.GetInterpolationFraction(), c.fraction, 1e-4f) << c.frame;
        EXPECT_FLOAT_EQ(clock.timing.GetFixedStep(), 1.0f / 60.0f);
    }
    // A whole second of sixtieths runs sixty steps, none lost to rounding.
    int steps = 0;
    for (int i = 0; i < 60; ++i) {
        clock.Frame(1.0 / 60);
        steps += clock.timing.GetFixedStepCount();
    }
    EXPECT_EQ(steps, 60);
}

TEST(FrameTiming, TheGameStepIsCappedPausedScaledAndSparedAHitch)
{
    // A half-second frame runs at most the step of 15 frames a second, so four sixtieths.
    Clocked clock(Rates(0, 60, 15));
    clock.Frame(0.5);
    EXPECT_NEAR(clock.timing.GetEngineStep(), 0.5f, 1e-5f);
    EXPECT_NEAR(clock.timing.GetGameStep(), 1.0f / 15.0f, 1e-6f);
    EXPECT_EQ(clock.timing.GetFixedStepCount(), 4);

    // Paused: the engine runs, the game does not, and no game time piles up for later.
    clock.Frame(0.1, true);
    EXPECT_NEAR(clock.timing.GetEngineStep(), 0.1f, 1e-5f);
    EXPECT_EQ(clock.timing.GetGameStep(), 0.0f);
    EXPECT_EQ(clock.timing.GetFixedStepCount(), 0);
    clock.Frame(1.0 / 60);
    EXPECT_EQ(clock.timing.GetFixedStepCount(), 1);

    // Slow motion at a quarter: four frames of a sixtieth make one step; a bad factor plays at normal speed.
    clock.timing.SetSlowMotion(0.25f);
    int steps = 0;
    for (int i = 0; i < 4; ++i) {
        clock.Frame(1.0 / 60);
        EXPECT_NEAR(clock.timing.GetGameStep(), 0.25f / 60.0f, 1e-6f);
        steps += clock.timing.GetFixedStepCount();
    }
    EXPECT_EQ(steps, 1);
    // A long frame in slow motion runs the capped step scaled, not the whole cap.
    clock.Frame(0.5);
    EXPECT_NEAR(clock.timing.GetGameStep(), 0.25f / 15.0f, 1e-6f);
    clock.timing.SetSlowMotion(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(clock.timing.GetSlowMotion(), 1.0f);

    // A known 2-second hitch is taken out of the next game step only.
    clock.timing.SetHitchCompensation(2.0f);
    clock.Frame(2.0 + 1.0 / 60);
    EXPECT_NEAR(clock.timing.GetGameStep(), 1.0f / 60.0f, 1e-4f);
    clock.Frame(0.05);
    EXPECT_NEAR(clock.timing.GetGameStep(), 0.05f, 1e-5f);

    // A paused frame runs no game time, so the hitch waits for the first frame that does.
    clock.timing.SetHitchCompensation(2.0f);
    clock.Frame(0.1, true);
    EXPECT_EQ(clock.timing.GetGameStep(), 0.0f);
    clock.Frame(2.0 + 1.0 / 60);
    EXPECT_NEAR(clock.timing.GetGameStep(), 1.0f / 60.0f, 1e-4f);
}

TEST(FrameTiming, FixedEngineRateAndVariableGameStep)
{
    // A fixed engine rate ignores the measured frame; without a fixed game rate one step runs per frame.
    Clocked clock(Rates(30, 0, 0));
    clock.Frame(0.2);
    EXPECT_NEAR(clock.timing.GetEngineStep(), 1.0f / 30.0f, 1e-6f);
    EXPECT_EQ(clock.timing.GetFixedStepCount(), 1);
    EXPECT_NEAR(clock.timing.GetFixedStep(), 1.0f / 30.0f, 1e-6f);
    EXPECT_EQ(clock.timing.GetInterpolationFraction(), 1.0f);
    // A clock that runs backwards gives no time.
    Clocked backwards(Rates(0, 60, 15));
    backwards.Frame(-1.0);
    EXPECT_EQ(backwards.timing.GetEngineStep(), 0.0f);
    EXPECT_EQ(backwards.timing.GetFixedStepCount(), 0);
}
