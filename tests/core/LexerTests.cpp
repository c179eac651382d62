#include "core/text/RLexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

Strings Tokens(const RUtilVector<RString>& out)
{
    Strings tokens;
    for (const RString& token : out)
        tokens.emplace_back(token.GetString(), static_cast<size_t>(token.GetLength()));
    return tokens;
}

Strings Tokenize(const char* text, int* words = nullptr)
{
    RUtilVector<RString> out;
    int n = TokenizeText(RString(text), out);
    if (words)
        *words = n;
    return Tokens(out);
}

TEST(Lexer, TokensAndWordCounts)
{
    BuildLexerOperatorTable();
    struct Case {
        const char* text;
        Strings tokens;
        int words;
    } cases[] = {
        // The longest operator wins; one longer than the rest of the word is not tried past its end.
        {"a+=b", {"a", "+=", "b"}, 1},
        {"a&&b||c^^d", {"a", "&&", "b", "||", "c", "^^", "d"}, 1},
        {"a<", {"a", "<"}, 1},
        // Numbers: a sign or point starts one, f is a suffix, and after 0x only digits and f.
        {"f(1, -2.5f)", {"f", "(", "1", ",", "-2.5f", ")"}, 2},
        {"1.2.3 1-2 2.0fy 1e5", {"1.2.3", "1", "-2", "2.0f", "y", "1", "e5"}, 4},
        {"-. 5", {"-", ".", "5"}, 2},
        {"0x1F+0x12f 0x1fx", {"0x1", "F", "+", "0x12f", "0x1f", "x"}, 2},
        // Quotes keep their stretch whole, without escapes; an unclosed one runs to the end.
        {"say \"two words\";", {"say", "\"two words\"", ";"}, 2},
        {"\"a\\\"b\"", {"\"a\\\"", "b", "\""}, 1},
        {"x \"open ended", {"x", "\"open ended"}, 2},
        // Blanks separate words (each one counts); other characters and bytes above 127 are skipped.
        {"a  b", {"a", "b"}, 3},
        {"a\tb\nc\rd\ve\ff", {"a", "b", "c", "d", "e", "f"}, 6},
        {"\xe9t\xe9", {"t"}, 1},
    };
    for (const Case& c : cases) {
        int words = 0;
        EXPECT_EQ(Tokenize(c.text, &words), c.tokens) << c.text;
        EXPECT_EQ(words, c.words) << c.text;
    }
}

TEST(Lexer, OutputVectorAndClearedText)
{
    BuildLexerOperatorTable();
    RUtilVector<RString> out;
    out.push(RString("old"));
    out.setMinAllocLength(2);
    EXPECT_EQ(TokenizeText(RString("a b c"), out), 3);
    EXPECT_EQ(out.getMinCapacity(), 2u);
    TokenizeWord(RString("x+y z"), out);  // appends without emptying
    EXPECT_EQ(Tokens(out), (Strings{"a", "b", "c", "x", "+", "y", "z"}));

    RString cleared("abc");
    cleared.Clear();
    EXPECT_EQ(TokenizeText(cleared, out), 1);
    EXPECT_EQ(out.getCount(), 0u);
    EXPECT_EQ(StripBlockComments(cleared).GetLength(), 0);
    EXPECT_EQ(StripLineComments(cleared).GetLength(), 0);

    // A text that is one of the output's own elements is still read whole while the output is overwritten.
    out.clear();
    out.push(RString("alpha+beta gamma"));
    EXPECT_EQ(TokenizeText(out[0], out), 2);
    EXPECT_EQ(Tokens(out), (Strings{"alpha", "+", "beta", "gamma"}));
    TokenizeWord(out[0], out);  // the appends reallocate the array that holds the word
    EXPECT_EQ(Tokens(out), (Strings{"alpha", "+", "beta", "gamma", "alpha"}));
}

TEST(Lexer, Comments)
{
    const std::pair<const char*, const char*> block[] = {
        {"a/*x", "a"}, {"a/*/b", "a"}, {"a/**/b/* x */c", "abc"}, {"a/* /* */b*/", "ab*/"}, {"a/", "a/"}, {"a/*x*", "a"}};
    for (const auto& c : block)
        EXPECT_EQ(std::string(StripBlockComments(RString(c.first)).GetString()), c.second) << c.first;
    const std::pair<const char*, const char*> line[] = {
        {"a // x\nb", "a \nb"}, {"a\n//1\n//2\nb", "a\n\n\nb"}, {"a/", "a/"}, {"//", ""}};
    for (const auto& c : line)
        EXPECT_EQ(std::string(StripLineComments(RString(c.first)).GetString()), c.second) << c.first;
}

}  // namespace
