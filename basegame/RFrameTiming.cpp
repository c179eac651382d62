#include "basegame/RFrameTiming.h"

#include <cmath>

void RFrameTiming::Restart(double now)
{
    m_last = now;
    m_throttleFrames = kStartupThrottleFrames;
    m_pending = 0.0;
    m_hitch = 0.0f;
}

void RFrameTiming::SetSlowMotion(float factor)
{
    m_slowMotion = factor >= 0.0f && std::isfinite(factor) ? factor : 1.0f;
}

void RFrameTiming::SetHitchCompensation(float seconds)
{
    m_hitch = seconds > 0.0f && std::isfinite(seconds) ? seconds : 0.0f;
}

void RFrameTiming::BeginFrame(double now, const Rates& rates, bool paused)
{
    const double measured = now > m_last ? now - m_last : 0.0;
    m_last = now > m_last ? now : m_last;
    m_frameTime = static_cast<float>(measured);

    double engineStep = rates.fixedEngineFPS > 0 ? 1.0 / rates.fixedEngineFPS : measured;
    if (m_throttleFrames > 0) {
        --m_throttleFrames;
        engineStep = 0.0;
    }
    m_engineStep = static_cast<float>(engineStep);

    double gameStep = 0.0;
    if (!paused) {
        gameStep = engineStep - m_hitch;
        if (gameStep < 0.0)
            gameStep = 0.0;
        if (rates.minGameFPS > 0 && gameStep > 1.0 / rates.minGameFPS)
            gameStep = 1.0 / rates.minGameFPS;
        gameStep *= m_slowMotion;
    }
    // A hitch is taken out of the first frame that runs game time, not lost to a paused one.
    if (!paused)
        m_hitch = 0.0f;
    m_gameStep = static_cast<float>(gameStep);

    if (rates.fixedGameFPS <= 0) {
        m_pending = 0.0;
        m_fixedStep = m_gameStep;
        m_fixedStepCount = m_gameStep > 0.0f ? 1 : 0;
        m_interpolation = 1.0f;
        return;
    }
    const double step = 1.0 / rates.fixedGameFPS;
    m_pending += gameStep;
    // A hair of rounding must not cost a whole step: 1/60 added sixty times is one second of steps.
    const double epsilon = step * 1e-6;
    int32_t count = static_cast<int32_t>(std::floor((m_pending + epsilon) / step));
    if (count >= kMaxFixedStepsPerFrame) {
        count = kMaxFixedStepsPerFrame;
        m_pending = 0.0;
    } else {
        m_pending -= count * step;
        if (m_pending < 0.0)
            m_pending = 0.0;
    }
    m_fixedStepCount = count;
    m_fixedStep = static_cast<float>(step);
    m_interpolation = static_cast<float>(m_pending / step);
    if (m_interpolation >= 1.0f)
        m_interpolation = 0.0f;
}
