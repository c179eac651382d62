// RSubroutineMgr: runs the subroutines on two clocks: the engine-time list is updated once per frame with the
// engine step held to the lowest game rate's (it runs while the game is paused), the game-time list once per fixed
// game step. The manager owns
// every subroutine started on it and deletes finished ones after the pass that saw them finish. It answers
// whether a running subroutine captures input, which silences the control groups that yield to subroutines.
// One instance, created empty by GetInstance and freed (with its subroutines) by DestroyInstance. Main thread only.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

class RSubroutine;

class RSubroutineMgr {
public:
    enum Clock { kEngineTime = 0, kGameTime = 1, kClockCount = 2 };

    static RSubroutineMgr* GetInstance();
    static bool HasInstance();
    static void DestroyInstance();

    // Takes ownership of `subroutine`, calls its Start and runs it from the next update of `clock`. Null is ignored.
    void Start(RSubroutine* subroutine, Clock clock);
    // Updates every running subroutine of the clock's list by `step`, in start order (those started during the
    // pass wait for the next one), then calls OnFinished on the finished ones and deletes them.
    void Update(Clock clock, float step);
    // Finishes and deletes every subroutine of both lists without updating them.
    void StopAll();

    // The running subroutine of that name on either list, or null.
    RSubroutine* Find(RHashedString name) const;
    uint32_t GetCount(Clock clock) const { return m_lists[clock].getCount(); }

    // True when a running subroutine has its input-capture flag set.
    bool AnyCapturesInput() const;
    // AnyCapturesInput of the instance, false with none: the hook the control configuration asks
    // (RControlConfig::SetInputCapturedHook).
    static bool InstanceCapturesInput();

private:
    RSubroutineMgr() = default;
    ~RSubroutineMgr();
    RSubroutineMgr(const RSubroutineMgr&) = delete;
    RSubroutineMgr& operator=(const RSubroutineMgr&) = delete;

    // Takes the finished subroutines out of the list, then tells and deletes them.
    void RemoveFinished(Clock clock);

    RUtilVector<RSubroutine*> m_lists[kClockCount];
};
