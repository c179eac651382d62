// RTimer: a clock over SDL's high-resolution performance counter that can be paused. One global timer, reached
// through g_pGlobalTimer and owned by this module for the whole process, is the engine's frame clock: the main
// thread resets and advances it, any thread may read its elapsed seconds. Other code makes timers of its own.
#pragma once

#include <atomic>
#include <cstdint>

class RTimer {
public:
    // Takes the counter frequency and sets the clock to 0; returns true.
    bool Reset();
    // Advances the clock to now and returns the counter value; the last step is 0 while paused.
    uint64_t Update();
    // Seconds from the start to the last Update (not the live time), excluding paused time; never negative.
    float GetElapsedSeconds() const;
    double GetLastStep() const { return m_lastStep.load(std::memory_order_relaxed); }
    bool IsPaused() const { return m_paused.load(std::memory_order_relaxed); }
    // Pausing records the moment (pausing again moves it, so the time between the two pauses counts);
    // resuming moves the start later by the paused time. Resuming a clock that is not paused does nothing.
    void SetPaused(bool paused);
    void TogglePause();

private:
    // Read by other threads through GetElapsedSeconds, hence atomic; written on the owning thread only.
    std::atomic<uint64_t> m_start{0};
    std::atomic<uint64_t> m_current{0};
    std::atomic<double> m_secondsPerCount{0.0};
    std::atomic<double> m_lastStep{0.0};
    std::atomic<bool> m_paused{false};
    uint64_t m_pauseStart = 0;
    uint64_t m_pauseEnd = 0;
};

// The engine's frame clock; never null.
extern RTimer* const g_pGlobalTimer;
