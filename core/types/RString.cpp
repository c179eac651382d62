#include "core/types/RString.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/types/RHashedString.h"
#include "core/types/RUtilVector.h"

namespace {

// The one shared empty buffer: never freed, never written.
char s_emptyText[1] = {0};

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsIdentifierChar(char c) { return IsUpper(c) || IsLower(c) || (c >= '0' && c <= '9') || c == '_'; }
char FoldLower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
char FoldUpper(char c) { return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// How many bytes at text (left of them readable) make one control character that EscapeControls writes escaped;
// 0 for a byte that prints as it is.
int ControlLength(const unsigned char* text, int left) {
    if ((text[0] < 32 && text[0] != '\n') || text[0] == 127) return 1;
    if (text[0] == 0xC2 && left > 1 && text[1] >= 0x80 && text[1] <= 0x9F) return 2;
    return 0;
}

// A new zero-terminated buffer holding length bytes of text.
char* CopyBytes(const char* text, int length) {
    char* buffer = new char[length + 1];
    if (length > 0) memcpy(buffer, text, length);
    buffer[length] = 0;
    return buffer;
}

}  // namespace

// ---- construction and assignment ----

RString::RString() : m_text(s_emptyText), m_length(0) {}

RString::RString(const char* text, int maxLength) : m_text(s_emptyText), m_length(0) {
    if (!text) return;
    int length = maxLength < 0 ? static_cast<int>(strlen(text)) : static_cast<int>(strnlen(text, maxLength));
    m_text = CopyBytes(text, length);
    m_length = length;
}

RString::RString(const RString& other) : m_text(nullptr), m_length(-1) {
    if (!other.m_text) return;
    m_text = CopyBytes(other.m_text, other.m_length);
    m_length = other.m_length;
}

RString::RString(RString&& other) noexcept : m_text(other.m_text), m_length(other.m_length) {
    other.m_text = s_emptyText;
    other.m_length = 0;
}

RString::RString(const RHashedString& name) : RString(name.GetString()) {}

RString::~RString() { Clear(); }

void RString::FreeText() {
    if (m_text && m_text != s_emptyText) delete[] m_text;
}

void RString::Clear() {
    FreeText();
    m_text = nullptr;
    m_length = -1;
}

void RString::Adopt(char* buffer, int length) {
    FreeText();
    m_text = buffer;
    m_length = length;
}

RString RString::operator=(const RString& other) {
    if (!other.m_text) {
        Clear();
    } else {
        Adopt(CopyBytes(other.m_text, other.m_length), other.m_length);
    }
    return *this;
}

RString& RString::operator=(RString&& other) noexcept {
    if (this != &other) {
        FreeText();
        m_text = other.m_text;
        m_length = other.m_length;
        other.m_text = s_emptyText;
        other.m_length = 0;
    }
    return *this;
}

RString RString::operator=(const char* text) {
    if (!text) {
        FreeText();
        m_text = s_emptyText;
        m_length = 0;
    } else {
        int length = static_cast<int>(strlen(text));
        Adopt(CopyBytes(text, length), length);
    }
    return *this;
}

RString RString::operator=(const RHashedString& name) { return *this = name.GetString(); }

// ---- concatenation ----

RString RString::operator+=(const RString& other) {
    int otherLength = other.ReadLength();
    int length = ReadLength();
    Adopt(StringConcatCounted(GetString(), length, other.GetString(), otherLength), length + otherLength);
    return *this;
}

RString RString::operator+=(const char* text) {
    if (!text) return *this;
    int textLength = static_cast<int>(strlen(text));
    int length = ReadLength();
    Adopt(StringConcatCounted(GetString(), length, text, textLength), length + textLength);
    return *this;
}

RString RString::operator+=(const RHashedString& name) { return *this += name.GetString(); }

RString RString::operator+(const RString& other) const {
    RString result(*this);
    result += other;
    return result;
}

RString RString::operator+(const char* text) const {
    RString result(*this);
    if (text) result += text;
    else if (!m_text) result = RString();
    return result;
}

RString RString::operator+(const RHashedString& name) const { return *this + name.GetString(); }

// ---- comparison ----

bool RString::Equals(const RString& other) const { return strcmp(GetString(), other.GetString()) == 0; }
bool RString::Equals(const RHashedString& name) const { return Equals(name.GetString()); }
bool RString::Equals(const char* text) const {
    if (!text) return m_length == 0;
    return strcmp(GetString(), text) == 0;
}

bool RString::EqualsNoCase(const RString& other) const {
    return strcasecmp(GetString(), other.GetString()) == 0;
}
bool RString::EqualsNoCase(const RHashedString& name) const { return EqualsNoCase(name.GetString()); }
bool RString::EqualsNoCase(const char* text) const {
    if (!text) return m_length == 0;
    return strcasecmp(GetString(), text) == 0;
}

bool RString::NotEquals(const RString& other) const { return !Equals(other); }
bool RString::NotEquals(const RHashedString& name) const { return !Equals(name); }
bool RString::NotEquals(const char* text) const { return !Equals(text); }

// ---- pieces and searches ----

RString RString::Left(int n) const {
    int length = ReadLength();
    if (n < 0) n += length;
    if (n < 0) n = 0;
    if (n > length) n = length;
    RString result;
    result.Adopt(CopyBytes(GetString(), n), n);
    return result;
}

RString RString::Right(int n) const {
    int length = ReadLength();
    if (n < 0) n += length;
    if (n < 0) n = 0;
    if (n > length) n = length;
    RString result;
    result.Adopt(CopyBytes(GetString() + length - n, n), n);
    return result;
}

RString RString::Mid(int start, int count) const {
    int length = ReadLength();
    if (start < 0) start = 0;
    if (start > length) start = length;
    if (count < 0) count = 0;
    if (count > length - start) count = length - start;
    RString result;
    result.Adopt(CopyBytes(GetString() + start, count), count);
    return result;
}

RString RString::Trim() const {
    const char* text = GetString();
    int begin = 0;
    int end = static_cast<int>(strnlen(text, ReadLength()));
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return Mid(begin, end - begin);
}

int RString::Find(const RString& needle, int start) const {
    if (needle.ReadLength() == 0 || start < 0 || start >= ReadLength()) return -1;
    const char* text = GetString();
    // A search stops at the first zero byte; a start beyond it finds nothing.
    if (strnlen(text, start) < static_cast<size_t>(start)) return -1;
    const char* found = strstr(text + start, needle.GetString());
    return found ? static_cast<int>(found - text) : -1;
}

int RString::Split(const RString& separator, RUtilVector<RString>& out) const {
    // Emptying and filling out overwrites (or frees) its slots: split copies when either string is one of them.
    if (out.holdsAddress(this) || out.holdsAddress(&separator)) return RString(*this).Split(RString(separator), out);
    out.clear();
    const char* sep = separator.GetString();
    size_t sepLength = strlen(sep);
    if (separator.ReadLength() == 0 || sepLength == 0) return 0;

    // First pass counts the cuts so that out can be sized once.
    const char* text = GetString();
    int pieces = 1;
    for (const char* p = text; *p;) {
        if (strncmp(p, sep, sepLength) == 0) {
            ++pieces;
            p += sepLength;
        } else {
            ++p;
        }
    }

    uint32_t oldMinimum = out.getMinCapacity();
    out.setMinAllocLength(static_cast<uint32_t>(pieces));
    const char* pieceStart = text;
    const char* p = text;
    while (*p) {
        if (strncmp(p, sep, sepLength) == 0) {
            out.push(RString(pieceStart, static_cast<int>(p - pieceStart)));
            p += sepLength;
            pieceStart = p;
        } else {
            ++p;
        }
    }
    out.push(RString(pieceStart, static_cast<int>(p - pieceStart)));
    out.setMinAllocLength(oldMinimum);
    return pieces;
}

RString RString::JoinPieces(const RString& separator, const RString& joiner) const {
    RUtilVector<RString> pieces;
    int count = Split(separator, pieces);
    RString result;
    for (int i = 0; i < count; ++i) {
        result += pieces[i];
        if (i + 1 < count) result += joiner;
    }
    return result;
}

RString RString::Replace(const RString& search, const RString& replacement) const {
    return JoinPieces(search, replacement);
}

RString RString::UnescapeNewlines() const { return JoinPieces(RString("\\n"), RString("\n")); }

RString RString::ExpandImgMarkup() const {
    RUtilVector<RString> pieces;
    int count = Split(RString("<img>"), pieces);
    RString result;
    for (int i = 0; i < count; ++i) {
        if (i % 2 == 0) {
            result += pieces[i];
            continue;
        }
        RUtilVector<RString> parts;
        int partCount = pieces[i].Split(RString(":"), parts);
        RHashedString set = partCount > 0 ? RHashedString(parts[0].GetString()) : RHashedString();
        RHashedString glyph = partCount > 1 ? RHashedString(parts[1].GetString()) : RHashedString();
        char escape[9];
        escape[0] = 0x7F;
        for (int b = 0; b < 4; ++b) {
            escape[1 + b] = static_cast<char>((set.GetId() >> (8 * b)) & 0xFF);
            escape[5 + b] = static_cast<char>((glyph.GetId() >> (8 * b)) & 0xFF);
        }
        int length = result.ReadLength();
        result.Adopt(StringConcatCounted(result.GetString(), length, escape, 9), length + 9);
    }
    return result;
}

RString RString::RemoveChars(const RString& set) const {
    const char* text = GetString();
    const char* setText = set.GetString();
    int setLength = static_cast<int>(strnlen(setText, set.ReadLength()));
    int length = static_cast<int>(strnlen(text, ReadLength()));
    char* buffer = new char[length + 1];
    int kept = 0;
    for (int i = 0; i < length; ++i) {
        if (!memchr(setText, text[i], setLength)) buffer[kept++] = text[i];
    }
    buffer[kept] = 0;
    RString result;
    result.Adopt(buffer, kept);
    return result;
}

RString RString::KeepIdentifierChars() const {
    const char* text = GetString();
    int length = static_cast<int>(strnlen(text, ReadLength()));
    char* buffer = new char[length + 1];
    int kept = 0;
    for (int i = 0; i < length; ++i) {
        if (IsIdentifierChar(text[i])) buffer[kept++] = text[i];
    }
    buffer[kept] = 0;
    RString result;
    result.Adopt(buffer, kept);
    return result;
}

RString RString::EscapeControls() const {
    const unsigned char* text = reinterpret_cast<const unsigned char*>(GetString());
    const int length = static_cast<int>(strnlen(GetString(), ReadLength()));
    // An escaped byte takes four: the part of the text whose copy fits a string, counted in 64 bits.
    int64_t escapedLength = 0;
    int end = 0;
    while (end < length) {
        const int control = ControlLength(text + end, length - end);
        const int64_t grown = escapedLength + (control ? 4 * control : 1);
        if (grown >= INT32_MAX) break;
        escapedLength = grown;
        end += control ? control : 1;
    }
    static const char kHexDigits[] = "0123456789abcdef";
    char* buffer = new char[escapedLength + 1];
    int used = 0;
    for (int i = 0; i < end;) {
        int control = ControlLength(text + i, end - i);
        if (!control) buffer[used++] = static_cast<char>(text[i++]);
        for (; control > 0; --control, ++i) {
            buffer[used++] = '\\';
            buffer[used++] = 'x';
            buffer[used++] = kHexDigits[text[i] >> 4];
            buffer[used++] = kHexDigits[text[i] & 15];
        }
    }
    buffer[used] = 0;
    RString result;
    result.Adopt(buffer, used);
    return result;
}

RString RString::ToUpper() const {
    const char* text = GetString();
    int length = static_cast<int>(strnlen(text, ReadLength()));
    char* buffer = new char[length + 1];
    for (int i = 0; i < length; ++i) buffer[i] = FoldUpper(text[i]);
    buffer[length] = 0;
    RString result;
    result.Adopt(buffer, length);
    return result;
}

RString RString::ToLower() const {
    const char* text = GetString();
    int length = static_cast<int>(strnlen(text, ReadLength()));
    char* buffer = new char[length + 1];
    for (int i = 0; i < length; ++i) buffer[i] = FoldLower(text[i]);
    buffer[length] = 0;
    RString result;
    result.Adopt(buffer, length);
    return result;
}

int RString::ToInt() const { return atoi(Trim().ToLower().GetString()); }
float RString::ToFloat() const { return static_cast<float>(atof(Trim().ToLower().GetString())); }
bool RString::ToBool() const { return StringToBool(Trim().ToLower().GetString()); }

// ---- C-text helpers ----

uint32_t DJB2Hash(const char* text) {
    uint32_t h = 5381;
    for (const char* p = text; *p; ++p) h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    return h;
}

uint32_t DJB2HashNoCase(const char* text) {
    uint32_t h = 5381;
    for (const char* p = text; *p; ++p) {
        h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(FoldLower(*p))));
    }
    return h;
}

