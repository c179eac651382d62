#include "basegame/RConsoleCommands.h"

#include "basegame/RBaseGame.h"
#include "core/config/RConfigFile.h"
#include "core/config/REngineConfig.h"
#include "core/types/RHashedString.h"
#include "core/files/RStreamMgr.h"
#include "core/system/RThreadTagger.h"
#include "core/types/RUtilVector.h"

#include <SDL.h>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

// Characters in a text; 0 for the empty and the cleared text.
int32_t LengthOf(const RString& text)
{
    return text.GetLength() > 0 ? text.GetLength() : 0;
}

typedef RConsoleCommands::Arguments Arguments;

void AppendLine(RString& output, const char* text)
{
    output += text;
    output += "\n";
}

void AppendLines(RString& output, const RUtilVector<RString>& lines)
{
    for (uint32_t i = 0; i < lines.getCount(); ++i)
        AppendLine(output, lines[i].GetString());
}

// Whether the configuration holds the section, found without creating it.
bool HasSection(RHashedString section)
{
    RConfigFile& config = RConfigFile::GetInstance();
    for (uint32_t s = 0; s < config.GetSectionCount(); ++s) {
        if (config.GetSectionId(s) == section)
            return true;
    }
    return false;
}

// Whether the configuration holds the variable, found without creating a missing section.
bool HasVariable(RHashedString section, RHashedString key)
{
    if (!HasSection(section))
        return false;
    RConfigFile& config = RConfigFile::GetInstance();
    for (uint32_t v = 0; v < config.GetVariableCount(section); ++v) {
        if (config.GetVariableKey(section, v) == key)
            return true;
    }
    return false;
}

// The variable the arguments name: "<section> <key>" when that variable exists, else "<key>" alone, looked up
// in every section (the first section holding the key). *next is the index of the first word after the name.
bool FindVariable(const Arguments& args, RHashedString* section, RHashedString* key, uint32_t* next)
{
    if (args.Count() >= 2 && HasVariable(RHashedString(args[0]), RHashedString(args[1]))) {
        *section = RHashedString(args[0]);
        *key = RHashedString(args[1]);
        *next = 2;
        return true;
    }
    if (args.Count() < 1)
        return false;
    RConfigFile& config = RConfigFile::GetInstance();
    const RHashedString wanted(args[0]);
    for (uint32_t s = 0; s < config.GetSectionCount(); ++s) {
        const RHashedString id = config.GetSectionId(s);
        if (HasVariable(id, wanted)) {
            *section = id;
            *key = wanted;
            *next = 1;
            return true;
        }
    }
    return false;
}

// Sets the variable from text as the configuration reads it; false when no variable took the text, or when a
// change callback refused the value, saying why and the value the setting keeps. A value a callback set back to
// another is set, and the reply says why and what the setting is now.
bool SetVariable(RHashedString section, RHashedString key, const char* text, RString& output)
{
    RConfigFile& config = RConfigFile::GetInstance();
    if (!config.SetFromText(section, key, text)) {
        AppendLine(output, "No such variable");
        return false;
    }
    if (!config.GetSetBack().IsEmpty()) {
        const RString message = RString("The value \"") + text + "\" was set back: " + config.GetSetBack() +
                                "; the setting is now " + config.DescribeVariable(section, key);
        AppendLine(output, message.GetString());
    }
    if (config.GetRefusal().IsEmpty())
        return true;
    const RString message = RString("The value \"") + text + "\" was refused: " + config.GetRefusal() +
                            "; the setting stays " + config.DescribeVariable(section, key);
    AppendLine(output, message.GetString());
    return false;
}

bool Set(const Arguments& args, RString& output)
{
    RHashedString section, key;
    uint32_t next = 0;
    const char* const usage = "usage: set [section] <key> <value> (\"def\" or \"default\" restores the default)";
    if (!FindVariable(args, &section, &key, &next)) {
        AppendLine(output, args.Count() < 2 ? usage : "No such variable");
        return false;
    }
    if (next >= args.Count()) {
        AppendLine(output, usage);
        return false;
    }
    return SetVariable(section, key, args.Rest(next).GetString(), output);
}

