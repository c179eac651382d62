// RFrameTiming: the main loop's clock arithmetic. Each frame it takes the frame clock's reading and derives the
// engine step (a fixed rate or the measured frame, held at 0 for the first frames after a restart while start-up
// costs settle), the game step (0 while paused, capped at the lowest game rate allowed, less a hitch the game
// reported, scaled by slow motion) and, at a fixed game rate, how many fixed steps run this frame and the
// fraction of a step left over, which displayed positions interpolate by. The base game owns one; it reads no
// clock itself, so any clock can drive it.
#pragma once

#include <cstdint>

class RFrameTiming {
public:
    // The rates that shape the steps; 0 turns each off ("FixedEngineFPS", "FixedGameFPS", "MinGameFPS").
    struct Rates {
        int32_t fixedEngineFPS = 0;
        int32_t fixedGameFPS = 60;
        int32_t minGameFPS = 15;
    };

    // Frames after a restart whose engine step is held at 0.
    static const int32_t kStartupThrottleFrames = 2;
    // The most fixed steps one frame runs; game time beyond them is dropped so a long stall cannot spiral.
    static const int32_t kMaxFixedStepsPerFrame = 8;

    // Starts over at clock reading `now` (seconds): no game time pending, the start-up throttle armed.
    void Restart(double now);
    // Derives this frame's steps from the clock reading `now`; a reading earlier than the last counts as no time.
    void BeginFrame(double now, const Rates& rates, bool paused);

    float GetFrameTime() const { return m_frameTime; }
    float GetEngineStep() const { return m_engineStep; }
    float GetGameStep() const { return m_gameStep; }
    // The fixed steps this frame runs and the length of each; without a fixed game rate one step as long as the
    // game step (none when it is 0).
    int32_t GetFixedStepCount() const { return m_fixedStepCount; }
    float GetFixedStep() const { return m_fixedStep; }
    // Game time waiting for the next fixed step, as a fraction of a step (0 to below 1); 1 without a fixed rate.
    float GetInterpolationFraction() const { return m_interpolation; }

    // The game step's scale: 1 plays at normal speed, 0.25 at a quarter; below 0 or not a number counts as 1.
    void SetSlowMotion(float factor);
    float GetSlowMotion() const { return m_slowMotion; }
    // Seconds of the coming frame that a known hitch (a load, a stall the game caused) took; they are taken out
    // of the next game step once, so the game does not jump ahead. Below 0 or not a number counts as 0.
    void SetHitchCompensation(float seconds);

private:
    double m_last = 0.0;
    int32_t m_throttleFrames = kStartupThrottleFrames;
    double m_pending = 0.0;  // game time not yet run in fixed steps
    float m_hitch = 0.0f;
    float m_slowMotion = 1.0f;

    float m_frameTime = 0.0f;
    float m_engineStep = 0.0f;
    float m_gameStep = 0.0f;
    int32_t m_fixedStepCount = 0;
    float m_fixedStep = 0.0f;
    float m_interpolation = 1.0f;
};
