#include "core/RLexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Tokens(const RUtilVector<RString>& out)
{
    std::vector<std::string> tokens;
    for (const RString& token : out)
        tokens.emplace_back(token.GetString(), static_cast<size_t>(token.GetLength()));
    return tokens;
}

std::vector<std::string> Tokenize(const char* text, int* words = nullptr)
{
    RUtilVector<RString> out;
    int n = TokenizeText(RString(text), out);
    if (words)
        *words = n;
    return Tokens(out);
}

using Strings = std::vector<std::string>;

class Lexer : public ::testing::Test {
protected:
    void SetUp() override { BuildLexerOperatorTable(); }
};

}  // namespace

TEST_F(Lexer, LongestOperatorWins)
{
    EXPECT_EQ(Tokenize("a+=b"), (Strings{"a", "+=", "b"}));
    EXPECT_EQ(Tokenize("x<<=2"), (Strings{"x", "<<=", "2"}));
    EXPECT_EQ(Tokenize("a**b"), (Strings{"a", "**", "b"}));
    EXPECT_EQ(Tokenize("a**=b"), (Strings{"a", "**=", "b"}));
    EXPECT_EQ(Tokenize("i++;"), (Strings{"i", "++", ";"}));
    EXPECT_EQ(Tokenize("#if!x"), (Strings{"#", "if", "!", "x"}));
    EXPECT_EQ(Tokenize("a&&b||c^^d"), (Strings{"a", "&&", "b", "||", "c", "^^", "d"}));
    EXPECT_EQ(Tokenize("a>=b!=c==d"), (Strings{"a", ">=", "b", "!=", "c", "==", "d"}));
    // An operator longer than the rest of the word is not tried past its end.
    EXPECT_EQ(Tokenize("a<"), (Strings{"a", "<"}));
}

TEST_F(Lexer, NumbersAndIdentifiers)
{
    EXPECT_EQ(Tokenize("f(1, -2.5f)"), (Strings{"f", "(", "1", ",", "-2.5f", ")"}));
    EXPECT_EQ(Tokenize("_a1_b2 .5 -.5 -x"), (Strings{"_a1_b2", ".5", "-.5", "-", "x"}));
    EXPECT_EQ(Tokenize("1.2.3"), (Strings{"1.2.3"}));
    EXPECT_EQ(Tokenize("1-2"), (Strings{"1", "-2"}));
    EXPECT_EQ(Tokenize("2.0fy"), (Strings{"2.0f", "y"}));
    EXPECT_EQ(Tokenize("1e5"), (Strings{"1", "e5"}));
    // A lone minus or point at the end of a word is an operator; nothing is read past the word.
    EXPECT_EQ(Tokenize("a- b."), (Strings{"a", "-", "b", "."}));
    EXPECT_EQ(Tokenize("-. 5"), (Strings{"-", ".", "5"}));
}

TEST_F(Lexer, HexNumbersTakeOnlyDigitsAndF)
{
    EXPECT_EQ(Tokenize("0xff"), (Strings{"0xff"}));
    EXPECT_EQ(Tokenize("0xab"), (Strings{"0x", "ab"}));
    EXPECT_EQ(Tokenize("0x1F+0x12f"), (Strings{"0x1", "F", "+", "0x12f"}));
    // After the hexadecimal marker a further x ends the number.
    EXPECT_EQ(Tokenize("0x1fx"), (Strings{"0x1f", "x"}));
    // In a decimal number a-e are not digits, and f is a suffix.
    EXPECT_EQ(Tokenize("12ab"), (Strings{"12", "ab"}));
    EXPECT_EQ(Tokenize("3fa"), (Strings{"3f", "a"}));
}

TEST_F(Lexer, QuotedStretchesStayWhole)
{
    int words = 0;
    EXPECT_EQ(Tokenize("say \"two words\";", &words), (Strings{"say", "\"two words\"", ";"}));
    EXPECT_EQ(words, 2);
    EXPECT_EQ(Tokenize("'it\"s' x"), (Strings{"'it\"s'", "x"}));
    // A backslash does not escape the quote.
    EXPECT_EQ(Tokenize("\"a\\\"b\""), (Strings{"\"a\\\"", "b", "\""}));
    // An unclosed quote runs to the end of the text.
    EXPECT_EQ(Tokenize("x \"open ended", &words), (Strings{"x", "\"open ended"}));
    EXPECT_EQ(words, 2);
    // A quote at the very end of a word.
    EXPECT_EQ(Tokenize("ab\""), (Strings{"ab", "\""}));
}

