#include "basegame/RConsoleCommands.h"

#include "core/RConfigFile.h"
#include "core/REngineConfig.h"
#include "core/RHashedString.h"
#include "core/RStreamMgr.h"
#include "core/RThreadTagger.h"
#include "core/RUtilVector.h"

#include <SDL.h>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

// The words of an argument text; the last word a command asks for takes the rest of the line.
struct Arguments {
    RUtilVector<RString> words;

    explicit Arguments(const char* text)
    {
        const char* p = text;
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
    uint32_t Count() const { return words.getCount(); }
    const char* operator[](uint32_t index) const { return words[index].GetString(); }
    // The words from index on, joined by single spaces.
    RString Rest(uint32_t index) const
    {
        RString rest;
        for (uint32_t i = index; i < words.getCount(); ++i) {
            if (i > index)
                rest += " ";
            rest += words[i];
        }
        return rest;
    }
};

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

bool Set(const Arguments& args, RString& output)
{
    if (args.Count() < 3) {
        AppendLine(output, "usage: set <section> <key> <value> (\"def\" or \"default\" restores the default)");
        return false;
    }
    if (!RConfigFile::GetInstance().SetFromText(args[0], args[1], args.Rest(2).GetString())) {
        AppendLine(output, "No such variable");
        return false;
    }
    return true;
}

bool Unset(const Arguments& args, RString& output)
{
    if (args.Count() != 2) {
        AppendLine(output, "usage: unset <section> <key>");
        return false;
    }
    // An empty value: false, zero or the empty name, by the variable's type.
    if (!RConfigFile::GetInstance().SetFromText(args[0], args[1], "")) {
        AppendLine(output, "No such variable");
        return false;
    }
    return true;
}

bool Reset(const Arguments& args, RString& output)
{
    if (args.Count() != 2) {
        AppendLine(output, "usage: reset <section> <key>");
        return false;
    }
    if (!RConfigFile::GetInstance().ResetToDefault(RHashedString(args[0]), RHashedString(args[1]))) {
        AppendLine(output, "No such variable");
        return false;
    }
    return true;
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

bool DumpContent(const Arguments&, RString& output)
{
    AppendLine(output, "Dumping all content...");
    RStreamMgr::GetInstance()->DumpAllContent();
    AppendLine(output, "...done!");
    return true;
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
    REngineConfig::ChangeLanguage(args[0]);
    return true;
}

struct Command {
    const char* name;
    bool (*run)(const Arguments& args, RString& output);
};

const Command kCommands[] = {
    {"set", Set},
    {"unset", Unset},
    {"reset", Reset},
    {"listsections", ListSections},
    {"listvars", ListVariables},
    {"thread", CurrentThread},
    {"threads", AllThreads},
    {"dumpcontent", DumpContent},
    {"hashstats", HashStats},
    {"language", Language},
};

} // namespace

bool RConsoleCommands::Execute(const char* line, RString& output)
{
    if (!line)
        return false;
    while (*line == ' ' || *line == '\t')
        ++line;
    size_t nameLength = 0;
    while (line[nameLength] && line[nameLength] != ' ' && line[nameLength] != '\t')
        ++nameLength;

    for (const Command& command : kCommands) {
        if (strlen(command.name) == nameLength && strncasecmp(command.name, line, nameLength) == 0)
            return command.run(Arguments(line + nameLength), output);
    }
    char message[320];
    snprintf(message, sizeof(message), "Unknown command: %.*s", static_cast<int>(nameLength < 200 ? nameLength : 200),
             line);
    AppendLine(output, message);
    return false;
}
