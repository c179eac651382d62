// RINIParser: splits INI text into (section, key, value) triples and hands each to a handler, in text order. The
// parser owns four fixed buffers (line, section, key, value); the texts handed over live in them and are valid
// only during the handler's call. RINIFile and RConfigFile share it.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilMap.h"

#include <cstdint>

// Called once per key line: section is null for keys that stand before any section line.
typedef void (*RINIHandler)(const char* section, const char* key, const char* value, void* user);
// Called once per note, a line that is neither blank, a section line nor a key line (a comment, or a line with no
// separator), with the line as read: written back whole under the same section, it reads back as the same note.
typedef void (*RININoteHandler)(const char* section, const char* line, void* user);
// Called once per section line, with the name of the section it starts, before the key line it may also be.
typedef void (*RINISectionHandler)(const char* section, void* user);

class RINIParser {
public:
    // Buffer sizes, terminator included: a line holds at most 319 characters, a section name and a key at most
    // 63, a value at most 255. Longer ones are cut at their limit; the rest of an over-long line is dropped.
    static const uint32_t kLineBytes = 320;
    static const uint32_t kSectionBytes = 64;
    static const uint32_t kKeyBytes = 64;
    static const uint32_t kValueBytes = 256;

    RINIParser();
    ~RINIParser();

    // Parses length bytes of text (less when a zero byte comes first). Lines end at CR, LF or the text's end;
    // blank lines are skipped. A line whose first non-blank character is ";" is a comment; one whose first
    // non-blank character is "[" makes the text up to the first "]" the current section. Any line holding ":"
    // or "=", a section line included, is also a key line: the text before the first separator is the key, the
    // rest the value, both trimmed of blanks. There are no inline comments, quotes or continuations. Notes go to
    // noteHandler and section lines to sectionHandler, when there are such, in their place among the key lines.
    void Parse(const char* text, uint32_t length, RINIHandler handler, void* user,
               RININoteHandler noteHandler = nullptr, RINISectionHandler sectionHandler = nullptr);
    // Parses into out: section name to (key to value). Keys before any section go under the empty name; a key
    // that comes again in a section replaces the earlier value.
    void Parse(const char* text, uint32_t length, RUtilMap<RUtilMap<RString, RString>, RString>& out);

    // Whether line, written under the header "[section]" (no header for a null section), reads back as exactly
    // this key and value; a key that opens with "[" or holds a separator, a section name with "]", or text past
    // the buffers' limits would read back as another.
    static bool ReadsBack(const char* section, const char* line, const char* key, const char* value);

private:
    RINIParser(const RINIParser&) = delete;
    RINIParser& operator=(const RINIParser&) = delete;

    // Interprets the line buffer (lineLength characters).
    void ParseLine(uint32_t lineLength, bool& inSection, RINIHandler handler, RININoteHandler noteHandler,
                   RINISectionHandler sectionHandler, void* user);

    char* m_line;
    char* m_section;
    char* m_key;
    char* m_value;
};
