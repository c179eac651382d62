// RControlConfig: turns raw input into named actions. It owns the control groups (each owning its actions and their
// bindings) and the 2D controls, refreshes them from the input handler's state once per frame or once per fixed
// game step, answers the game's queries, tracks the class of device used last and reads and writes the bindings
// file "ControlBindings.bnd". One instance, created by GetInstance and freed by DestroyInstance. Main thread only.
//
// The configuration sits below the base game, so the three things it asks of it are hooks the base game sets: the
// default bindings (applied by LoadBindings and RestoreDefaultBindings), the notice of a change of the last-used
// device class, and whether a running subroutine captures input. A hook left null does nothing (no defaults, no
// notice, nothing captures).
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"
#include "platform/input/RControlGroup.h"
#include "platform/input/RDefinedInput.h"

#include <cstdint>

class RControlConfig {
public:
    using DefaultBindingsHook = void (*)();
    using DeviceChangedHook = void (*)(uint32_t oldDeviceClass, uint32_t newDeviceClass);
    using InputCapturedHook = bool (*)();

    // The two refresh phases of UpdateControls.
    enum Phase { kPerFrame = 1, kPerFixedStep = 2 };

    // The auto-repeat of PressedWithRepeat: the first repeat after a press, then the interval between repeats.
    static constexpr float kRepeatDelay = 0.35f;
    static constexpr float kRepeatInterval = 0.075f;

    static RControlConfig* GetInstance();
    // Frees every group with its actions and every 2D control; the next GetInstance makes a new configuration.
    static void DestroyInstance();

    void SetDefaultBindingsHook(DefaultBindingsHook hook) { m_defaultBindingsHook = hook; }
    void SetDeviceChangedHook(DeviceChangedHook hook) { m_deviceChangedHook = hook; }
    void SetInputCapturedHook(InputCapturedHook hook) { m_inputCapturedHook = hook; }

    // Registration. Each returns the new record, or null (and changes nothing) for a duplicate name or a missing
    // group. AddControl2D does not look up the four actions; a 2D control whose group or actions are missing is
    // not refreshed.
    RControlGroup* AddGroup(RHashedString name, bool yieldsToSubroutine, bool menuStyle, bool updatesPerFrame,
                            bool hidden);
    RNamedControl* AddControl(RHashedString group, RHashedString name, bool hidden);
    RControl2D* AddControl2D(RHashedString group, RHashedString negativeX, RHashedString positiveX,
                             RHashedString positiveY, RHashedString negativeY);

    // Lookups (linear, by name; indexes are registration order). Missing entries give null, -1, 0, false or the
    // empty name.
    RControlGroup* FindGroup(RHashedString name) const;
    int32_t GetGroupIndex(RHashedString name) const;
    int32_t GetControlIndex(RHashedString group, RHashedString control) const;
    RUtilVector<RDefinedInput>* FindInputList(RHashedString group, RHashedString control) const;
    bool GetGroupAt(RControlGroup** group, int32_t index) const;
    bool GetControlAt(RHashedString group, RNamedControl** control, int32_t index) const;
    RHashedString GetGroupName(int32_t index) const;
    RHashedString GetControlName(RHashedString group, int32_t index) const;
    uint32_t GetNumGroups() const { return m_groups.getCount(); }
    uint32_t GetNumControls(RHashedString group) const;
    uint32_t GetNumShownGroups() const;
    uint32_t GetNumShownControls(RHashedString group) const;
    // True when every action of the group has a binding (and for a missing or empty group).
    bool AllControlsBound(RHashedString group) const;

    // Removes every binding matching input (RInput::InputsMatch) from every action of the group, then appends
    // input to the action's list. Nothing when the group or the action is missing.
    void AddDefinedInput(RHashedString group, RHashedString control, const RDefinedInput& input);
    void ClearControlInputs(RHashedString group, RHashedString control);
    void ClearAllInputs();
    // ClearAllInputs, then the default-bindings hook.
    void RestoreDefaultBindings();