TEST_F(Lexer, WordCountAndSkippedCharacters)
{
    int words = 0;
    EXPECT_EQ(Tokenize("a b", &words), (Strings{"a", "b"}));
    EXPECT_EQ(words, 2);
    EXPECT_EQ(Tokenize("a+b", &words), (Strings{"a", "+", "b"}));
    EXPECT_EQ(words, 1);
    EXPECT_EQ(Tokenize("a  b", &words), (Strings{"a", "b"}));
    EXPECT_EQ(words, 3);
    EXPECT_EQ(Tokenize("", &words), Strings{});
    EXPECT_EQ(words, 1);
    EXPECT_EQ(Tokenize("a\tb\nc\rd\ve\ff", &words), (Strings{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(words, 6);
    EXPECT_EQ(Tokenize("a@b $ `"), (Strings{"a", "b"}));
    // Bytes above 127 are no letters.
    EXPECT_EQ(Tokenize("\xe9t\xe9"), (Strings{"t"}));
}

TEST_F(Lexer, OutputVectorIsEmptiedAndItsMinimumKept)
{
    RUtilVector<RString> out;
    out.push(RString("old"));
    out.setMinAllocLength(2);
    EXPECT_EQ(TokenizeText(RString("a b c d e"), out), 5);
    EXPECT_EQ(Tokens(out), (Strings{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(out.getMinCapacity(), 2u);
    // TokenizeWord appends without emptying.
    TokenizeWord(RString("x+y z"), out);
    EXPECT_EQ(Tokens(out), (Strings{"a", "b", "c", "d", "e", "x", "+", "y", "z"}));
}

TEST_F(Lexer, ClearedTextReadsAsEmpty)
{
    RUtilVector<RString> out;
    RString cleared("abc");
    cleared.Clear();
    EXPECT_EQ(TokenizeText(cleared, out), 1);
    EXPECT_EQ(out.getCount(), 0u);
    EXPECT_EQ(StripBlockComments(cleared).GetLength(), 0);
    EXPECT_EQ(StripLineComments(cleared).GetLength(), 0);
}

TEST(LexerTable, EmptyTableSkipsOperators)
{
    RUtilVector<RString> none;
    SetLexerOperatorTable(none);
    EXPECT_EQ(Tokenize("a+=b;c"), (Strings{"a", "b", "c"}));

    // A table of one's own is sorted longest first.
    RUtilVector<RString> custom;
    custom.push(RString("-"));
    custom.push(RString("->"));
    custom.push(RString("-->"));
    SetLexerOperatorTable(custom);
    EXPECT_EQ(Tokenize("a->b-->c-d"), (Strings{"a", "->", "b", "-->", "c", "-", "d"}));

    BuildLexerOperatorTable();
    EXPECT_EQ(Tokenize("a->b"), (Strings{"a", "-", ">", "b"}));
}

TEST(LexerComments, BlockComments)
{
    auto strip = [](const char* text) { return std::string(StripBlockComments(RString(text)).GetString()); };
    EXPECT_EQ(strip("a/*x*/b"), "ab");
    EXPECT_EQ(strip("a/*x"), "a");
    EXPECT_EQ(strip("no comments here"), "no comments here");
    EXPECT_EQ(strip(""), "");
    EXPECT_EQ(strip("a/*/b"), "a");               // the opening star does not close it
    EXPECT_EQ(strip("a/**/b/* x */c"), "abc");
    EXPECT_EQ(strip("a/* /* */b*/"), "ab*/");     // no nesting
    EXPECT_EQ(strip("a/"), "a/");
    EXPECT_EQ(strip("a/*x*"), "a");
    EXPECT_EQ(strip("x*/y"), "x*/y");
}

TEST(LexerComments, LineComments)
{
    auto strip = [](const char* text) { return std::string(StripLineComments(RString(text)).GetString()); };
    EXPECT_EQ(strip("a // x\nb"), "a \nb");
    EXPECT_EQ(strip("a // x"), "a ");
    EXPECT_EQ(strip("a\n//1\n//2\nb"), "a\n\n\nb");
    EXPECT_EQ(strip("a / b"), "a / b");
    EXPECT_EQ(strip("a/"), "a/");
    EXPECT_EQ(strip("//"), "");
    EXPECT_EQ(strip("a/* b */c"), "a/* b */c");
}
