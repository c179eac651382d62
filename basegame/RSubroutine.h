// RSubroutine: a self-updating scripted sequence (a cinematic, a timed prompt) that runs beside the game. It is
// started on one of the subroutine manager's two clocks, updated once per step of that clock with its own time
// since the start, and finishes by calling Finish; the manager then deletes it at a safe point. While running it
// may capture the player's input, which silences the control groups that yield to subroutines.
#pragma once

#include "core/types/RHashedString.h"

class RSubroutine {
public:
    explicit RSubroutine(RHashedString name) : m_name(name) {}
    virtual ~RSubroutine() = default;
    RSubroutine(const RSubroutine&) = delete;
    RSubroutine& operator=(const RSubroutine&) = delete;

    // Called once when the manager starts it, before its first update.
    virtual void Start() {}
    // One step of its clock: GetTime already includes `step`.
    virtual void Update(float step) = 0;
    // Called once by the manager after it finished, just before it is deleted.
    virtual void OnFinished() {}

    // Marks it finished; it is not updated again.
    void Finish() { m_finished = true; }
    bool IsFinished() const { return m_finished; }

    RHashedString GetName() const { return m_name; }
    // Seconds of its clock since it started.
    float GetTime() const { return m_time; }

    bool CapturesInput() const { return m_capturesInput; }
    void SetCapturesInput(bool captures) { m_capturesInput = captures; }

private:
    friend class RSubroutineMgr;

    RHashedString m_name;
    float m_time = 0.0f;
    bool m_finished = false;
    bool m_capturesInput = false;
};
