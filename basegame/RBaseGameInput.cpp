// The base game's side of input: the input handler's start, the control groups and their bindings, the cursor,
// the text inputs and the debug camera.
#include "basegame/RBaseGame.h"

#include "basegame/RConsole.h"
#include "core/types/RHashedString.h"
#include "platform/input/RControlConfig.h"
#include "platform/input/RDefaultBindings.h"
#include "platform/input/RInputHandler.h"
#include "platform/input/RTextInputList.h"
#include "render/view/RResSensCamera.h"

#include <SDL_scancode.h>

#include <climits>
#include <cstdio>

namespace {

// The debug camera's speeds: world units per second, radians per pixel of mouse motion.
constexpr float kDebugCameraSpeed = 200.0f;
constexpr float kDebugCameraTurn = 0.005f;

struct ControlName {
    const char* name;
    bool hidden;
};

void AddGroup(const char* group, bool yieldsToSubroutines, bool menuStyle, bool updatesPerFrame, bool hidden,
              const ControlName* controls, size_t count)
{
    RControlConfig* config = RControlConfig::GetInstance();
    const RHashedString groupName(group);
    config->AddGroup(groupName, yieldsToSubroutines, menuStyle, updatesPerFrame, hidden);
    for (size_t i = 0; i < count; ++i)
        config->AddControl(groupName, RHashedString(controls[i].name), controls[i].hidden);
}

} // namespace

bool RBaseGame::IsConsoleOpen() const
{
    return m_console && m_console->IsOpen();
}

void RBaseGame::SetupInputHandler()
{
    RInputHandler* input = RInputHandler::GetInstance();
    input->InitDevices(m_window, 0, false, 0, true);
    input->EmptyInitHook(1);
    OnMouseScalarChanged();
    input->OpenJoystickByName(RGameConfig::Text(m_config.Get().controller));
}

void RBaseGame::InitControlGroups()
{
    static const ControlName general[] = {{"Pause", false}};
    static const ControlName utility[] = {{"OpenConsole", false}, {"Screenshot", false}, {"DeviceRecognition", true}};
    static const ControlName menus[] = {{"NavUp", false},   {"NavDown", false}, {"NavLeft", false},
                                        {"NavRight", false}, {"NavNext", false}, {"Accept", false},
                                        {"Cancel", false},   {"Click", false}};
    static const ControlName visOnly[] = {{"PressStart", true}};
    AddGroup("General", true, false, true, false, general, sizeof(general) / sizeof(general[0]));
    AddGroup("Utility", false, true, true, false, utility, sizeof(utility) / sizeof(utility[0]));
    AddGroup("Menus", false, false, true, false, menus, sizeof(menus) / sizeof(menus[0]));
    AddGroup("VisOnly", false, false, true, true, visOnly, sizeof(visOnly) / sizeof(visOnly[0]));
}

void RBaseGame::InitControlActions()
{
    AddEngineDefaultBindings(*RControlConfig::GetInstance());
}

bool RBaseGame::GetControlBindingsPath(char* outPath, size_t outSize)
{
    char folder[PATH_MAX];
    if (!MakeUserFolder(folder, sizeof(folder), GetLocalAppDataPathName(), GetConfigFolderName(), true))
        return false;
    const int written = snprintf(outPath, outSize, "%s%s", folder, GetControlBindingsFileName());
    return written >= 0 && static_cast<size_t>(written) < outSize;
}

void RBaseGame::LoadControlBindings()
{
    char path[PATH_MAX];
    if (GetControlBindingsPath(path, sizeof(path)))
        RControlConfig::GetInstance()->LoadBindings(path);
    else
        InitControlActions(); // no user folder: the defaults alone
    m_bindingsLoaded = true;
}

RBaseGame::SaveOutcome RBaseGame::SaveControlBindings()
{
    // A start-up that failed before the bindings were read leaves the player's file as it is.
    if (!m_bindingsLoaded)
        return kNotWritten;
    RControlConfig* controls = RControlConfig::GetInstance();
    if (!controls->GetUnreadablePath().IsEmpty()) {
        ReportNotWritten("The bindings file", controls->GetUnreadablePath(), "changes to the controls");
        return kNotWritten;
    }
    char path[PATH_MAX];
    if (GetControlBindingsPath(path, sizeof(path)) && controls->SaveBindings(path))
        return kSaved;
    ReportFailure("The control bindings could not be saved");
    return kSaveFailed;
}

void RBaseGame::OnControlDeviceChanged(uint32_t /*oldDeviceClass*/, uint32_t /*newDeviceClass*/)
{
    UpdateCursorVisibility(false);
}

void RBaseGame::UpdateCursorVisibility(bool force)
{
    const bool show = RControlConfig::GetInstance()->GetLastDeviceClass() == 1 && m_paused;
    if (show == m_cursorShown && !force)
        return;
    m_cursorShown = show;
    RInputHandler::GetInstance()->SetMouseCaptured(m_window, !show, 0);
}

void RBaseGame::SetPaused(bool paused)
{
    m_paused = paused;
    UpdateCursorVisibility(false);
    LogEvent(paused ? "Paused" : "Resumed");
}

void RBaseGame::RegisterTextInput(RFMLTextInput* input)
{
    RTextInputList::GetInstance()->Register(input);
}

void RBaseGame::UnregisterTextInput(RFMLTextInput* input)
{
    RTextInputList::GetInstance()->Unregister(input);
}

void RBaseGame::UpdateDebugCamera(float step)
{
    if (!m_renderSetup.GetMainCamera() || !WantsDebugCamera())
        return;
    const CompleteInputState& input = RInputHandler::GetInstance()->GetCurrentState();
    const float distance = kDebugCameraSpeed * step;
    const auto axis = [&input](SDL_Scancode positive, SDL_Scancode negative) {
        return (input.keys[positive] ? 1.0f : 0.0f) - (input.keys[negative] ? 1.0f : 0.0f);
    };
    // The camera's side points to its left, so D (right) moves against it.
    m_renderSetup.GetMainCamera()->MoveForward(axis(SDL_SCANCODE_W, SDL_SCANCODE_S) * distance);
    m_renderSetup.GetMainCamera()->MoveRight(axis(SDL_SCANCODE_A, SDL_SCANCODE_D) * distance);
    // Motion to the right turns right (a negative turn about up), motion up looks up.
    m_renderSetup.GetMainCamera()->Yaw(-static_cast<float>(input.mouseDX) * kDebugCameraTurn);
    m_renderSetup.GetMainCamera()->Pitch(-static_cast<float>(input.mouseDY) * kDebugCameraTurn);
}
