// RPlayerControllerComponent: the player's control queries on one group of actions. Each query goes to the
// control configuration for the component's group and the action asked, and answers 0 or false while the
// component's input is suppressed. Owns nothing; main thread only.
#pragma once

#include "scene/RComponent.h"

class RPlayerControllerComponent : public RComponent {
    RRTTI_CLASS(RPlayerControllerComponent, RComponent)
public:
    RPlayerControllerComponent() = default;
    ~RPlayerControllerComponent() override = default;

    // The control group the queries read (the empty name at first, which names no group).
    void SetGroup(RHashedString group) { m_group = group; }
    RHashedString GetGroup() const { return m_group; }
    void SetSuppressed(bool suppressed) { m_suppressed = suppressed; }
    bool IsSuppressed() const { return m_suppressed; }

    float GetValue(RHashedString action) const;
    bool JustPressed(RHashedString action, float threshold) const;
    bool JustReleased(RHashedString action, float threshold) const;
    bool IsDown(RHashedString action, float threshold) const;
    bool WasUp(RHashedString action, float threshold) const;
    bool PressedWithRepeat(RHashedString action) const;

private:
    RHashedString m_group;
    bool m_suppressed = false;
};