    // The bindings file. LoadBindings applies the defaults and then, action by action, the lists the file fully
    // describes; a missing file is created with the defaults, a file that does not parse is left as it is, and
    // one that exists but cannot be read (said once on standard error) is never written over: SaveBindings then
    // returns true without writing it.
    // SaveBindings replaces the file only when every byte was written; false when it could not.
    void LoadBindings(const char* path);
    bool SaveBindings(const char* path) const;
    // The file that LoadBindings could not read; empty when it read or wrote its file.
    const RString& GetUnreadablePath() const { return m_unreadablePath; }

    // Refreshes the groups of the phase: per-frame groups in kPerFrame, the others (and the 2D controls) in
    // kPerFixedStep. dt is the step, time the clock of the phase. Calls the device-changed hook when the
    // last-used device class changed.
    void UpdateControls(int32_t phase, float dt, float time);

    // Queries. Each answers 0 or false for a missing group or action and for a group that yields to subroutines
    // while one captures input.
    float GetValue(RHashedString group, RHashedString control) const;
    bool JustPressed(RHashedString group, RHashedString control, float threshold) const;
    bool JustReleased(RHashedString group, RHashedString control, float threshold) const;
    bool IsDown(RHashedString group, RHashedString control, float threshold) const;
    bool WasUp(RHashedString group, RHashedString control, float threshold) const;
    // The menus' auto-repeat at threshold 0.5: how many steps the action takes now. A per-frame action takes one
    // for every press of its buttons counted from SDL's events since the last frame, so that taps between two
    // frames each count; a new press that counted none (an axis, or an action refreshed each fixed step) takes
    // one. While held, one after kRepeatDelay and then every kRepeatInterval (counted down by the action's
    // refreshes).
    uint32_t PressedWithRepeat(RHashedString group, RHashedString control);
    // True when the key with this scancode is one of the action's bindings: a key press that arrived as an event
    // (to a text field, in its place among the typed text) can then be taken as the action.
    bool BindsKey(RHashedString group, RHashedString control, uint32_t scancode) const;

    // "group.action: value (" and ")\n" for every action of every group, in order.
    void DumpControl(RString* text) const;

    // The class of device used last: RInput::kKeyboardMouse (at creation), kGameController or kJoystick.
    uint32_t GetLastDeviceClass() const { return m_lastDeviceClass; }
    // The action's binding of the last-used device class used most recently (RInput::GetMostRecentInput); an
    // empty binding when the action is missing.
    RDefinedInput GetPrimaryInput(RHashedString group, RHashedString control) const;
    // The prompt text of the primary binding from the "Input" string table; *isController is raised for a
    // game-controller binding. Empty text when the action is missing or unbound.
    void GetInputLabel(RString* text, bool* isController, RHashedString group, RHashedString control) const;

private:
    RControlConfig() = default;
    ~RControlConfig();
    RControlConfig(const RControlConfig&) = delete;
    RControlConfig& operator=(const RControlConfig&) = delete;

    RNamedControl* FindControl(RHashedString group, RHashedString control) const;
    // The action when a query may read it: null when missing or when its group yields to a capturing subroutine.
    const RNamedControl* FindReadableControl(RHashedString group, RHashedString control) const;
    void UpdateControl2D(RControl2D& stick, float dt, float time);
    // Applies the file's records over the defaults; stops at the first record that is cut short or malformed.
    void ApplyBindingsFile(const uint8_t* bytes, uint64_t size);

    RUtilVector<RControlGroup*> m_groups;
    RUtilVector<RControl2D*> m_controls2D;
    uint32_t m_lastDeviceClass = 1;
    DefaultBindingsHook m_defaultBindingsHook = nullptr;
    DeviceChangedHook m_deviceChangedHook = nullptr;
    InputCapturedHook m_inputCapturedHook = nullptr;
    RString m_unreadablePath;  // the bindings file LoadBindings found but could not read, never written over
};
