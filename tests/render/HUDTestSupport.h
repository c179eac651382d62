// What the HUD material and menu tests share: a parameter mapping that records the answers an informant gives
// it instead of uploading them, a menu state with settable values, and a screen size made current for a scope.
#pragma once

#include <cstdint>
#include <string>

#include "core/RMath.h"
#include "render/RHUDMenuState.h"
#include "render/RResolutionSensitiveList.h"
#include "render/RShaderParam.h"

namespace hudtest {

// Records the last value of each kind it was given; no GL is touched.
class RecordingMapping : public RShaderParamMapping {
public:
    explicit RecordingMapping(const char* uniform, EShaderParamType kind = SHADER_PARAM_FLOAT)
        : RShaderParamMapping(nullptr, RHashedString(uniform), kind, 1, nullptr)
    {
    }

    void SetFloat(float value) override
    {
        floatValue = value;
        ++answers;
    }
    void SetVector(const RVector4* value) override
    {
        vectorValue = *value;
        ++answers;
    }
    void SetTexture(RHashedString textureName) override
    {
        texture = textureName;
        ++answers;
    }

    float floatValue = -999.0f;
    RVector4 vectorValue = {-999.0f, -999.0f, -999.0f, -999.0f};
    RHashedString texture;
    int answers = 0;
};

// The float an informant answers for the uniform, or -999 when it does not answer.
template <typename Informant>
float AnsweredFloat(Informant& informant, const char* uniform)
{
    RecordingMapping mapping(uniform);
    if (!informant.InformShaderParams(&mapping, RHashedString("Main"), &informant))
        return -999.0f;
    return mapping.floatValue;
}

template <typename Informant>
RVector4 AnsweredVector(Informant& informant, const char* uniform)
{
    RecordingMapping mapping(uniform, SHADER_PARAM_VECTOR);
    informant.InformShaderParams(&mapping, RHashedString("Main"), &informant);
    return mapping.vectorValue;
}

// A menu state made current for its lifetime; the top menu's adjustments add fixed amounts.
class TestMenuState : public RHUDMenuState {
public:
    TestMenuState() : m_previous(RHUDMenuState::GetCurrent()) { RHUDMenuState::SetCurrent(this); }
    ~TestMenuState() override { RHUDMenuState::SetCurrent(m_previous == this ? nullptr : m_previous); }

    uint32_t GetOverlayColour() const override { return overlayColour; }
    float GetSlideOffset() const override { return slideOffset; }
    void GetXOffset(float* offset) override { *offset += xAdjustment; }
    void GetYOffset(float* offset) override { *offset += yAdjustment; }

    uint32_t overlayColour = 0xFFFFFFFFu;
    float slideOffset = 0.0f;
    float xAdjustment = 0.0f;
    float yAdjustment = 0.0f;

private:
    RHUDMenuState* m_previous;
};

// A resolution list holding a screen size, current for its lifetime.
class ScreenSize {
public:
    ScreenSize(int32_t width, int32_t height) : m_previous(RResolutionSensitiveList::GetCurrent())
    {
        m_list.SetResolution(width, height, static_cast<uint32_t>(width < 0 ? 0 : width),
                             static_cast<uint32_t>(height < 0 ? 0 : height));
        RResolutionSensitiveList::SetCurrent(&m_list);
    }
    ~ScreenSize() { RResolutionSensitiveList::SetCurrent(m_previous); }
    ScreenSize(const ScreenSize&) = delete;
    ScreenSize& operator=(const ScreenSize&) = delete;

private:
    RResolutionSensitiveList* m_previous;
    RResolutionSensitiveList m_list;
};

}  // namespace hudtest
