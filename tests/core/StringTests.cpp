#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

namespace {

std::string Bytes(const RString& s) { return std::string(s.GetString(), s.GetLength() > 0 ? s.GetLength() : 0); }

}  // namespace

TEST(RStringState, EmptyFromDefaultAndNull) {
    RString a;
    RString b(nullptr);
    for (const RString* s : {&a, &b}) {
        EXPECT_EQ(s->GetLength(), 0);
        EXPECT_TRUE(s->Equals(static_cast<const char*>(nullptr)));
    }
    a.Clear();  // the shared empty buffer must not be freed (ASan would report it)
    EXPECT_EQ(a.GetLength(), -1);
}

TEST(RStringState, ClearedStringReadsAsEmpty) {
    RString s("abc");
    s.Clear();
    EXPECT_EQ(s.GetLength(), -1);
    EXPECT_STREQ(s.GetString(), "");
    EXPECT_FALSE(s.Equals(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(s.Equals(""));

    // Concatenation treats it as empty: never a null text with a positive length.
    RString appended = s;
    appended += "xyz";
    EXPECT_EQ(appended.GetLength(), 3);
    EXPECT_STREQ(appended.GetString(), "xyz");
    EXPECT_EQ((s + static_cast<const char*>(nullptr)).GetLength(), 0);

    // Pieces and searches of a cleared string read the empty text.
    EXPECT_EQ(s.Right(-1).GetLength(), 0);
    EXPECT_EQ(s.Trim().GetLength(), 0);
    RUtilVector<RString> pieces;
    EXPECT_EQ(RString("a,b").Split(s, pieces), 0);
    EXPECT_EQ(pieces.getCount(), 0u);
}

TEST(RStringState, CountedConstructorNeverReadsPastItsCount) {
    // A buffer with no terminating zero: only the first 4 bytes may be read.
    char* raw = new char[4];
    memcpy(raw, "wxyz", 4);
    RString counted(raw, 4);
    delete[] raw;
    EXPECT_EQ(Bytes(counted), "wxyz");

    EXPECT_EQ(RString("ab", 10).GetLength(), 2);
}

TEST(RStringState, AssignmentFromItselfOrItsOwnText) {
    RString s("hello world");
    RString& alias = s;
    s = alias;
    EXPECT_EQ(Bytes(s), "hello world");
    s = s.GetString() + 6;
    EXPECT_EQ(Bytes(s), "world");
    s += s;
    EXPECT_EQ(Bytes(s), "worldworld");
    s += s.GetString() + 5;
    EXPECT_EQ(Bytes(s), "worldworldworld");
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s.GetLength(), 0);
}

TEST(RStringState, CopiesKeepInnerZeroBytes) {
    // Image escapes hold zero bytes: copies, assignments and appends go by the length, not by strlen.
    RString escaped = RString("x<img>a:b<img>").ExpandImgMarkup();
    ASSERT_EQ(escaped.GetLength(), 10);
    RString copy(escaped);
    ASSERT_EQ(copy.GetLength(), escaped.GetLength());
    EXPECT_EQ(memcmp(copy.GetString(), escaped.GetString(), copy.GetLength()), 0);
    RString appended = escaped + RString("!");
    ASSERT_EQ(appended.GetLength(), 11);
    EXPECT_EQ(appended.GetString()[10], '!');
}

TEST(RStringPieces, OutOfRangePiecesAndSearchesStayInside) {
    RString s("hello");
    const std::pair<RString, const char*> pieces[] = {
        {s.Left(-2), "hel"},  {s.Left(10), "hello"}, {s.Left(-10), ""},  {s.Right(2), "lo"},
        {s.Right(10), "hello"}, {s.Right(-1), "ello"}, {s.Mid(1, 3), "ell"}, {s.Mid(3, 10), "lo"},
        {s.Mid(-5, 2), "he"}, {s.Mid(9, 2), ""},     {s.Mid(1, -1), ""}};
    for (const auto& piece : pieces) EXPECT_EQ(Bytes(piece.first), piece.second);
    // The terminating zero and offsets outside the text are never searched.
    const std::pair<int, int> found[] = {{s.Find(RString("lo"), 3), 3}, {s.Find(RString("lo"), 4), -1},
                                         {s.Find(RString(""), 0), -1},  {s.Find(RString("h"), 5), -1},
                                         {s.Find(RString("h"), 100), -1}, {s.Find(RString("h"), -1), -1},
                                         {RString().Find(RString("a"), 0), -1}};
    for (const auto& f : found) EXPECT_EQ(f.first, f.second);
}

TEST(RStringPieces, Split) {
    // Leftmost, non-overlapping matches; an empty separator gives nothing.
    const struct {
        const char* text;
        const char* separator;
        std::vector<std::string> pieces;
    } cases[] = {{"a::b", "::", {"a", "b"}}, {"a::b", ":", {"a", "", "b"}}, {"a,", ",", {"a", ""}},
                 {"", ",", {""}},            {"aaaaa", "aa", {"", "", "a"}}, {"a,b", "", {}}};
    for (const auto& c : cases) {
        RUtilVector<RString> out;
        out.push(RString("stale"));
        EXPECT_EQ(RString(c.text).Split(RString(c.separator), out), (int)c.pieces.size()) << c.text;
        std::vector<std::string> got;
        for (const RString& piece : out) got.push_back(Bytes(piece));
        EXPECT_EQ(got, c.pieces) << c.text << " / " << c.separator;
    }

    // The text or the separator may be one of out's own elements, which emptying and filling out overwrite.
    RUtilVector<RString> out;
    out.push(RString("a long first line, split in place"));
    out.push(RString(", "));
    for (int i = 0; i < 6; ++i) out.push(RString("filler"));
    EXPECT_EQ(out[0].Split(out[1], out), 2);
    ASSERT_EQ(out.getCount(), 2u);
    EXPECT_EQ(Bytes(out[0]), "a long first line");
    EXPECT_EQ(Bytes(out[1]), "split in place");
}

TEST(RStringPieces, ExpandImgMarkup) {
    RString expanded = RString("x<img>a:b<img>").ExpandImgMarkup();
    uint32_t a = RHashedString("a").GetId();
    uint32_t b = RHashedString("b").GetId();
    ASSERT_EQ(expanded.GetLength(), 10);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(expanded.GetString());
    EXPECT_EQ(p[0], 'x');
    EXPECT_EQ(p[1], 0x7F);
    EXPECT_EQ(p[2] | (p[3] << 8) | (p[4] << 16) | (uint32_t(p[5]) << 24), a);
    EXPECT_EQ(p[6] | (p[7] << 8) | (p[8] << 16) | (uint32_t(p[9]) << 24), b);

    // A missing glyph part gives the empty id; parts after a second colon are ignored.
    RString missing = RString("<img>set<img>").ExpandImgMarkup();
    ASSERT_EQ(missing.GetLength(), 9);
    const unsigned char* m = reinterpret_cast<const unsigned char*>(missing.GetString());
    EXPECT_EQ(m[5] | (m[6] << 8) | (m[7] << 16) | (uint32_t(m[8]) << 24), RHashedString::kEmptyId);
    RString extra = RString("<img>a:b:c<img>").ExpandImgMarkup();
    ASSERT_EQ(extra.GetLength(), 9);
    EXPECT_EQ(memcmp(extra.GetString(), expanded.GetString() + 1, 9), 0);
}

// A name read from a file prints as text: nothing of it can steer a terminal or start an inline glyph.
TEST(RStringPieces, EscapeControlsShowsEveryControlCharacterButTheLineFeed) {
    const std::pair<RString, const char*> cases[] = {
        {RString("\x1b]0;pwned\x07\x1b[2J"), "\\x1b]0;pwned\\x07\\x1b[2J"},
        {RString("a\tb\rc\nd"), "a\\x09b\\x0dc\nd"},
        {RString("\x01\x1f \x7f~"), "\\x01\\x1f \\x7f~"},
        // The C1 controls as UTF-8 writes them; other UTF-8 and single high bytes are text.
        {RString("\xc2\x9b" "2J \xc2\x80\xc2\x9f"), "\\xc2\\x9b" "2J \\xc2\\x80\\xc2\\x9f"},
        {RString("\xc2\xa9 \x9b \xe2\x82\xac \xc2"), "\xc2\xa9 \x9b \xe2\x82\xac \xc2"},
        {RString("plain text"), "plain text"},
        {RString(), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Bytes(c.first.EscapeControls()), c.second);
    RString cleared("x");
    cleared.Clear();
    EXPECT_EQ(cleared.EscapeControls().GetLength(), 0);
    // What was escaped once holds no control character: a second escape changes nothing.
    const RString once = RString("\x1b[2J\x7f").EscapeControls();
    EXPECT_EQ(Bytes(once.EscapeControls()), Bytes(once));
}

TEST(RStringCText, Hashes) {
    EXPECT_EQ(DJB2Hash("\xe9"), 5381u * 33 - 23);  // bytes are signed
    EXPECT_EQ(DJB2HashNoCase("\xc9"), DJB2Hash("\xc9"));  // only A-Z fold
    EXPECT_EQ(DJB2HashNoCase("NULL") & 0x3FF, RHashedString::kEmptyId);
    EXPECT_EQ(ElfHash("\x80"), 0x0FFFFF70u);
    EXPECT_LT(ElfHash("a rather long text to push bits past the top"), 1u << 28);
}

TEST(RStringCText, RomanNumerals) {
    for (const auto& c : {std::make_pair(1994, "MCMXCIV"), std::make_pair(3888, "MMMDCCCLXXXVIII")}) {
        EXPECT_EQ(Bytes(ToRomanNumeral(c.first)), c.second);
        EXPECT_EQ(RomanNumeralLength(c.first), (int)strlen(c.second));
    }
    // Out of range gives the empty text, never the previous result.
    for (int outside : {0, 4000, -5}) EXPECT_EQ(ToRomanNumeral(outside).GetLength(), 0);
    EXPECT_EQ(RomanNumeralLength(0), 0);
}
