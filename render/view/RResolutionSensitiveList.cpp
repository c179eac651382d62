#include "render/view/RResolutionSensitiveList.h"

#include <cmath>

#include "render/view/RResolutionSensitive.h"

RResolutionSensitiveList* RResolutionSensitiveList::s_current = nullptr;

RResolutionSensitiveList::~RResolutionSensitiveList()
{
    for (uint32_t i = 0; i < m_objects.getCount(); ++i)
        m_objects[i]->m_list = nullptr;
    if (s_current == this)
        s_current = nullptr;
}

void RResolutionSensitiveList::Add(RResolutionSensitive* object)
{
    if (object->m_list)
        return;
    object->m_list = this;
    m_objects.push(object);
}

void RResolutionSensitiveList::Remove(RResolutionSensitive* object)
{
    for (uint32_t i = 0; i < m_objects.getCount(); ++i) {
        if (m_objects[i] != object)
            continue;
        m_objects.erase(i, 1);
        object->m_list = nullptr;
        if (m_walking) {
            if (i < m_walkNext)
                --m_walkNext;
            if (i < m_walkEnd)
                --m_walkEnd;
        }
        return;
    }
}

bool RResolutionSensitiveList::SetResolution(int32_t screenWidth, int32_t screenHeight, uint32_t windowWidth,
                                             uint32_t windowHeight)
{
    if (m_walking)
        return false;
    m_screenWidth = screenWidth;
    m_screenHeight = screenHeight;
    m_windowWidth = windowWidth;
    m_windowHeight = windowHeight;

    m_walking = true;
    m_walkNext = 0;
    m_walkEnd = m_objects.getCount();
    while (m_walkNext < m_walkEnd) {
        RResolutionSensitive* object = m_objects[m_walkNext];
        ++m_walkNext;
        object->OnResolutionChanged(screenWidth, screenHeight);
    }
    m_walking = false;
    return true;
}

void RResolutionSensitiveList::FitScreenResolution(uint32_t windowWidth, uint32_t windowHeight,
                                                   int32_t quarterTurns, float aspectRatio, int32_t* width,
                                                   int32_t* height)
{
    double w = windowWidth > 0 ? (windowWidth < INT32_MAX ? windowWidth : INT32_MAX) : 1;
    double h = windowHeight > 0 ? (windowHeight < INT32_MAX ? windowHeight : INT32_MAX) : 1;
    if (quarterTurns % 2 != 0) {
        const double turned = w;
        w = h;
        h = turned;
    }
    if (aspectRatio > 0.0f && std::isfinite(aspectRatio)) {
        const double aspect = aspectRatio;
        if (aspect > w / h)
            h = std::fmin(std::fmax(std::round(w / aspect), 1.0), h);
        else
            w = std::fmin(std::fmax(std::round(aspect * h), 1.0), w);
    }
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
}
