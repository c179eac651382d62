#include "platform/input/RDefaultBindings.h"

#include "platform/input/RControlConfig.h"

#include <SDL.h>

namespace {

// Mouse-button codes of bindings (code 2 is the left button).
constexpr uint32_t kMouseLeft = 2;
// Plain-joystick buttons as most pads without a controller mapping number them.
constexpr uint32_t kJoyButton1 = 0;
constexpr uint32_t kJoyButton2 = 1;
constexpr uint32_t kJoyButtonR1 = 5;
constexpr uint32_t kJoyButtonStart = 9;
// The plain joystick's first two axes: x grows to the right, y grows downwards.
constexpr uint32_t kJoyAxisX = RDefinedInput::kJoystickFirstAxis;
constexpr uint32_t kJoyAxisY = RDefinedInput::kJoystickFirstAxis + 1;

struct DefaultBinding {
    const char* group;
    const char* control;
    RDefinedInput input;
};

RDefinedInput Key(SDL_Scancode scancode)
{
    return RDefinedInput::Button(RDefinedInput::kKeyboard, static_cast<uint32_t>(scancode));
}
RDefinedInput Mouse(uint32_t code)
{
    return RDefinedInput::Button(RDefinedInput::kMouseButton, code);
}
RDefinedInput Pad(SDL_GameControllerButton button)
{
    return RDefinedInput::Button(RDefinedInput::kControllerButton, static_cast<uint32_t>(button));
}
RDefinedInput JoyButton(uint32_t index)
{
    return RDefinedInput::Button(RDefinedInput::kJoystickButton, index);
}
RDefinedInput Axis(uint32_t source, float direction)
{
    return RDefinedInput::Axis(source, direction);
}

const DefaultBinding kEngineBindings[] = {
    {"General", "Pause", Key(SDL_SCANCODE_ESCAPE)},
    {"General", "Pause", Key(SDL_SCANCODE_PAUSE)},
    {"General", "Pause", Pad(SDL_CONTROLLER_BUTTON_START)},
    {"General", "Pause", JoyButton(kJoyButtonStart)},

    {"Utility", "OpenConsole", Key(SDL_SCANCODE_GRAVE)},
    {"Utility", "Screenshot", Key(SDL_SCANCODE_F12)},
    {"Utility", "Screenshot", Key(SDL_SCANCODE_PRINTSCREEN)},
    // Any use of the mouse, a controller or a joystick tells which device the player holds.
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kMouseX, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kMouseX, -1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kMouseY, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kMouseY, -1.0f)},
    {"Utility", "DeviceRecognition", Mouse(kMouseLeft)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_A)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_B)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_X)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_Y)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_START)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_DPAD_UP)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_DPAD_DOWN)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_DPAD_LEFT)},
    {"Utility", "DeviceRecognition", Pad(SDL_CONTROLLER_BUTTON_DPAD_RIGHT)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kControllerLeftX, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kControllerLeftX, -1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kControllerLeftY, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kControllerLeftY, -1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kControllerLeftTrigger, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kControllerRightTrigger, 1.0f)},
    {"Utility", "DeviceRecognition", JoyButton(kJoyButton1)},
    {"Utility", "DeviceRecognition", JoyButton(kJoyButton2)},
    {"Utility", "DeviceRecognition", JoyButton(kJoyButtonStart)},
    {"Utility", "DeviceRecognition", Axis(kJoyAxisX, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(kJoyAxisX, -1.0f)},
    {"Utility", "DeviceRecognition", Axis(kJoyAxisY, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(kJoyAxisY, -1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kHatX, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kHatX, -1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kHatY, 1.0f)},
    {"Utility", "DeviceRecognition", Axis(RDefinedInput::kHatY, -1.0f)},

    {"Menus", "NavNext", Key(SDL_SCANCODE_TAB)},
    {"Menus", "NavNext", Pad(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER)},
    {"Menus", "NavNext", JoyButton(kJoyButtonR1)},
    {"Menus", "Accept", Key(SDL_SCANCODE_RETURN)},
    {"Menus", "Accept", Key(SDL_SCANCODE_KP_ENTER)},
    {"Menus", "Accept", Key(SDL_SCANCODE_SPACE)},
    {"Menus", "Accept", Pad(SDL_CONTROLLER_BUTTON_A)},
    {"Menus", "Accept", Pad(SDL_CONTROLLER_BUTTON_START)},
    {"Menus", "Accept", JoyButton(kJoyButton1)},
    {"Menus", "Cancel", Key(SDL_SCANCODE_ESCAPE)},
    {"Menus", "Cancel", Key(SDL_SCANCODE_BACKSPACE)},
    {"Menus", "Cancel", Pad(SDL_CONTROLLER_BUTTON_B)},
    {"Menus", "Cancel", Pad(SDL_CONTROLLER_BUTTON_BACK)},
    {"Menus", "Cancel", JoyButton(kJoyButton2)},
    {"Menus", "Click", Mouse(kMouseLeft)},

    {"VisOnly", "PressStart", Key(SDL_SCANCODE_RETURN)},
    {"VisOnly", "PressStart", Key(SDL_SCANCODE_SPACE)},
    {"VisOnly", "PressStart", Mouse(kMouseLeft)},
    {"VisOnly", "PressStart", Pad(SDL_CONTROLLER_BUTTON_START)},
    {"VisOnly", "PressStart", Pad(SDL_CONTROLLER_BUTTON_A)},
    {"VisOnly", "PressStart", JoyButton(kJoyButtonStart)},
    {"VisOnly", "PressStart", JoyButton(kJoyButton1)},
};

const DefaultBinding kGameplayBindings[] = {
    {"Gameplay", "Jump", Key(SDL_SCANCODE_SPACE)},
    {"Gameplay", "Jump", Key(SDL_SCANCODE_Z)},
    {"Gameplay", "Jump", Key(SDL_SCANCODE_UP)},
    {"Gameplay", "Jump", Key(SDL_SCANCODE_W)},
    {"Gameplay", "Jump", Pad(SDL_CONTROLLER_BUTTON_A)},
    {"Gameplay", "Jump", JoyButton(kJoyButton1)},
};

template <size_t Count> void AddAll(RControlConfig& config, const DefaultBinding (&bindings)[Count])
{
    for (const DefaultBinding& binding : bindings)
        config.AddDefinedInput(RHashedString(binding.group), RHashedString(binding.control), binding.input);
}

// Binds directions on the arrow keys and WASD, the controller's pad and left stick, and the joystick's hat and
// first two axes; a null action is left out. Stick and hat y grow upwards, the plain joystick's y axis downwards.
void AddDirections(RControlConfig& config, const char* groupText, const char* left, const char* right,
                   const char* up, const char* down)
{
    RHashedString group(groupText);
    struct Direction {
        const char* control;
        SDL_Scancode arrow;
        SDL_Scancode letter;
        SDL_GameControllerButton pad;
        uint32_t stick;
        uint32_t hat;
        uint32_t joyAxis;
        float sign;    // the direction on the stick and the hat
        float joySign; // the direction on the joystick axis
    };
    const Direction directions[] = {
        {left, SDL_SCANCODE_LEFT, SDL_SCANCODE_A, SDL_CONTROLLER_BUTTON_DPAD_LEFT, RDefinedInput::kControllerLeftX,
         RDefinedInput::kHatX, kJoyAxisX, -1.0f, -1.0f},
        {right, SDL_SCANCODE_RIGHT, SDL_SCANCODE_D, SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
         RDefinedInput::kControllerLeftX, RDefinedInput::kHatX, kJoyAxisX, 1.0f, 1.0f},
        {up, SDL_SCANCODE_UP, SDL_SCANCODE_W, SDL_CONTROLLER_BUTTON_DPAD_UP, RDefinedInput::kControllerLeftY,
         RDefinedInput::kHatY, kJoyAxisY, 1.0f, -1.0f},
        {down, SDL_SCANCODE_DOWN, SDL_SCANCODE_S, SDL_CONTROLLER_BUTTON_DPAD_DOWN, RDefinedInput::kControllerLeftY,
         RDefinedInput::kHatY, kJoyAxisY, -1.0f, 1.0f},
    };
    for (const Direction& direction : directions) {
        if (!direction.control)
            continue;
        RHashedString control(direction.control);
        config.AddDefinedInput(group, control, Key(direction.arrow));
        config.AddDefinedInput(group, control, Key(direction.letter));
        config.AddDefinedInput(group, control, Pad(direction.pad));
        config.AddDefinedInput(group, control, Axis(direction.stick, direction.sign));
        config.AddDefinedInput(group, control, Axis(direction.hat, direction.sign));
        config.AddDefinedInput(group, control, Axis(direction.joyAxis, direction.joySign));
    }
}

} // namespace

void AddEngineDefaultBindings(RControlConfig& config)
{
    AddAll(config, kEngineBindings);
    AddDirections(config, "Menus", "NavLeft", "NavRight", "NavUp", "NavDown");
}

void AddGameplayDefaultBindings(RControlConfig& config)
{
    // Up on the stick does not jump: a diagonal push while running would. Up and W jump from the keyboard.
    AddDirections(config, "Gameplay", "MoveLeft", "MoveRight", nullptr, "JumpDown");
    AddAll(config, kGameplayBindings);
}
