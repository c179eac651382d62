// RConsoleCommands: the registry of console commands. A command has a name (matched without regard to case), a
// line of help and a handler that takes the words after the name and appends what it prints to an output text;
// the console (or a test) shows that text. The engine registers its own commands at start-up
// (RegisterEngineCommands, from RBaseGame::InitEngine) and a game adds its own with Register. The registry owns
// copies of the names and help texts. Main thread only.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

class RConsoleCommands {
public:
    // The words of a command's argument text.
    struct Arguments {
        explicit Arguments(const char* text);
        uint32_t Count() const { return words.getCount(); }
        const char* operator[](uint32_t index) const { return words[index].GetString(); }
        // The words from index on, joined by single spaces.
        RString Rest(uint32_t index) const;

        RUtilVector<RString> words;
    };
    // Appends its messages to output; false when the command failed (its message says why).
    typedef bool (*Handler)(const Arguments& args, RString& output);

    // Adds a command, or replaces the handler and help of the one with that name. The help is what "help" prints
    // after the name: the arguments, " - " and what the command does ("<section> - lists a section's settings").
    static void Register(const char* name, const char* help, Handler handler);
    // The engine's commands: set, unset, reset, listsections, listvars, thread, threads, dumpcontent, hashstats,
    // language, help and quit.
    static void RegisterEngineCommands();

    // Runs the command named by the first word of line. False, with a message in output, when no command has that
    // name or the command failed. An empty line does nothing and succeeds.
    static bool Execute(const char* line, RString& output);
    // The names of the registered commands that begin with prefix (without regard to case), in registration
    // order.
    static void FindCompletions(const char* prefix, RUtilVector<RString>& out);
};
