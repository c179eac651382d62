#include "scene/RPlayerControllerComponent.h"

#include "platform/input/RControlConfig.h"

float RPlayerControllerComponent::GetValue(RHashedString action) const
{
    return m_suppressed ? 0.0f : RControlConfig::GetInstance()->GetValue(m_group, action);
}

bool RPlayerControllerComponent::JustPressed(RHashedString action, float threshold) const
{
    return !m_suppressed && RControlConfig::GetInstance()->JustPressed(m_group, action, threshold);
}

bool RPlayerControllerComponent::JustReleased(RHashedString action, float threshold) const
{
    return !m_suppressed && RControlConfig::GetInstance()->JustReleased(m_group, action, threshold);
}

bool RPlayerControllerComponent::IsDown(RHashedString action, float threshold) const
{
    return !m_suppressed && RControlConfig::GetInstance()->IsDown(m_group, action, threshold);
}

bool RPlayerControllerComponent::WasUp(RHashedString action, float threshold) const
{
    return !m_suppressed && RControlConfig::GetInstance()->WasUp(m_group, action, threshold);
}

bool RPlayerControllerComponent::PressedWithRepeat(RHashedString action) const
{
    // Suppressed input does not run the repeat count-down either.
    return !m_suppressed && RControlConfig::GetInstance()->PressedWithRepeat(m_group, action) > 0;
}
