#include "platform/input/RInputNames.h"

#include <cstdio>

namespace {

// Device and axis name of each axis source, indexed by source - 1.
struct AxisName {
    const char* device;
    const char* axis;
};

const AxisName kAxisNames[] = {
    {"Mouse", "MouseX"},           {"Mouse", "MouseY"},           {"Mouse", "MouseZ"},
    {"Joystick", "JoyPosX"},       {"Joystick", "JoyPosY"},       {"Joystick", "JoyPosZ"},
    {"Joystick", "JoyPosRotX"},    {"Joystick", "JoyPosRotY"},    {"Joystick", "JoyPosRotZ"},
    {"Joystick", "JoyPosSlider"},  {"Joystick", "JoyVelX"},       {"Joystick", "JoyVelY"},
    {"Joystick", "JoyVelZ"},       {"Joystick", "JoyVelRotX"},    {"Joystick", "JoyVelRotY"},
    {"Joystick", "JoyVelRotZ"},    {"Joystick", "JoyVelSlider"},  {"Joystick", "JoyAccX"},
    {"Joystick", "JoyAccY"},       {"Joystick", "JoyAccZ"},       {"Joystick", "JoyAccRotX"},
    {"Joystick", "JoyAccRotY"},    {"Joystick", "JoyAccRotZ"},    {"Joystick", "JoyAccSlider"},
    {"Joystick", "JoyForceX"},     {"Joystick", "JoyForceY"},     {"Joystick", "JoyForceZ"},
    {"Joystick", "JoyForceRotX"},  {"Joystick", "JoyForceRotY"},  {"Joystick", "JoyForceRotZ"},
    {"Joystick", "JoyForceSlider"}, {"Joystick", "JoyPOVHatX"},   {"Joystick", "JoyPOVHatY"},
    {"Xbox", "XboxLSX"},           {"Xbox", "XboxLSY"},           {"Xbox", "XboxRSX"},
    {"Xbox", "XboxRSY"},           {"Xbox", "XboxLT"},            {"Xbox", "XboxRT"},
};
constexpr uint32_t kAxisSourceCount = sizeof(kAxisNames) / sizeof(kAxisNames[0]);
static_assert(kAxisSourceCount == RDefinedInput::kControllerRightTrigger, "one name per axis source");

// Device and name pattern of each button source, indexed by source - 1.
struct ButtonName {
    const char* device;
    const char* format;
};

const ButtonName kButtonNames[] = {
    {"Keyboard", "RFML_Key%d"},
    {"Mouse", "RFML_MB%d"},
    {"Joystick", "JB%d"},
    {"Xbox", "RFML_XB%d"},
};
constexpr uint32_t kButtonSourceCount = sizeof(kButtonNames) / sizeof(kButtonNames[0]);

} // namespace

void GetInputName(const RDefinedInput& input, RHashedString* deviceName, RHashedString* inputName, bool* isController)
{
    char text[64];
    const char* device = nullptr;
    bool controllerInput;
    if (input.kind == RDefinedInput::kButton) {
        controllerInput = input.source == RDefinedInput::kControllerButton;
        if (input.source >= 1 && input.source <= kButtonSourceCount) {
            const ButtonName& name = kButtonNames[input.source - 1];
            std::snprintf(text, sizeof(text), name.format, static_cast<int>(input.code));
            device = name.device;
        } else {
            std::snprintf(text, sizeof(text), "Bad button %d", static_cast<int>(input.source));
        }
    } else {
        controllerInput = input.source >= RDefinedInput::kControllerLeftX &&
                          input.source <= RDefinedInput::kControllerRightTrigger;
        if (input.source >= 1 && input.source <= kAxisSourceCount) {
            const AxisName& name = kAxisNames[input.source - 1];
            std::snprintf(text, sizeof(text), "%s%s", name.axis, input.direction >= 0.0f ? "(+)" : "(-)");
            device = name.device;
        } else {
            std::snprintf(text, sizeof(text), "Bad axis %d", static_cast<int>(input.source));
        }
    }
    *inputName = RHashedString(text);
    if (device)
        *deviceName = RHashedString(device);
    *isController = *isController || controllerInput;
}
