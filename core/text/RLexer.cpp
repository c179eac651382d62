#include "core/text/RLexer.h"

#include <cstring>

namespace {

// Operator texts, longest first. Empty until BuildLexerOperatorTable; freed at process exit.
RUtilVector<RString> s_operators;

const char* const kOperators[] = {
    ";",  "(",  ")",  "{",  "}",  "[",   "]",  "?",  ":",  "=",  ",",  ".",  "+",   "-",   "*",  "/",  "%",
    "**", "+=", "-=", "*=", "/=", "%=",  "**=", "++", "--", "&",  "|",  "^",  "~",   "<<",  ">>", "&=", "|=",
    "^=", "~=", "<<=", ">>=", "&&", "||", "^^", "!",  "<",  ">",  "!=", "<=", ">=",  "==",  "#"};

int LongerFirst(const RString* a, const RString* b, void*)
{
    return b->GetLength() - a->GetLength();
}

// The characters of a string up to its first zero byte (the per-character view of a text).
size_t TextLength(const RString& s)
{
    int length = s.GetLength();
    return length > 0 ? strnlen(s.GetString(), static_cast<size_t>(length)) : 0;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentifierChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsQuote(char c) { return c == '"' || c == '\''; }

// Builds a string from a buffer of at most length bytes into which kept pieces are copied.
class TextBuilder {
public:
    explicit TextBuilder(size_t capacity) : m_buffer(new char[capacity + 1]) {}
    ~TextBuilder() { delete[] m_buffer; }
    TextBuilder(const TextBuilder&) = delete;
    TextBuilder& operator=(const TextBuilder&) = delete;

    void Append(const char* text, size_t n)
    {
        std::memcpy(m_buffer + m_length, text, n);
        m_length += n;
    }
    RString Finish() const { return RString(m_buffer, static_cast<int>(m_length)); }

private:
    char* m_buffer;
    size_t m_length = 0;
};

// Length of the number token at the start of s (n characters available; s[0] starts a number).
size_t NumberLength(const char* s, size_t n)
{
    bool hex = false;
    bool suffixed = false;  // a decimal f suffix was taken: only an x may follow
    size_t i = 0;
    for (; i < n; ++i) {
        char c = s[i];
        if (c == 'x' && !hex) {
            if (i == 1 && s[0] == '0')
                hex = true;
            continue;
        }
        if (suffixed)
            break;
        if (IsDigit(c) || c == '.' || (c == '-' && i == 0))
            continue;
        if (hex && c == 'f')  // the one letter a hexadecimal number takes as a digit
            continue;
        if (c == 'f') {
            suffixed = true;
            continue;
        }
        break;
    }
    return i;
}

// Appends the tokens of the n characters at s.
void TokenizeChars(const char* s, size_t n, RUtilVector<RString>& out)
{
    size_t i = 0;
    while (i < n) {
        const char c = s[i];
        const size_t rest = n - i;
        size_t length = 0;
        if (IsLetter(c) || c == '_') {
            length = 1;
            while (length < rest && IsIdentifierChar(s[i + length]))
                ++length;
        } else if (IsQuote(c)) {
            const void* close = rest > 1 ? std::memchr(s + i + 1, c, rest - 1) : nullptr;
            length = close ? static_cast<size_t>(static_cast<const char*>(close) - (s + i)) + 1 : rest;
        } else if (IsDigit(c) || (c == '-' && rest > 1 && IsDigit(s[i + 1])) ||
                   (c == '-' && rest > 2 && s[i + 1] == '.' && IsDigit(s[i + 2])) ||
                   (c == '.' && rest > 1 && IsDigit(s[i + 1]))) {
            length = NumberLength(s + i, rest);
        } else {
            for (const RString& op : s_operators) {
                size_t opLength = TextLength(op);
                if (opLength > 0 && opLength <= rest && std::memcmp(op.GetString(), s + i, opLength) == 0) {
                    length = opLength;
                    break;
                }
            }
            if (length == 0) {
                ++i;  // no token starts here
                continue;
            }
        }
        out.push(RString(s + i, static_cast<int>(length)));
        i += length;
    }
}

}  // namespace

void BuildLexerOperatorTable()
{
    RUtilVector<RString> operators;
    for (const char* op : kOperators)
        operators.push(RString(op));
    SetLexerOperatorTable(operators);
}

void SetLexerOperatorTable(const RUtilVector<RString>& operators)
{
    s_operators.copyFrom(operators);
    s_operators.sort(LongerFirst, nullptr);
}

RString StripBlockComments(const RString& text)
{
    const char* s = text.GetString();
    const size_t n = TextLength(text);
    TextBuilder result(n);
    size_t copyFrom = 0;
    size_t i = 0;
    while (i + 1 < n) {
        if (s[i] == '/' && s[i + 1] == '*') {
            result.Append(s + copyFrom, i - copyFrom);
            // The star of the opening pair does not close the comment.
            size_t j = i + 2;
            while (j + 1 < n && !(s[j] == '*' && s[j + 1] == '/'))
                ++j;
            if (j + 1 >= n)
                return result.Finish();  // unclosed: the rest is comment
            copyFrom = i = j + 2;
        } else {
            ++i;
        }
    }
    result.Append(s + copyFrom, n - copyFrom);
    return result.Finish();
}

RString StripLineComments(const RString& text)
{
    const char* s = text.GetString();
    const size_t n = TextLength(text);
    TextBuilder result(n);
    size_t copyFrom = 0;
    size_t i = 0;
    while (i + 1 < n) {
        if (s[i] == '/' && s[i + 1] == '/') {
            result.Append(s + copyFrom, i - copyFrom);
            const void* lineFeed = std::memchr(s + i, '\n', n - i);
            if (!lineFeed)
                return result.Finish();
            copyFrom = i = static_cast<size_t>(static_cast<const char*>(lineFeed) - s);  // the line feed stays
        } else {
            ++i;
        }
    }
    result.Append(s + copyFrom, n - copyFrom);
    return result.Finish();
}

int TokenizeText(const RString& text, RUtilVector<RString>& out)
{
    if (out.holdsAddress(&text)) {
        const RString copy(text);
        return TokenizeText(copy, out);
    }
    const char* s = text.GetString();
    const size_t n = TextLength(text);

    // Word breaks: blanks outside quotes, and the end of the text.
    uint32_t breaks = 1;
    char quote = 0;
    for (size_t i = 0; i < n; ++i) {
        if (quote) {
            if (s[i] == quote)
                quote = 0;
        } else if (IsQuote(s[i])) {
            quote = s[i];
        } else if (IsBlank(s[i])) {
            ++breaks;
        }
    }

    const uint32_t savedMinimum = out.getMinCapacity();
    out.clear();
    out.setMinAllocLength(breaks);

    size_t wordStart = 0;
    quote = 0;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n) {
            if (quote) {
                if (s[i] == quote)
                    quote = 0;
                continue;
            }
            if (IsQuote(s[i])) {
                quote = s[i];
                continue;
            }
            if (!IsBlank(s[i]))
                continue;
        }
        TokenizeChars(s + wordStart, i - wordStart, out);
        wordStart = i + 1;
    }

    out.setMinAllocLength(savedMinimum);
    return static_cast<int>(breaks);
}

void TokenizeWord(const RString& word, RUtilVector<RString>& out)
{
    if (out.holdsAddress(&word)) {
        const RString copy(word);
        TokenizeWord(copy, out);
        return;
    }
    TokenizeChars(word.GetString(), TextLength(word), out);
}
