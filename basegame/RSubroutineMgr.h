// RSubroutineMgr: keeps the subroutines that run beside the game (timed sequences and the like) and answers whether
// one of them captures the player's input, which silences the control groups that yield to subroutines. One
// instance, created empty by GetInstance and freed by DestroyInstance; the list does not own its subroutines.
#pragma once

#include "core/RUtilVector.h"

// What the manager reads of a running subroutine.
struct RSubroutine {
    bool capturesInput = false;
};

class RSubroutineMgr {
public:
    static RSubroutineMgr* GetInstance();
    static void DestroyInstance();

    // True when a running subroutine has its input-capture flag set.
    bool AnyCapturesInput() const;
    // AnyCapturesInput of the instance: the hook the control configuration asks
    // (RControlConfig::SetInputCapturedHook).
    static bool InstanceCapturesInput() { return GetInstance()->AnyCapturesInput(); }

private:
    RSubroutineMgr() = default;
    ~RSubroutineMgr() = default;
    RSubroutineMgr(const RSubroutineMgr&) = delete;
    RSubroutineMgr& operator=(const RSubroutineMgr&) = delete;

    RUtilVector<RSubroutine*> m_running;
};
