// RString: the engine's own heap byte string, used for every name, path, value and line the engine keeps.
// Each string owns its text (an array-new buffer of length + 1 bytes) unless it points at the one shared empty
// buffer. Beside it stand the C-text helpers (hashes, copies, a boolean parser, Roman numerals) that strings,
// interned names and the file readers share; every buffer they return is owned by the caller (array delete).
#pragma once

#include <cstdint>

class RHashedString;
template <typename T> class RUtilVector;

class RString {
public:
    // The empty state: the shared empty buffer, length 0.
    RString();
    // The first n characters of text: n = strlen when maxLength is negative, otherwise at most maxLength (the
    // text is never read past maxLength bytes). A null text gives the empty state.
    RString(const char* text, int maxLength = -1);
    // A new buffer holding exactly the other string's length bytes (inner zero bytes survive). A cleared source
    // gives a cleared string.
    RString(const RString& other);
    // Moves take the other's text and leave it empty.
    RString(RString&& other) noexcept;
    // A copy of the interned name's text.
    RString(const RHashedString& name);
    ~RString();

    // Frees an owned text and leaves the cleared state (null text, length -1). Wherever a cleared string is read
    // (concatenation, comparison, searches, pieces) it reads as the empty text.
    void Clear();

    // Assignments copy first and free the old text afterwards, so assigning a string to itself, or a pointer
    // into its own text, is safe. Each returns the new value.
    RString operator=(const RString& other);
    RString& operator=(RString&& other) noexcept;
    RString operator=(const char* text);  // null gives the empty state
    RString operator=(const RHashedString& name);

    // In-place appends: a new buffer of both lengths plus one, left part first. A null C text changes nothing.
    RString operator+=(const RString& other);
    RString operator+=(const char* text);
    RString operator+=(const RHashedString& name);

    // Concatenations into a new string; a null C text gives a copy of this string.
    RString operator+(const RString& other) const;
    RString operator+(const char* text) const;
    RString operator+(const RHashedString& name) const;

    // strcmp / strcasecmp of the texts (stopping at the first zero byte). A null C text equals a string exactly
    // when the string's length is 0 (so a cleared string does not equal it).
    bool Equals(const RString& other) const;
    bool Equals(const RHashedString& name) const;
    bool Equals(const char* text) const;
    bool EqualsNoCase(const RString& other) const;
    bool EqualsNoCase(const RHashedString& name) const;
    bool EqualsNoCase(const char* text) const;
    bool NotEquals(const RString& other) const;
    bool NotEquals(const RHashedString& name) const;
    bool NotEquals(const char* text) const;
    // Case-sensitive equality, as Equals; for containers and tests.
    bool operator==(const RString& other) const { return Equals(other); }
    bool operator!=(const RString& other) const { return NotEquals(other); }