uint32_t ElfHash(const char* text) {
    uint32_t h = 0;
    for (const char* p = text; *p; ++p) {
        h = (h << 4) + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
        uint32_t g = h & 0xF0000000u;
        if (g) h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

char* StringDuplicate(const char* text, int maxLength) {
    if (!text) return nullptr;
    size_t length = maxLength < 0 ? strlen(text) : strnlen(text, maxLength);
    return CopyBytes(text, static_cast<int>(length));
}

char* StringConcat(const char* a, const char* b) {
    if (!a || !b) return nullptr;
    return StringConcatCounted(a, static_cast<int>(strlen(a)), b, static_cast<int>(strlen(b)));
}

char* StringConcatCounted(const char* a, int aLength, const char* b, int bLength) {
    if (!a || !b) return nullptr;
    if (aLength < 0) aLength = 0;
    if (bLength < 0) bLength = 0;
    char* buffer = new char[static_cast<size_t>(aLength) + bLength + 1];
    if (aLength > 0) memcpy(buffer, a, aLength);
    if (bLength > 0) memcpy(buffer + aLength, b, bLength);
    buffer[aLength + bLength] = 0;
    return buffer;
}

char* StringToIdentifier(const char* text) {
    if (!text) return nullptr;
    size_t length = strlen(text);
    char* buffer = new char[length + 1];
    size_t kept = 0;
    for (size_t i = 0; i < length; ++i) {
        if (IsIdentifierChar(text[i])) buffer[kept++] = FoldLower(text[i]);
    }
    buffer[kept] = 0;
    return buffer;
}

void MakeIdentifierInPlace(char* text) {
    char* identifier = StringToIdentifier(text);
    if (!identifier) return;
    size_t length = strlen(text);
    memset(text, 0, length);
    memcpy(text, identifier, strlen(identifier));
    delete[] identifier;
}

bool StringToBool(const char* text) {
    if (!text) return false;
    static const char* const kTrue[] = {"true", "t", "yes", "y", "on"};
    static const char* const kFalse[] = {"false", "f", "no", "n", "off"};
    for (const char* word : kTrue) {
        if (strcasecmp(text, word) == 0) return true;
    }
    for (const char* word : kFalse) {
        if (strcasecmp(text, word) == 0) return false;
    }
    return atoi(text) != 0;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int RomanDigitLength(int digit) {
    static const int kLengths[10] = {0, 1, 2, 3, 2, 1, 2, 3, 4, 2};
    return digit >= 0 && digit <= 9 ? kLengths[digit] : 0;
}

int RomanNumeralLength(int n) {
    int length = 0;
    for (; n > 0; n /= 10) length += RomanDigitLength(n % 10);
    return length;
}

RString ToRomanNumeral(int n) {
    if (n < 1 || n > 3999) return RString();
    static const char* const kPlaces[4][10] = {
        {"", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"},
        {"", "X", "XX", "XXX", "XL", "L", "LX", "LXX", "LXXX", "XC"},
        {"", "C", "CC", "CCC", "CD", "D", "DC", "DCC", "DCCC", "CM"},
        {"", "M", "MM", "MMM", "", "", "", "", "", ""},
    };
    // Assembled right to left, from the units upward; 3888 (MMMDCCCLXXXVIII) is the longest at 15 letters.
    char buffer[16];
    int position = RomanNumeralLength(n);
    buffer[position] = 0;
    for (int place = 0; n > 0; ++place, n /= 10) {
        const char* letters = kPlaces[place][n % 10];
        size_t count = strlen(letters);
        position -= static_cast<int>(count);
        memcpy(buffer + position, letters, count);
    }
    return RString(buffer);
}
