#include "platform/input/RControlConfig.h"

#include "core/config/RLocMgr.h"
#include "platform/input/RInput.h"
#include "platform/input/RInputNames.h"

#include <cmath>
#include <cstdio>

namespace {

RControlConfig* g_controlConfig = nullptr;

constexpr float kNoRamp = std::numeric_limits<float>::infinity();
constexpr float kQueryThreshold = 0.5f;

const char* TextOf(RHashedString name)
{
    const char* text = name.GetString();
    return text ? text : "";
}

// Stops a running ramp: the cap goes back to its start level.
template <typename Ramped> void StopRamp(Ramped& ramped)
{
    ramped.rampStartTime = kNoRamp;
    ramped.rampLevel = ramped.rampStartLevel;
}

// The shaped level of raw: raw ^ exponent, capped by the ramp. A ramp starts when raw exceeds the threshold; after
// its delay the cap closes rampRate of its gap to raw per second.
template <typename Ramped> float Ramp(Ramped& ramped, float raw, float dt, float time)
{
    if (ramped.rampStartTime > time && raw > ramped.rampThreshold) {
        ramped.rampStartTime = time;
        ramped.rampLevel = ramped.rampStartLevel;
    } else if (ramped.rampStartTime <= time && time > ramped.rampStartTime + ramped.rampDelay) {
        float step = ramped.rampRate * dt;
        step = step < 0.0f ? 0.0f : step > 1.0f ? 1.0f : step;
        float target = raw > ramped.rampLevel ? raw : ramped.rampLevel;
        ramped.rampLevel += step * (target - ramped.rampLevel);
    }
    float shaped = std::pow(raw, ramped.exponent);
    return shaped < ramped.rampLevel ? shaped : ramped.rampLevel;
}

bool TakesPart(const RControlGroup& group, int32_t phase)
{
    return group.updatesPerFrame ? phase == RControlConfig::kPerFrame : phase == RControlConfig::kPerFixedStep;
}

float PositivePart(float value)
{
    return value > 0.0f ? value : 0.0f;
}

} // namespace

RControlConfig* RControlConfig::GetInstance()
{
    if (!g_controlConfig)
        g_controlConfig = new RControlConfig();
    return g_controlConfig;
}

void RControlConfig::DestroyInstance()
{
    delete g_controlConfig;
    g_controlConfig = nullptr;
}

RControlConfig::~RControlConfig()
{
    for (RControlGroup* group : m_groups)
        delete group;
    for (RControl2D* stick : m_controls2D)
        delete stick;
}

RControlGroup* RControlConfig::AddGroup(RHashedString name, bool yieldsToSubroutine, bool menuStyle,
                                        bool updatesPerFrame, bool hidden)
{
    if (FindGroup(name))
        return nullptr;
    RControlGroup* group = new RControlGroup();
    group->hidden = hidden;
    group->name = name;
    group->yieldsToSubroutine = yieldsToSubroutine;
    group->menuStyle = menuStyle;
    group->updatesPerFrame = updatesPerFrame;
    m_groups.push(group);
    return group;
}

RNamedControl* RControlConfig::AddControl(RHashedString groupName, RHashedString name, bool hidden)
{
    RControlGroup* group = FindGroup(groupName);
    if (!group || group->FindControl(name))
        return nullptr;
    RNamedControl* control = new RNamedControl();
    control->hidden = hidden;
    control->name = name;
    group->controls.push(control);
    return control;
}

RControl2D* RControlConfig::AddControl2D(RHashedString group, RHashedString negativeX, RHashedString positiveX,
                                         RHashedString positiveY, RHashedString negativeY)
{
    if (!FindGroup(group))
        return nullptr;
    RControl2D* stick = new RControl2D();
    stick->group = group;
    stick->negativeX = negativeX;
    stick->positiveX = positiveX;
    stick->positiveY = positiveY;
    stick->negativeY = negativeY;
    m_controls2D.push(stick);
    return stick;
}