bool Unset(const Arguments& args, RString& output)
{
    RHashedString section, key;
    uint32_t next = 0;
    if (!FindVariable(args, &section, &key, &next) || next != args.Count()) {
        AppendLine(output, args.Count() == 0 ? "usage: unset [section] <key>" : "No such variable");
        return false;
    }
    // An empty value: false, zero or the empty name, by the variable's type.
    return SetVariable(section, key, "", output);
}

bool Reset(const Arguments& args, RString& output)
{
    RHashedString section, key;
    uint32_t next = 0;
    if (!FindVariable(args, &section, &key, &next) || next != args.Count()) {
        AppendLine(output, args.Count() == 0 ? "usage: reset [section] <key>" : "No such variable");
        return false;
    }
    return SetVariable(section, key, "default", output);
}

bool ListSections(const Arguments&, RString& output)
{
    RUtilVector<RString> lines;
    RConfigFile::GetInstance().ListSections(lines);
    AppendLine(output, "Sections:");
    AppendLines(output, lines);
    return true;
}

bool ListVariables(const Arguments& args, RString& output)
{
    RHashedString section(args.Count() > 0 ? args[0] : "");
    if (args.Count() > 0 && !HasSection(section)) {
        AppendLine(output, (RString("No such section: ") + args[0]).GetString());
        return false;
    }
    RUtilVector<RString> lines;
    RConfigFile::GetInstance().ListVariables(section, lines);
    char heading[320];
    snprintf(heading, sizeof(heading), "[%s]", RString(section).GetString());
    AppendLine(output, heading);
    AppendLines(output, lines);
    return true;
}

bool CurrentThread(const Arguments&, RString& output)
{
    char line[320];
    snprintf(line, sizeof(line), "Current thread is: %s",
             RString(RThreadTagger::GetInstance()->GetThreadName(0)).GetString());
    AppendLine(output, line);
    return true;
}

bool AllThreads(const Arguments&, RString& output)
{
    output += "All threads are:\n";
    output += RThreadTagger::GetInstance()->DumpThreads();
    return true;
}

// "...done!" only when every packed file was written; otherwise how many were not and the first reason, on the
// console and, as a failure of the game, on standard error and in the safe log.
bool DumpContent(const Arguments&, RString& output)
{
    AppendLine(output, "Dumping all content...");
    RPackFile::DumpReport report;
    RStreamMgr::GetInstance()->DumpAllContent(report);
    if (report.failed == 0) {
        AppendLine(output, "...done!");
        return true;
    }
    char counts[96];
    snprintf(counts, sizeof(counts), "%u of %u files could not be written to the content dump: ", report.failed,
             report.failed + report.written);
    RString message = RString(counts) + report.firstReason;
    if (!report.firstPath.IsEmpty())
        message += RString(", first at ") + report.firstPath;
    AppendLine(output, message.GetString());
    if (RBaseGame* game = RBaseGame::GetInstance())
        game->ReportFailure("%s", message.GetString());
    return false;
}

bool HashStats(const Arguments&, RString& output)
{
    const RHashedStringTable::Stats stats = RHashedStringTable::GetInstance()->GetStats();
    char line[256];
    snprintf(line, sizeof(line), "Buckets: %u, names: %u", stats.bucketCount, stats.textCount);
    AppendLine(output, line);
    snprintf(line, sizeof(line), "Chain length: shortest %u, longest %u, mean %f, variance %f, deviation %f",
             stats.shortestChain, stats.longestChain, stats.meanChain, stats.variance, stats.deviation);
    AppendLine(output, line);
    return true;
}

bool Language(const Arguments& args, RString& output)
{
    if (args.Count() != 1) {
        AppendLine(output, "usage: language <folder name, or xxx for the test language>");
        return false;
    }
    if (REngineConfig::ChangeLanguage(args[0]))
        return true;
    AppendLine(output, (REngineConfig::WhyNoLanguage(args[0]) + ": the language stays as it was").GetString());
    return false;
}

