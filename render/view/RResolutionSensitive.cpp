#include "render/view/RResolutionSensitive.h"

#include <cstdint>

#include "render/view/RResolutionSensitiveList.h"

RResolutionSensitive::RResolutionSensitive()
{
    if (RResolutionSensitiveList* list = RResolutionSensitiveList::GetCurrent())
        list->Add(this);
}

RResolutionSensitive::RResolutionSensitive(const RResolutionSensitive& other)
{
    if (other.m_list)
        other.m_list->Add(this);
}

RResolutionSensitive::~RResolutionSensitive()
{
    LeaveList();
}

void RResolutionSensitive::LeaveList()
{
    if (m_list)
        m_list->Remove(this);
}

int32_t RResolutionSensitive::GetListScreenWidth() const
{
    return m_list ? m_list->GetScreenWidth() : 0;
}

int32_t RResolutionSensitive::GetListScreenHeight() const
{
    return m_list ? m_list->GetScreenHeight() : 0;
}

uint32_t RResolutionSensitive::GetListWindowWidth() const
{
    return m_list ? m_list->GetWindowWidth() : 0;
}

uint32_t RResolutionSensitive::GetListWindowHeight() const
{
    return m_list ? m_list->GetWindowHeight() : 0;
}

int32_t RResolutionSensitive::ScaleSize(int32_t resolution, float fraction)
{
    const float product = static_cast<float>(resolution) * fraction;
    if (!(product > 0.0f))
        return 0;
    // 2^31 is the first float beyond the int range; every float below it converts exactly after truncation.
    if (product >= 2147483648.0f)
        return INT32_MAX;
    return static_cast<int32_t>(product);
}
