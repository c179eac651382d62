// RConsoleCommands: the engine's console commands. Each command takes the rest of its text line as arguments and
// appends what it prints to an output text; the console window (or a test) shows that text. The table of
// commands is fixed and owned by this module.
#pragma once

#include "core/RString.h"

class RConsoleCommands {
public:
    // Runs the command named by the first word of line. False, with a message in output, when no command has that
    // name or its arguments are wrong.
    static bool Execute(const char* line, RString& output);
};