    // The first (Left) or last (Right) n characters; a negative n is first increased by the length, then n is
    // clamped to 0 .. length.
    RString Left(int n) const;
    RString Right(int n) const;
    // count characters from start; start is clamped to 0 .. length, count to 0 .. length - start.
    RString Mid(int start, int count) const;
    // A copy without leading and trailing blanks (bytes 9-13 and 32).
    RString Trim() const;
    // Index of the first occurrence of needle at or after start, or -1. An empty needle or a start outside
    // 0 .. length - 1 gives -1.
    int Find(const RString& needle, int start = 0) const;
    // Cuts the text at every non-overlapping occurrence of separator (leftmost first) and fills out with the
    // pieces, empty ones included; returns their number (matches + 1). An empty separator gives 0 and an empty
    // out. out's minimum capacity is used to pre-size it and restored afterwards. This string and separator may
    // be elements of out.
    int Split(const RString& separator, RUtilVector<RString>& out) const;
    // The pieces of Split(search) joined with replacement; an empty search gives the empty string.
    RString Replace(const RString& search, const RString& replacement) const;
    // Every backslash-n pair becomes one line feed.
    RString UnescapeNewlines() const;
    // Each "<img>set:glyph<img>" becomes 9 bytes: 0x7F, then the case-insensitive ids of set and glyph as
    // 32-bit little-endian integers (a missing part gives the empty id). The result may hold zero bytes: use
    // its length.
    RString ExpandImgMarkup() const;
    // A copy without any character that occurs in set.
    RString RemoveChars(const RString& set) const;
    // A copy keeping only A-Z, a-z, 0-9 and underscore.
    RString KeepIdentifierChars() const;
    // A copy fit to print when the text may come from a file (a name in a saved game, a pack, a map): each control
    // character is written as a backslash, "x" and two lower-case hex digits, so that it can neither steer a
    // terminal nor start an inline glyph of the text renderer. Escaped are the bytes below 32 but the line feed,
    // which lays out multi-line messages; byte 127, the renderer's inline-glyph code; and the C1 controls as
    // UTF-8 writes them, 0xC2 followed by 0x80-0x9F (both bytes). Stops at the first zero byte; the copy holds
    // only as much of the text as fits the longest string.
    RString EscapeControls() const;
    RString ToUpper() const;  // a-z to A-Z only
    RString ToLower() const;  // A-Z to a-z only
    // Trim, ToLower, then atoi / atof / StringToBool; text without a number gives 0.
    int ToInt() const;
    float ToFloat() const;
    bool ToBool() const;

    // The text, zero-terminated; never null (a cleared string gives ""). Valid until the string changes.
    const char* GetString() const { return m_text ? m_text : ""; }
    // The number of bytes; -1 for a cleared string.
    int GetLength() const { return m_length; }
    // True for the empty and the cleared state.
    bool IsEmpty() const { return m_length <= 0; }

private:
    // The readable length: 0 for a cleared string.
    int ReadLength() const { return m_length > 0 ? m_length : 0; }
    // Frees the text when it is owned (neither null nor the shared empty buffer).
    void FreeText();
    // Takes ownership of a new array-new buffer of length + 1 bytes, freeing the old text afterwards.
    void Adopt(char* buffer, int length);
    // The pieces of Split joined with joiner.
    RString JoinPieces(const RString& separator, const RString& joiner) const;

    char* m_text;
    int32_t m_length;
};

// djb2 over signed bytes: h = 5381, h = h * 33 + c (wrapping). The empty text gives 5381.
uint32_t DJB2Hash(const char* text);
// djb2 with A-Z folded to a-z: the hash of interned names.
uint32_t DJB2HashNoCase(const char* text);
// The ELF (PJW) hash over signed bytes.
uint32_t ElfHash(const char* text);
// A new copy of the first min(strlen, maxLength) characters (all when maxLength is negative); null for null.
char* StringDuplicate(const char* text, int maxLength = -1);
// A new buffer holding a then b; null when either is null.
char* StringConcat(const char* a, const char* b);
// A new buffer of aLength + bLength + 1 bytes: aLength bytes of a, bLength bytes of b, a zero; inner zero bytes
// survive. Null when either pointer is null.
char* StringConcatCounted(const char* a, int aLength, const char* b, int bLength);
// A new buffer holding only the letters, digits and underscores of text, A-Z folded to a-z; null for null.
char* StringToIdentifier(const char* text);
// Writes StringToIdentifier(text) over text (the old bytes are zeroed first).
void MakeIdentifierInPlace(char* text);
// True for "true", "t", "yes", "y", "on", false for "false", "f", "no", "n", "off" (any case); otherwise
// atoi(text) != 0. A null text gives false.
bool StringToBool(const char* text);
// '0'-'9' give 0-9, 'A'-'F' and 'a'-'f' give 10-15, anything else -1.
int HexDigitValue(char c);
// The number of letters the decimal digit d takes in a Roman numeral (0 for anything outside 0-9).
int RomanDigitLength(int digit);
// The number of letters of the Roman numeral of n; 0 for n < 1.
int RomanNumeralLength(int n);
// The Roman numeral of n in subtractive form for 1 <= n <= 3999; the empty string otherwise. Re-entrant.
RString ToRomanNumeral(int n);
