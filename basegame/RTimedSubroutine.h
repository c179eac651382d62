// RTimedSubroutine: a subroutine that runs for a given number of seconds of its clock and then finishes, unless
// the player skips it first with the "Menus" accept or cancel action (while no console is open to type into). It
// keeps the label of its skip prompt (the accept action's binding, remade when the bindings or the device in use
// change) for whoever draws it.
#pragma once

#include "basegame/RSubroutine.h"
#include "platform/input/RBindingLabel.h"

class RTimedSubroutine : public RSubroutine {
public:
    RTimedSubroutine(RHashedString name, float length);

    // Refreshes the skip label, skips on a new press of "Menus" "Accept" or "Cancel" when skippable, and finishes
    // once its time reaches its length. A subclass that overrides it calls this version.
    void Update(float step) override;
    // Ends it early; the base version finishes it.
    virtual void Skip() { Finish(); }

    float GetLength() const { return m_length; }
    // Its time as a fraction of its length, 0 to 1.
    float GetFraction() const;
    bool IsSkippable() const { return m_skippable; }
    void SetSkippable(bool skippable) { m_skippable = skippable; }
    const RBindingLabel& GetSkipLabel() const { return m_skipLabel; }
    // Raised by the update that remade the label's text; lowered by the next update.
    bool SkipLabelChanged() const { return m_skipLabelChanged; }

private:
    float m_length;
    bool m_skippable = true;
    RBindingLabel m_skipLabel;
    bool m_skipLabelChanged = false;
};
