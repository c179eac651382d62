#include "basegame/RTimedSubroutine.h"

#include "basegame/RBaseGame.h"
#include "platform/input/RControlConfig.h"

RTimedSubroutine::RTimedSubroutine(RHashedString name, float length) : RSubroutine(name), m_length(length)
{
    m_skipLabel.group = RHashedString("Menus");
    m_skipLabel.control = RHashedString("Accept");
}

void RTimedSubroutine::Update(float /*step*/)
{
    m_skipLabelChanged = false;
    m_skipLabel.Update(&m_skipLabelChanged);
    // While the console is open the keys are typed into it: Space or Return there skips nothing.
    const RBaseGame* game = RBaseGame::GetInstance();
    if (m_skippable && !(game && game->IsConsoleOpen())) {
        const RControlConfig* controls = RControlConfig::GetInstance();
        const RHashedString menus("Menus");
        if (controls->JustPressed(menus, RHashedString("Accept"), 0.5f) ||
            controls->JustPressed(menus, RHashedString("Cancel"), 0.5f)) {
            Skip();
            return;
        }
    }
    if (!(GetTime() < m_length))
        Finish();
}

float RTimedSubroutine::GetFraction() const
{
    if (!(m_length > 0.0f))
        return 1.0f;
    const float fraction = GetTime() / m_length;
    return fraction < 0.0f ? 0.0f : (fraction > 1.0f ? 1.0f : fraction);
}
