#include "core/text/RINIParser.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// The blanks trimmed from keys and values: TAB, LF, VT, FF, CR and space.
bool IsTrimmed(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Copies text[begin, end) trimmed into dest, cut to destBytes - 1 characters and trimmed again after the cut.
void CopyTrimmed(const char* text, uint32_t begin, uint32_t end, char* dest, uint32_t destBytes)
{
    while (begin < end && IsTrimmed(text[begin]))
        ++begin;
    while (end > begin && IsTrimmed(text[end - 1]))
        --end;
    uint32_t length = end - begin;
    if (length > destBytes - 1)
        length = destBytes - 1;
    while (length > 0 && IsTrimmed(text[begin + length - 1]))
        --length;
    memcpy(dest, text + begin, length);
    dest[length] = 0;
}

void StoreTriple(const char* section, const char* key, const char* value, void* user)
{
    auto* out = static_cast<RUtilMap<RUtilMap<RString, RString>, RString>*>(user);
    (*out)[RString(section ? section : "")].insert(RString(value), RString(key));
}

struct LineCheck {
    const char* section;
    const char* key;
    const char* value;
    int matches;
    int calls;
};

void CompareLine(const char* section, const char* key, const char* value, void* user)
{
    LineCheck* check = static_cast<LineCheck*>(user);
    ++check->calls;
    const bool sameSection = !section == !check->section && (!section || strcmp(section, check->section) == 0);
    if (sameSection && strcmp(key, check->key) == 0 && strcmp(value, check->value) == 0)
        ++check->matches;
}

} // namespace

RINIParser::RINIParser()
    : m_line(new char[kLineBytes]), m_section(new char[kSectionBytes]), m_key(new char[kKeyBytes]),
      m_value(new char[kValueBytes])
{
    m_line[0] = m_section[0] = m_key[0] = m_value[0] = 0;
}

RINIParser::~RINIParser()
{
    delete[] m_line;
    delete[] m_section;
    delete[] m_key;
    delete[] m_value;
}

void RINIParser::Parse(const char* text, uint32_t length, RINIHandler handler, void* user,
                       RININoteHandler noteHandler, RINISectionHandler sectionHandler)
{
    m_section[0] = 0;
    if (!text || !handler)
        return;
    bool inSection = false;
    uint32_t position = 0;
    for (;;) {
        while (position < length && IsLineEnd(text[position]))
            ++position;
        if (position >= length || text[position] == 0)
            return;

        // The whole line is consumed; only its first kLineBytes - 1 characters are kept.
        uint32_t lineLength = 0;
        while (position < length && text[position] != 0 && !IsLineEnd(text[position])) {
            if (lineLength < kLineBytes - 1)
                m_line[lineLength++] = text[position];
            ++position;
        }
        m_line[lineLength] = 0;
        ParseLine(lineLength, inSection, handler, noteHandler, sectionHandler, user);
    }
}

void RINIParser::Parse(const char* text, uint32_t length, RUtilMap<RUtilMap<RString, RString>, RString>& out)
{
    Parse(text, length, StoreTriple, &out);
}

void RINIParser::ParseLine(uint32_t lineLength, bool& inSection, RINIHandler handler, RININoteHandler noteHandler,
                           RINISectionHandler sectionHandler, void* user)
{
    uint32_t first = 0;
    while (first < lineLength && (m_line[first] == ' ' || m_line[first] == '\t'))
        ++first;
    if (first >= lineLength)
        return;
    const char* section = inSection ? m_section : nullptr;
    if (m_line[first] == ';') {
        if (noteHandler)
            noteHandler(section, m_line, user);
        return;
    }

    const bool sectionLine = m_line[first] == '[';
    if (sectionLine) {
        uint32_t begin = first + 1;
        uint32_t end = begin;
        while (end < lineLength && m_line[end] != ']')
            ++end;
        uint32_t nameLength = end - begin;
        if (nameLength > kSectionBytes - 1)
            nameLength = kSectionBytes - 1;
        memcpy(m_section, m_line + begin, nameLength);
        m_section[nameLength] = 0;
        inSection = true;
        if (sectionHandler)
            sectionHandler(m_section, user);
    }

    uint32_t separator = first;
    while (separator < lineLength && m_line[separator] != ':' && m_line[separator] != '=')
        ++separator;
    if (separator >= lineLength) {
        if (!sectionLine && noteHandler)
            noteHandler(section, m_line, user);
        return;
    }
    CopyTrimmed(m_line, 0, separator, m_key, kKeyBytes);
    CopyTrimmed(m_line, separator + 1, lineLength, m_value, kValueBytes);
    handler(inSection ? m_section : nullptr, m_key, m_value, user);
}

bool RINIParser::ReadsBack(const char* section, const char* line, const char* key, const char* value)
{
    if (!line || !key || !value)
        return false;
    char text[kLineBytes * 2];
    const int length = section ? snprintf(text, sizeof text, "[%s]\r\n%s\r\n", section, line)
                               : snprintf(text, sizeof text, "%s\r\n", line);
    if (length < 0 || (size_t)length >= sizeof text)
        return false;
    LineCheck check = {section, key, value, 0, 0};
    RINIParser parser;
    parser.Parse(text, (uint32_t)length, CompareLine, &check);
    return check.calls == 1 && check.matches == 1;
}
