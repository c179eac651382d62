// What the HUD material, pass material and menu tests share: a parameter mapping that records the answer an
// informant gives it instead of uploading it, a menu state with settable values, and a current screen size.
#pragma once

#include <cstdint>
#include <string>

#include "core/types/RMath.h"
#include "render/hud/RHUDMenuState.h"
#include "render/passes/RMenuBackdropState.h"
#include "render/view/RResolutionSensitiveList.h"
#include "render/effects/RShaderParam.h"
#include "render/effects/RShaderParamInformant.h"

namespace hudtest {

// Records the last answer and its kind ("" while unanswered); no GL is touched.
class RecordingMapping : public RShaderParamMapping {
public:
    explicit RecordingMapping(const char* uniform)
        : RShaderParamMapping(nullptr, RHashedString(uniform), SHADER_PARAM_UNKNOWN, 1, nullptr)
    {
    }
    void SetBool(bool value) override { kind = "bool", boolValue = value; }
    void SetFloat(float value) override { kind = "float", floatValue = value; }
    void SetVector(const RVector4* value) override { kind = "vector", vector = *value; }
    void SetMatrix(const RMatrix4* value) override { kind = "matrix", matrix = *value; }
    void SetTexture(RHashedString name) override { kind = "texture", texture = name; }

    std::string kind;
    bool boolValue = false;
    float floatValue = -999.0f;
    RVector4 vector = {-999.0f, -999.0f, -999.0f, -999.0f};
    RMatrix4 matrix{};
    RHashedString texture;
};

// The informant's answer to the uniform; *answered takes what InformShaderParams returned.
inline RecordingMapping Ask(RShaderParamInformant& informant, const char* uniform, bool* answered = nullptr)
{
    RecordingMapping mapping(uniform);
    bool result = informant.InformShaderParams(&mapping, RHashedString("Main"), &informant);
    if (answered)
        *answered = result;
    return mapping;
}
inline float AnsweredFloat(RShaderParamInformant& informant, const char* uniform)
{
    return Ask(informant, uniform).floatValue;
}
inline RVector4 AnsweredVector(RShaderParamInformant& informant, const char* uniform)
{
    return Ask(informant, uniform).vector;
}

// The menus' side, current for its lifetime: overlay colour, slide, the top menu's adjustments, title offset and
// backdrop opacity.
class TestMenuState : public RHUDMenuState, public RMenuBackdropState {
public:
    TestMenuState() : m_previous(RHUDMenuState::GetCurrent()), m_previousBackdrop(RMenuBackdropState::GetCurrent())
    {
        RHUDMenuState::SetCurrent(this);
        RMenuBackdropState::SetCurrent(this);
    }
    ~TestMenuState() override
    {
        RHUDMenuState::SetCurrent(m_previous);
        RMenuBackdropState::SetCurrent(m_previousBackdrop);
    }

    uint32_t GetOverlayColour() const override { return overlayColour; }
    float GetSlideOffset() const override { return slideOffset; }
    void GetXOffset(float* offset) override { *offset += xAdjustment; }
    void GetYOffset(float* offset) override { *offset += yAdjustment; }
    void GetTitleYOffset(float* offset) override { *offset += titleShift; }
    float GetBackdropOpacity() const override { return opacity; }

    uint32_t overlayColour = 0xFFFFFFFFu;
    float slideOffset = 0.0f;
    float xAdjustment = 0.0f;
    float yAdjustment = 0.0f;
    float titleShift = 0.0f;
    float opacity = 1.0f;

private:
    RHUDMenuState* m_previous;
    RMenuBackdropState* m_previousBackdrop;
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