struct Command {
    RString name;
    RString help;
    RConsoleCommands::Handler run;
};

RUtilVector<Command>& Registry()
{
    static RUtilVector<Command> commands;
    return commands;
}

bool Help(const Arguments&, RString& output)
{
    AppendLine(output, "Commands:");
    for (const Command& command : Registry()) {
        output += "  ";
        output += command.name;
        output += " ";
        AppendLine(output, command.help.GetString());
    }
    return true;
}

bool QuitGame(const Arguments&, RString&)
{
    if (RBaseGame* game = RBaseGame::GetInstance())
        game->Quit();
    return true;
}

bool StartsWithNoCase(const RString& name, const char* prefix, size_t prefixLength)
{
    return static_cast<size_t>(LengthOf(name)) >= prefixLength &&
           strncasecmp(name.GetString(), prefix, prefixLength) == 0;
}

} // namespace

RConsoleCommands::Arguments::Arguments(const char* text)
{
    const char* p = text ? text : "";
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t')
            ++p;
        words.push(RString(start, static_cast<int>(p - start)));
    }
}

RString RConsoleCommands::Arguments::Rest(uint32_t index) const
{
    RString rest;
    for (uint32_t i = index; i < words.getCount(); ++i) {
        if (i > index)
            rest += " ";
        rest += words[i];
    }
    return rest;
}

void RConsoleCommands::Register(const char* name, const char* help, Handler handler)
{
    if (!name || !name[0] || !handler)
        return;
    RUtilVector<Command>& commands = Registry();
    for (Command& command : commands) {
        if (command.name.EqualsNoCase(name)) {
            command.help = help;
            command.run = handler;
            return;
        }
    }
    commands.push(Command{RString(name), RString(help), handler});
}

void RConsoleCommands::RegisterEngineCommands()
{
    Register("help", "- lists the commands", Help);
    Register("set", "[section] <key> <value> - changes a setting (\"default\" restores it)", Set);
    Register("unset", "[section] <key> - sets a setting to false, zero or empty", Unset);
    Register("reset", "[section] <key> - restores a setting's default", Reset);
    Register("listsections", "- lists the sections of the settings", ListSections);
    Register("listvars", "<section> - lists a section's settings and their values", ListVariables);
    Register("thread", "- names the thread running the console", CurrentThread);
    Register("threads", "- lists the running threads", AllThreads);
    Register("dumpcontent", "- copies every packed file to the user \"Content Dump/\" folder", DumpContent);
    Register("hashstats", "- statistics of the interned-name table", HashStats);
    Register("language", "<folder> - loads a language for this session (xxx for the test language)", Language);
    Register("quit", "- quits the game", QuitGame);
}

bool RConsoleCommands::Execute(const char* line, RString& output)
{
    if (!line)
        return false;
    while (*line == ' ' || *line == '\t')
        ++line;
    size_t nameLength = 0;
    while (line[nameLength] && line[nameLength] != ' ' && line[nameLength] != '\t')
        ++nameLength;
    if (nameLength == 0)
        return true;

    for (const Command& command : Registry()) {
        if (static_cast<size_t>(LengthOf(command.name)) == nameLength &&
            StartsWithNoCase(command.name, line, nameLength))
            return command.run(Arguments(line + nameLength), output);
    }
    char message[320];
    snprintf(message, sizeof(message), "Unknown command: %.*s", static_cast<int>(nameLength < 200 ? nameLength : 200),
             line);
    AppendLine(output, message);
    return false;
}

void RConsoleCommands::FindCompletions(const char* prefix, RUtilVector<RString>& out)
{
    const size_t prefixLength = prefix ? strlen(prefix) : 0;
    for (const Command& command : Registry()) {
        if (StartsWithNoCase(command.name, prefix ? prefix : "", prefixLength))
            out.push(command.name);
    }
}
