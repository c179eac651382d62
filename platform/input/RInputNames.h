// The localization keys of a binding: the device name (the section of the "Input" string table) and the input name
// (the key within it), both interned names. The words the player sees live in the table, not here.
#pragma once

#include "core/types/RHashedString.h"
#include "platform/input/RDefinedInput.h"

// Names the binding: "RFML_Key%d", "RFML_MB%d", "JB%d" or "RFML_XB%d" for buttons, the axis name followed by "(+)" or
// "(-)" for axes (any kind but 1 is named as an axis). The device name ("Keyboard", "Mouse", "Joystick", "Xbox")
// is stored except for a source outside the tables, which is named "Bad button %d" or "Bad axis %d" and leaves
// *deviceName as it was. *isController becomes true when it already was or the binding is a game-controller
// button or axis, false otherwise.
void GetInputName(const RDefinedInput& input, RHashedString* deviceName, RHashedString* inputName, bool* isController);