RControlGroup* RControlConfig::FindGroup(RHashedString name) const
{
    for (RControlGroup* group : m_groups) {
        if (group->name == name)
            return group;
    }
    return nullptr;
}

RNamedControl* RControlConfig::FindControl(RHashedString group, RHashedString control) const
{
    RControlGroup* found = FindGroup(group);
    return found ? found->FindControl(control) : nullptr;
}

const RNamedControl* RControlConfig::FindReadableControl(RHashedString groupName, RHashedString control) const
{
    RControlGroup* group = FindGroup(groupName);
    if (!group)
        return nullptr;
    if (group->yieldsToSubroutine && m_inputCapturedHook && m_inputCapturedHook())
        return nullptr;
    return group->FindControl(control);
}

int32_t RControlConfig::GetGroupIndex(RHashedString name) const
{
    for (uint32_t i = 0; i < m_groups.getCount(); ++i) {
        if (m_groups[i]->name == name)
            return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t RControlConfig::GetControlIndex(RHashedString groupName, RHashedString control) const
{
    RControlGroup* group = FindGroup(groupName);
    if (!group)
        return -1;
    for (uint32_t i = 0; i < group->controls.getCount(); ++i) {
        if (group->controls[i]->name == control)
            return static_cast<int32_t>(i);
    }
    return -1;
}

RUtilVector<RDefinedInput>* RControlConfig::FindInputList(RHashedString group, RHashedString control) const
{
    RNamedControl* found = FindControl(group, control);
    return found ? &found->inputs : nullptr;
}

bool RControlConfig::GetGroupAt(RControlGroup** group, int32_t index) const
{
    if (index < 0 || static_cast<uint32_t>(index) >= m_groups.getCount())
        return false;
    *group = m_groups[static_cast<uint32_t>(index)];
    return true;
}

bool RControlConfig::GetControlAt(RHashedString groupName, RNamedControl** control, int32_t index) const
{
    RControlGroup* group = FindGroup(groupName);
    if (!group || index < 0 || static_cast<uint32_t>(index) >= group->controls.getCount())
        return false;
    *control = group->controls[static_cast<uint32_t>(index)];
    return true;
}

RHashedString RControlConfig::GetGroupName(int32_t index) const
{
    RControlGroup* group = nullptr;
    return GetGroupAt(&group, index) ? group->name : RHashedString();
}

RHashedString RControlConfig::GetControlName(RHashedString group, int32_t index) const
{
    RNamedControl* control = nullptr;
    return GetControlAt(group, &control, index) ? control->name : RHashedString();
}

uint32_t RControlConfig::GetNumControls(RHashedString groupName) const
{
    RControlGroup* group = FindGroup(groupName);
    return group ? group->controls.getCount() : 0;
}

uint32_t RControlConfig::GetNumShownGroups() const
{
    uint32_t shown = 0;
    for (const RControlGroup* group : m_groups)
        shown += group->hidden ? 0 : 1;
    return shown;
}

uint32_t RControlConfig::GetNumShownControls(RHashedString groupName) const
{
    RControlGroup* group = FindGroup(groupName);
    if (!group)
        return 0;
    uint32_t shown = 0;
    for (const RNamedControl* control : group->controls)
        shown += control->hidden ? 0 : 1;
    return shown;
}

bool RControlConfig::AllControlsBound(RHashedString groupName) const
{
    RControlGroup* group = FindGroup(groupName);
    if (!group)
        return true;
    for (const RNamedControl* control : group->controls) {
        if (control->inputs.isEmpty())
            return false;
    }
    return true;
}

void RControlConfig::AddDefinedInput(RHashedString groupName, RHashedString controlName, const RDefinedInput& input)
{
    RControlGroup* group = FindGroup(groupName);
    RNamedControl* target = group ? group->FindControl(controlName) : nullptr;
    if (!target)
        return;
    // A copy, since input may be an element of one of the lists edited below.
    RDefinedInput added = input;
    for (RNamedControl* control : group->controls) {
        RUtilVector<RDefinedInput>& inputs = control->inputs;
        for (uint32_t i = inputs.getCount(); i-- > 0;) {
            if (RInput::InputsMatch(inputs[i], added))
                inputs.erase(i, 1);
        }
    }
    target->inputs.push(added);
}

void RControlConfig::ClearControlInputs(RHashedString group, RHashedString control)
{
    RNamedControl* found = FindControl(group, control);
    if (found)
        found->inputs.clear();
}

void RControlConfig::ClearAllInputs()
{
    for (RControlGroup* group : m_groups) {
        for (RNamedControl* control : group->controls)
            control->inputs.clear();
    }
}

void RControlConfig::RestoreDefaultBindings()
{
    ClearAllInputs();
    if (m_defaultBindingsHook)
        m_defaultBindingsHook();
}

void RControlConfig::UpdateControls(int32_t phase, float dt, float time)
{
    uint32_t deviceClassAtEntry = m_lastDeviceClass;
    for (RControlGroup* group : m_groups) {
        if (!TakesPart(*group, phase))
            continue;
        for (RNamedControl* control : group->controls) {
            control->rawValue = RInput::EvaluateBindings(control->inputs, false, &control->anyActive,
                                                         &control->mouseActive, &m_lastDeviceClass, time);
            control->menuRepeatTimer = PositivePart(control->menuRepeatTimer - dt);
            // The handler counts presses between frame reads, which fixed steps do not follow.
            control->presses = phase == kPerFrame ? RInput::CountPresses(control->inputs) : 0;
        }
    }
    for (RControlGroup* group : m_groups) {
        if (!TakesPart(*group, phase))
            continue;
        for (RNamedControl* control : group->controls) {
            control->previousValue = control->value;
            if (!control->anyActive || control->mouseActive) {
                // Mouse speed is passed on as it is: neither capped nor ramped.
                StopRamp(*control);
                control->value = control->rawValue * control->mouseFactor;
            } else {
                control->value = Ramp(*control, control->rawValue, dt, time) * control->scale;
            }
        }
    }
    if (phase == kPerFixedStep) {
        for (RControl2D* stick : m_controls2D)
            UpdateControl2D(*stick, dt, time);
    }
    if (m_lastDeviceClass != deviceClassAtEntry && m_deviceChangedHook)
        m_deviceChangedHook(deviceClassAtEntry, m_lastDeviceClass);
}

void RControlConfig::UpdateControl2D(RControl2D& stick, float dt, float time)
{
    RNamedControl* negativeX = FindControl(stick.group, stick.negativeX);
    RNamedControl* positiveX = FindControl(stick.group, stick.positiveX);
    RNamedControl* positiveY = FindControl(stick.group, stick.positiveY);
    RNamedControl* negativeY = FindControl(stick.group, stick.negativeY);
    if (!negativeX || !positiveX || !positiveY || !negativeY)
        return;
    RNamedControl* four[] = {negativeX, positiveX, positiveY, negativeY};
    bool anyActive = false;
    bool mouseActive = false;
    for (const RNamedControl* control : four) {
        anyActive = anyActive || control->anyActive;
        mouseActive = mouseActive || control->mouseActive;
    }
    if (!anyActive || mouseActive) {
        StopRamp(stick);
        return;
    }
    float x = positiveX->rawValue - negativeX->rawValue;
    float y = positiveY->rawValue - negativeY->rawValue;
    float length = std::sqrt(x * x + y * y);
    float ux = length > 0.0f ? x / length : 0.0f;
    float uy = length > 0.0f ? y / length : 0.0f;
    float magnitude = length < 1.0f ? length : 1.0f;
    if (ux * stick.lastDirectionX + uy * stick.lastDirectionY < stick.turnThreshold || magnitude < 0.0001f)
        StopRamp(stick);
    stick.lastDirectionX = ux;
    stick.lastDirectionY = uy;
    float shaped = Ramp(stick, magnitude, dt, time);
    negativeX->value = PositivePart(-ux * shaped) * negativeX->scale;
    positiveX->value = PositivePart(ux * shaped) * positiveX->scale;
    positiveY->value = PositivePart(uy * shaped) * positiveY->scale;
    negativeY->value = PositivePart(-uy * shaped) * negativeY->scale;
}

float RControlConfig::GetValue(RHashedString group, RHashedString control) const
{
    const RNamedControl* found = FindReadableControl(group, control);
    return found ? found->value : 0.0f;
}

bool RControlConfig::JustPressed(RHashedString group, RHashedString control, float threshold) const
{
    const RNamedControl* found = FindReadableControl(group, control);
    return found && found->value >= threshold && found->previousValue < threshold;
}

bool RControlConfig::BindsKey(RHashedString group, RHashedString control, uint32_t scancode) const
{
    const RNamedControl* found = FindReadableControl(group, control);
    if (!found)
        return false;
    for (const RDefinedInput& input : found->inputs) {
        if (input.kind == RDefinedInput::kButton && input.source == RDefinedInput::kKeyboard && input.code == scancode)
            return true;
    }
    return false;
}

bool RControlConfig::JustReleased(RHashedString group, RHashedString control, float threshold) const
{
    const RNamedControl* found = FindReadableControl(group, control);
    return found && found->value < threshold && found->previousValue >= threshold;
}

bool RControlConfig::IsDown(RHashedString group, RHashedString control, float threshold) const
{
    const RNamedControl* found = FindReadableControl(group, control);
    return found && found->value >= threshold;
}

bool RControlConfig::WasUp(RHashedString group, RHashedString control, float threshold) const
{
    const RNamedControl* found = FindReadableControl(group, control);
    return found && found->previousValue < threshold;
}

uint32_t RControlConfig::PressedWithRepeat(RHashedString group, RHashedString control)
{
    if (!FindReadableControl(group, control))
        return 0;
    RNamedControl* found = FindControl(group, control);
    const uint32_t presses =
        found->presses > 0 ? found->presses : JustPressed(group, control, kQueryThreshold) ? 1 : 0;
    if (presses > 0) {
        found->menuRepeatTimer = kRepeatDelay;
        return presses;
    }
    if (IsDown(group, control, kQueryThreshold) && found->menuRepeatTimer <= 0.0f) {
        found->menuRepeatTimer = kRepeatInterval;
        return 1;
    }
    return 0;
}

void RControlConfig::DumpControl(RString* text) const
{
    *text = "";
    for (const RControlGroup* group : m_groups) {
        for (const RNamedControl* control : group->controls) {
            // Interned names are at most 255 characters each.
            char line[640];
            snprintf(line, sizeof(line), "%s.%s: %.4f (", TextOf(group->name), TextOf(control->name),
                     static_cast<double>(control->value));
            *text += line;
            *text += ")\n";
        }
    }
}

RDefinedInput RControlConfig::GetPrimaryInput(RHashedString group, RHashedString control) const
{
    const RNamedControl* found = FindControl(group, control);
    return found ? RInput::GetMostRecentInput(found->inputs, m_lastDeviceClass) : RDefinedInput();
}

void RControlConfig::GetInputLabel(RString* text, bool* isController, RHashedString group,
                                   RHashedString control) const
{
    *text = "";
    RDefinedInput primary = GetPrimaryInput(group, control);
    if (primary.kind == RDefinedInput::kEmpty)
        return;
    RHashedString deviceName;
    RHashedString inputName;
    GetInputName(primary, &deviceName, &inputName, isController);
    *text = RLocMgr::GetInstance()->GetString(RHashedString("Input"), deviceName, inputName);
}
