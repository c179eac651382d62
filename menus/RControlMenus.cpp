// The default menus of the controls: the controls menu, the control groups with their bindings, the binding
// capture and the joystick choice.
#include "menus/RDefaultMenus.h"

#include "core/config/RConfigFile.h"
#include "menus/RMenuEntries.h"
#include "menus/RMenuGame.h"
#include "menus/RMenuMgr.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RControlGroup.h"
#include "platform/input/RDefinedInput.h"
#include "platform/input/RInputHandler.h"

#include <SDL_scancode.h>

namespace {

template <typename Action> void WithGame(Action action)
{
    if (RMenuGame* game = RMenuGame::GetMenuGame())
        action(*game);
}

bool NewlyDown(const RInputHandler* input, uint32_t scancode)
{
    return input->GetCurrentState().keys[scancode] && !input->GetPreviousState().keys[scancode];
}

} // namespace

RControlsMenu::RControlsMenu() : RGameMenu("ControlsMenu")
{
    SetTitle(GetText("Title"));
}

void RControlsMenu::AddEntries()
{
    AddButton("Bindings", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewControlGroupsMenu()); }); });
    AddButton("Joystick", [] { WithGame([](RMenuGame& g) { g.PushMenu(g.GetNewJoystickMenu()); }); });
}

RControlGroupsMenu::RControlGroupsMenu(RHashedString group) : RGameMenu("ControlGroupsMenu"), m_group(group)
{
    SetTitle(group == RHashedString() ? GetText("Title") : GetDisplayName(group, RHashedString()));
}

RString RControlGroupsMenu::GetDisplayName(RHashedString group, RHashedString action)
{
    const RControlGroup* found = RControlConfig::GetInstance()->FindGroup(group);
    const char* table = found && found->updatesPerFrame ? "EngineControls" : "Controls";
    const RString name = action == RHashedString() ? GetLocalized(table, "Groups", group.GetString())
                                                   : GetLocalized(table, group.GetString(), action.GetString());
    return name.ExpandImgMarkup();
}

RString RControlGroupsMenu::GetBindingText(RHashedString group, RHashedString action)
{
    RControlConfig* controls = RControlConfig::GetInstance();
    if (controls->GetPrimaryInput(group, action).kind == 0)
        return GetLocalized("Menus", "ControlGroupsMenu", "Unbound");
    RString label;
    bool isController = false;
    controls->GetInputLabel(&label, &isController, group, action);
    return label.ExpandImgMarkup();
}

void RControlGroupsMenu::AddEntries()
{
    if (m_group == RHashedString())
        AddGroupEntries();
    else
        AddActionEntries();
}

void RControlGroupsMenu::AddGroupEntries()
{
    RControlConfig* controls = RControlConfig::GetInstance();
    if (controls->GetNumShownGroups() == 0)
        return;
    const int32_t groupCount = static_cast<int32_t>(controls->GetNumGroups());
    for (int32_t g = 0; g < groupCount; ++g) {
        RControlGroup* group = nullptr;
        const RHashedString groupName = controls->GetGroupName(g);
        if (!controls->GetGroupAt(&group, g) || !group || group->hidden || controls->GetNumShownControls(groupName) == 0)
            continue;
        AddEntry(new RMenuButton(GetDisplayName(groupName, RHashedString()), [groupName] {
            WithGame([&](RMenuGame& game) { game.PushMenu(game.GetNewControlGroupsMenu(groupName)); });
        }));
    }
    AddButton("RestoreDefaults", [] { RControlConfig::GetInstance()->RestoreDefaultBindings(); });
}

void RControlGroupsMenu::AddActionEntries()
{
    RControlConfig* controls = RControlConfig::GetInstance();
    const RControlGroup* group = controls->FindGroup(m_group);
    if (!group)
        return;
    const RHashedString groupName = m_group;
    const int32_t actionCount = static_cast<int32_t>(controls->GetNumControls(groupName));
    for (int32_t a = 0; a < actionCount; ++a) {
        RNamedControl* action = nullptr;
        const RHashedString actionName = controls->GetControlName(groupName, a);
        if (!controls->GetControlAt(groupName, &action, a) || !action || action->hidden)
            continue;
        const RString text = GetDisplayName(groupName, actionName) + ": " + GetBindingText(groupName, actionName);
        if (group->menuStyle) {
            AddEntry(new RMenuButton(text, [groupName, actionName] {
                WithGame([&](RMenuGame& game) { game.PushMenu(game.GetNewBindingMenu(groupName, actionName)); });
            }));
        } else {
            AddLabel(text);
        }
    }
}

void RControlGroupsMenu::OnActivate()
{
    // Coming back from the binding menu: the bindings shown are made again.
    if (m_activatedOnce)
        Rebuild();
    m_activatedOnce = true;
}

RBindingMenu::RBindingMenu(RHashedString group, RHashedString control)
    : RGameMenu("BindingMenu"), m_group(group), m_control(control)
{
    SetTitle(RControlGroupsMenu::GetDisplayName(group, control));
}

void RBindingMenu::AddEntries()
{
    AddLabel(GetText("PressKey"));
    AddLabel(GetText("Keys"));
}

void RBindingMenu::UpdateRawInput()
{
    if (m_done)
        return;
    RInputHandler* input = RInputHandler::GetInstance();
    RControlConfig* controls = RControlConfig::GetInstance();
    if (NewlyDown(input, SDL_SCANCODE_ESCAPE)) {
        m_done = true;
    } else if (NewlyDown(input, SDL_SCANCODE_BACKSPACE)) {
        controls->ClearControlInputs(m_group, m_control);
        m_done = true;
    } else {
        RDefinedInput captured;
        if (input->CaptureInput(&captured)) {
            controls->AddDefinedInput(m_group, m_control, captured);
            m_done = true;
        }
    }
    if (m_done) {
        PlayMenuSound();
        RMenuMgr::GetInstance()->RequestPop();
    }
}

RJoystickMenu::RJoystickMenu() : RGameMenu("JoystickMenu")
{
    SetTitle(GetText("Title"));
}

void RJoystickMenu::AddEntries()
{
    RInputHandler* input = RInputHandler::GetInstance();
    const RHashedString open = input->GetOpenJoystickName();
    AddLabel(GetText("Current") + ": " +
             (open == RHashedString() ? GetText("None") : RString(open.GetString())));
    const RUtilVector<AvailableEnumedJoystick>& joysticks = input->GetJoysticks();
    for (uint32_t i = 0; i < joysticks.getCount(); ++i) {
        const int32_t index = static_cast<int32_t>(i);
        AddEntry(new RMenuButton(RString(joysticks[i].name.GetString()), [index] {
            RInputHandler* handler = RInputHandler::GetInstance();
            handler->OpenJoystick(index);
            RConfigFile::GetInstance().SetHashedString(RHashedString("Input"), RHashedString("Controller"),
                                                        handler->GetOpenJoystickName());
            RMenuMgr::GetInstance()->RequestPop();
        }));
    }
}
