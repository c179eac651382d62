#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/RHashedString.h"
#include "core/RString.h"
#include "core/RUtilVector.h"

namespace {

std::string Bytes(const RString& s) { return std::string(s.GetString(), s.GetLength() > 0 ? s.GetLength() : 0); }

std::string Piece(const RUtilVector<RString>& pieces, uint32_t i) { return Bytes(pieces[i]); }

}  // namespace

TEST(RStringState, EmptyFromDefaultAndNull) {
    RString a;
    RString b(nullptr);
    for (const RString* s : {&a, &b}) {
        EXPECT_EQ(s->GetLength(), 0);
        EXPECT_TRUE(s->Equals(""));
        EXPECT_TRUE(s->Equals(static_cast<const char*>(nullptr)));
        EXPECT_TRUE(s->EqualsNoCase(static_cast<const char*>(nullptr)));
        EXPECT_FALSE(s->NotEquals(static_cast<const char*>(nullptr)));
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
    EXPECT_TRUE(s.NotEquals(static_cast<const char*>(nullptr)));
    EXPECT_TRUE(s.Equals(""));
    EXPECT_TRUE(s.Equals(RString()));

    RString copy(s);
    EXPECT_EQ(copy.GetLength(), -1);
    RString assigned("x");
    assigned = s;
    EXPECT_EQ(assigned.GetLength(), -1);

    // Concatenation treats it as empty: never a null text with a positive length.
    RString appended = s;
    appended += "xyz";
    EXPECT_EQ(appended.GetLength(), 3);
    EXPECT_STREQ(appended.GetString(), "xyz");
    RString sum = s + RString("ab");
    EXPECT_EQ(Bytes(sum), "ab");
    RString sumNull = s + static_cast<const char*>(nullptr);
    EXPECT_EQ(sumNull.GetLength(), 0);
    RString other("q");
    other += s;
    EXPECT_EQ(Bytes(other), "q");

    // Pieces and searches of a cleared string read the empty text.
    EXPECT_EQ(s.Left(3).GetLength(), 0);
    EXPECT_EQ(s.Right(-1).GetLength(), 0);
    EXPECT_EQ(s.Mid(1, 2).GetLength(), 0);
    EXPECT_EQ(s.Trim().GetLength(), 0);
    EXPECT_EQ(s.Find(RString("a")), -1);
    EXPECT_EQ(s.ToUpper().GetLength(), 0);
    EXPECT_EQ(s.ToInt(), 0);
    RUtilVector<RString> pieces;
    EXPECT_EQ(s.Split(RString(","), pieces), 1);
    EXPECT_EQ(Piece(pieces, 0), "");
    EXPECT_EQ(RString("a,b").Split(s, pieces), 0);
    EXPECT_EQ(pieces.getCount(), 0u);
}

TEST(RStringState, CountedConstructorNeverReadsPastItsCount) {
    RString s("abcdef", 3);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(Bytes(RString(s)), "abc");

    // A buffer with no terminating zero: only the first 4 bytes may be read.
    char* raw = new char[4];
    memcpy(raw, "wxyz", 4);
    RString counted(raw, 4);
    delete[] raw;
    EXPECT_EQ(Bytes(counted), "wxyz");

    EXPECT_EQ(RString("ab", 10).GetLength(), 2);
    EXPECT_EQ(RString("ab", 0).GetLength(), 0);
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
    RString assigned;
    assigned = escaped;
    EXPECT_EQ(memcmp(assigned.GetString(), escaped.GetString(), assigned.GetLength()), 0);
    RString appended = escaped + RString("!");
    ASSERT_EQ(appended.GetLength(), 11);
    EXPECT_EQ(appended.GetString()[10], '!');
}

TEST(RStringCompare, CaseAndNames) {
    RString s("Hello");
    EXPECT_TRUE(s.Equals("Hello"));
    EXPECT_FALSE(s.Equals("hello"));
    EXPECT_TRUE(s.EqualsNoCase("hELLO"));
    EXPECT_TRUE(s.NotEquals(RString("Hell")));
    EXPECT_TRUE(RString("NULL").Equals(RHashedString()));
    RHashedString name("StrTestCompareName");
    EXPECT_TRUE(RString("strtestcomparename").EqualsNoCase(name));
    EXPECT_TRUE(RString("strtestcomparename").NotEquals(name));
    EXPECT_EQ(Bytes(RString(name)), "StrTestCompareName");
    RString assigned;
    assigned = name;
    EXPECT_EQ(Bytes(assigned + name), "StrTestCompareNameStrTestCompareName");
}

TEST(RStringPieces, LeftRightMid) {
    RString s("hello");
    EXPECT_EQ(Bytes(s.Left(-2)), "hel");
    EXPECT_EQ(Bytes(s.Left(10)), "hello");
    EXPECT_EQ(Bytes(s.Left(-10)), "");
    EXPECT_EQ(Bytes(s.Right(2)), "lo");
    EXPECT_EQ(Bytes(s.Right(10)), "hello");
    EXPECT_EQ(Bytes(s.Right(-1)), "ello");
    EXPECT_EQ(Bytes(s.Mid(1, 3)), "ell");
    EXPECT_EQ(Bytes(s.Mid(3, 10)), "lo");
    EXPECT_EQ(Bytes(s.Mid(-5, 2)), "he");
    EXPECT_EQ(Bytes(s.Mid(9, 2)), "");
    EXPECT_EQ(Bytes(s.Mid(1, -1)), "");
}

TEST(RStringPieces, Trim) {
    EXPECT_EQ(Bytes(RString(" \t\v\fx y\r\n").Trim()), "x y");
    EXPECT_EQ(RString(" \t\r\n ").Trim().GetLength(), 0);
    EXPECT_EQ(Bytes(RString("a").Trim()), "a");
}

TEST(RStringPieces, Find) {
    RString s("hello");
    EXPECT_EQ(s.Find(RString("lo"), 0), 3);
    EXPECT_EQ(s.Find(RString("lo"), 3), 3);
    EXPECT_EQ(s.Find(RString("lo"), 4), -1);
    EXPECT_EQ(s.Find(RString("l"), 3), 3);
    EXPECT_EQ(s.Find(RString(""), 0), -1);
    EXPECT_EQ(s.Find(RString("h"), 5), -1);    // the terminating zero
    EXPECT_EQ(s.Find(RString("h"), 100), -1);  // outside the text
    EXPECT_EQ(s.Find(RString("h"), -1), -1);
    EXPECT_EQ(RString().Find(RString("a"), 0), -1);
}

TEST(RStringPieces, Split) {
    RUtilVector<RString> out;
    EXPECT_EQ(RString("a::b").Split(RString("::"), out), 2);
    ASSERT_EQ(out.getCount(), 2u);
    EXPECT_EQ(Piece(out, 0), "a");
    EXPECT_EQ(Piece(out, 1), "b");

    EXPECT_EQ(RString("a::b").Split(RString(":"), out), 3);
    ASSERT_EQ(out.getCount(), 3u);
    EXPECT_EQ(Piece(out, 1), "");
    EXPECT_EQ(Piece(out, 2), "b");

    EXPECT_EQ(RString("a,").Split(RString(","), out), 2);
    EXPECT_EQ(Piece(out, 1), "");
    EXPECT_EQ(RString("").Split(RString(","), out), 1);
    EXPECT_EQ(Piece(out, 0), "");

    // Leftmost, non-overlapping matches.
    EXPECT_EQ(RString("aaaaa").Split(RString("aa"), out), 3);
    EXPECT_EQ(Piece(out, 2), "a");

    EXPECT_EQ(RString("a,b").Split(RString(""), out), 0);
    EXPECT_EQ(out.getCount(), 0u);
}

TEST(RStringPieces, SplitKeepsTheCallersMinimumCapacity) {
    RUtilVector<RString> out;
    out.setMinAllocLength(2);
    EXPECT_EQ(RString("1 2 3 4 5 6 7 8 9").Split(RString(" "), out), 9);
    EXPECT_EQ(out.getCount(), 9u);
    EXPECT_EQ(out.getMinCapacity(), 2u);
    EXPECT_GE(out.getCapacity(), 9u);
    EXPECT_EQ(Piece(out, 8), "9");
}

TEST(RStringPieces, ReplaceAndUnescape) {
    EXPECT_EQ(Bytes(RString("hello").Replace(RString("l"), RString("L"))), "heLLo");
    EXPECT_EQ(Bytes(RString("hello").Replace(RString("ll"), RString(""))), "heo");
    EXPECT_EQ(RString("hello").Replace(RString(""), RString("x")).GetLength(), 0);
    EXPECT_EQ(Bytes(RString("a\\nb\\n").UnescapeNewlines()), "a\nb\n");
    EXPECT_EQ(Bytes(RString("no escapes").UnescapeNewlines()), "no escapes");
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

    RString upper = RString("x<img>A:B<img>").ExpandImgMarkup();
    ASSERT_EQ(upper.GetLength(), expanded.GetLength());
    EXPECT_EQ(memcmp(upper.GetString(), expanded.GetString(), 10), 0);

    RString both = RString("A<img>Pad:ButtonA<img>B").ExpandImgMarkup();
    EXPECT_EQ(both.GetLength(), 11);
    EXPECT_EQ(both.GetString()[10], 'B');

    // A missing glyph part gives the empty id; parts after a second colon are ignored.
    RString missing = RString("<img>set<img>").ExpandImgMarkup();
    ASSERT_EQ(missing.GetLength(), 9);
    const unsigned char* m = reinterpret_cast<const unsigned char*>(missing.GetString());
    EXPECT_EQ(m[5] | (m[6] << 8) | (m[7] << 16) | (uint32_t(m[8]) << 24), RHashedString::kEmptyId);
    RString extra = RString("<img>a:b:c<img>").ExpandImgMarkup();
    ASSERT_EQ(extra.GetLength(), 9);
    EXPECT_EQ(memcmp(extra.GetString(), expanded.GetString() + 1, 9), 0);

    EXPECT_EQ(Bytes(RString("plain text").ExpandImgMarkup()), "plain text");
}

TEST(RStringPieces, CharacterFilters) {
    EXPECT_EQ(Bytes(RString("a-b_c.d").RemoveChars(RString("-."))), "ab_cd");
    EXPECT_EQ(Bytes(RString("abc").RemoveChars(RString(""))), "abc");
    EXPECT_EQ(Bytes(RString("My Name-2_x!").KeepIdentifierChars()), "MyName2_x");
    EXPECT_EQ(Bytes(RString("abZ9\xe9").ToUpper()), "ABZ9\xe9");
    EXPECT_EQ(Bytes(RString("ABz9\xc9").ToLower()), "abz9\xc9");
}

TEST(RStringPieces, Conversions) {
    EXPECT_EQ(RString("  42 ").ToInt(), 42);
    EXPECT_EQ(RString("none").ToInt(), 0);
    EXPECT_FLOAT_EQ(RString(" 2.5\n").ToFloat(), 2.5f);
    EXPECT_TRUE(RString(" YES ").ToBool());
    EXPECT_FALSE(RString("Off").ToBool());
    EXPECT_TRUE(RString("3").ToBool());
}

TEST(RStringCText, Hashes) {
    EXPECT_EQ(DJB2Hash(""), 5381u);
    EXPECT_EQ(DJB2Hash("a"), 5381u * 33 + 97);
    EXPECT_EQ(DJB2Hash("\xe9"), 5381u * 33 - 23);  // bytes are signed
    EXPECT_EQ(DJB2HashNoCase("ABC"), DJB2Hash("abc"));
    EXPECT_EQ(DJB2HashNoCase("\xc9"), DJB2Hash("\xc9"));  // only A-Z fold
    EXPECT_EQ(DJB2HashNoCase("NULL") & 0x3FF, RHashedString::kEmptyId);
    EXPECT_EQ(ElfHash(""), 0u);
    EXPECT_EQ(ElfHash("a"), 97u);
    EXPECT_EQ(ElfHash("\x80"), 0x0FFFFF70u);
    EXPECT_LT(ElfHash("a rather long text to push bits past the top"), 1u << 28);
}

TEST(RStringCText, CopiesAndConcatenations) {
    EXPECT_EQ(StringDuplicate(nullptr), nullptr);
    char* d = StringDuplicate("abcdef", 2);
    EXPECT_STREQ(d, "ab");
    delete[] d;
    d = StringDuplicate("abc", -1);
    EXPECT_STREQ(d, "abc");
    delete[] d;

    EXPECT_EQ(StringConcat("a", nullptr), nullptr);
    char* c = StringConcat("ab", "cd");
    EXPECT_STREQ(c, "abcd");
    delete[] c;

    EXPECT_EQ(StringConcatCounted(nullptr, 0, "x", 1), nullptr);
    char* counted = StringConcatCounted("a\0b", 3, "c", 1);
    EXPECT_EQ(memcmp(counted, "a\0bc\0", 5), 0);
    delete[] counted;

    char* id = StringToIdentifier("My-Name 2_X");
    EXPECT_STREQ(id, "myname2_x");
    delete[] id;
    char text[] = "Ab-C d";
    MakeIdentifierInPlace(text);
    EXPECT_STREQ(text, "abcd");
    EXPECT_EQ(text[5], 0);
}

TEST(RStringCText, BoolsHexAndRoman) {
    EXPECT_TRUE(StringToBool("On"));
    EXPECT_TRUE(StringToBool("2"));
    EXPECT_TRUE(StringToBool("T"));
    EXPECT_FALSE(StringToBool("0"));
    EXPECT_FALSE(StringToBool("maybe"));
    EXPECT_FALSE(StringToBool("N"));
    EXPECT_FALSE(StringToBool(nullptr));

    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('7'), 7);
    EXPECT_EQ(HexDigitValue('g'), -1);

    EXPECT_EQ(Bytes(ToRomanNumeral(1994)), "MCMXCIV");
    EXPECT_EQ(RomanNumeralLength(1994), 7);
    EXPECT_EQ(Bytes(ToRomanNumeral(3999)), "MMMCMXCIX");
    EXPECT_EQ(Bytes(ToRomanNumeral(3888)), "MMMDCCCLXXXVIII");
    EXPECT_EQ(Bytes(ToRomanNumeral(4)), "IV");
    EXPECT_EQ(Bytes(ToRomanNumeral(40)), "XL");
    EXPECT_EQ(Bytes(ToRomanNumeral(900)), "CM");
    EXPECT_EQ(RomanNumeralLength(0), 0);
    // Out of range gives the empty text, never the previous result.
    EXPECT_EQ(ToRomanNumeral(0).GetLength(), 0);
    EXPECT_EQ(ToRomanNumeral(4000).GetLength(), 0);
    EXPECT_EQ(ToRomanNumeral(-5).GetLength(), 0);
}
