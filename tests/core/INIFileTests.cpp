#include "core/types/RHashedString.h"
#include "core/text/RINIFile.h"
#include "core/text/RINIParser.h"
#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "TempUserData.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

struct Triple {
    std::string section, key, value;  // section "<none>" for keys before any section
    bool operator==(const Triple& o) const { return section == o.section && key == o.key && value == o.value; }
};

std::ostream& operator<<(std::ostream& out, const Triple& t)
{
    return out << "(" << t.section << ", " << t.key << ", " << t.value << ")";
}

void Collect(const char* section, const char* key, const char* value, void* user)
{
    auto* out = static_cast<std::vector<Triple>*>(user);
    out->push_back({section ? section : "<none>", key, value});
}

// Parses exactly the bytes of text (no terminator behind them, so an overread shows under the sanitizers).
std::vector<Triple> Parse(const std::string& text)
{
    std::vector<char> bytes(text.begin(), text.end());
    std::vector<Triple> triples;
    RINIParser parser;
    parser.Parse(bytes.data(), (uint32_t)bytes.size(), Collect, &triples);
    return triples;
}

// Names are written in the spelling the process interned first, which another test may have chosen.
std::string Spelling(const char* name) { return RHashedString(name).GetString(); }

std::string Value(RINIFile& file, const char* section, const char* key)
{
    RString value;
    if (!file.GetValue(section ? RHashedString(section) : RHashedString(), RHashedString(key), value))
        return "<missing>";
    return value.GetString();
}

// ---- Parsing ----

TEST(INIParserTest, LinesBecomeTriples)
{
    const std::pair<std::string, std::vector<Triple>> cases[] = {
        // Either separator, trimmed parts, later separators belong to the value.
        {"Width = 1280\nWidth:1280\na=b=c\n\t t \t:\v x: y \f\r\n= empty key\nk=\n",
         {{"<none>", "Width", "1280"}, {"<none>", "Width", "1280"}, {"<none>", "a", "b=c"}, {"<none>", "t", "x: y"},
          {"<none>", "", "empty key"}, {"<none>", "k", ""}}},
        // Comment lines, lines without a separator, no comments inside a line.
        {"; a comment: with a colon\n  \t; indented = comment\nx ; note\nx = 1 ; note\ny=[2]\n",
         {{"<none>", "x", "1 ; note"}, {"<none>", "y", "[2]"}}},
        // Section headers are untrimmed, and a header with a separator is also a key line.
        {"  [Video] trailing text\nw=1\n[ Video ]\nh=2\n[a=b]\nz=3\n[open\nq=4\n",
         {{"Video", "w", "1"}, {" Video ", "h", "2"}, {"a=b", "[a", "b]"}, {"a=b", "z", "3"}, {"open", "q", "4"}}},
        // A byte order mark makes the header an ordinary line.
        {"\xEF\xBB\xBF[Section]\nk=v\n", {{"<none>", "k", "v"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, Parse(c.first)) << c.first;
}

TEST(INIParserTest, LineEndsBlankLinesZeroByteAndLengthEndTheText)
{
    std::vector<Triple> expected = {{"<none>", "a", "1"}, {"<none>", "b", "2"}, {"<none>", "c", "3"}};
    EXPECT_EQ(expected, Parse("\r\n\r\na=1\r\n\n\nb=2\rc=3"));
    EXPECT_EQ(std::vector<Triple>({{"<none>", "a", "1"}}), Parse(std::string("a=1\n\0b=2\n", 10)));
    EXPECT_EQ(std::vector<Triple>({{"<none>", "a", "1x"}}), Parse(std::string("a=1x\0b=2\n", 9)));

    std::vector<Triple> triples;
    RINIParser().Parse("a=1\nb=2\n", 6, Collect, &triples);  // stops inside the second line
    EXPECT_EQ(std::vector<Triple>({{"<none>", "a", "1"}, {"<none>", "b", ""}}), triples);
}

TEST(INIParserTest, TheMapFormStoresEveryTripleUnderItsSectionText)
{
    const char text[] = "top=0\n[A]\nx=1\nx=2\n[B]\ny=3\n[A]\nz=4\n";
    RUtilMap<RUtilMap<RString, RString>, RString> map;
    RINIParser().Parse(text, (uint32_t)(sizeof text - 1), map);
    EXPECT_EQ(3, map.getCount());
    auto value = [&map](const char* section, const char* key) -> std::string {
        auto* keys = map.find(RString(section));
        auto* found = keys ? keys->value.find(RString(key)) : nullptr;
        return found ? found->value.GetString() : "<missing>";
    };
    EXPECT_EQ("0", value("", "top"));
    EXPECT_EQ("2", value("A", "x"));  // a repeated key keeps the last value
    EXPECT_EQ("4", value("A", "z"));  // a repeated section adds to the first
    EXPECT_EQ("3", value("B", "y"));
    EXPECT_EQ("<missing>", value("a", "x"));  // section texts are compared exactly
}

TEST(INIParserTest, OverlongPartsAreCutAndTheRestOfTheLineIsDropped)
{
    // The line is cut at 319 characters: what lies beyond is neither a separator nor a new line.
    std::vector<Triple> triples = Parse("k=" + std::string(317, 'v') + "[Evil]\nsecret=1\n");
    ASSERT_EQ(2u, triples.size());
    EXPECT_EQ(std::string(255, 'v'), triples[0].value);
    EXPECT_EQ(Triple({"<none>", "secret", "1"}), triples[1]);

    // Section names and keys keep 63 characters; a cut does not leave trailing blanks.
    triples = Parse("[" + std::string(100, 's') + "]\n" + std::string(100, 'k') + "=1\nv=" + std::string(254, 'a') +
                    "  b\n");
    ASSERT_EQ(2u, triples.size());
    EXPECT_EQ(std::string(63, 's'), triples[0].section);
    EXPECT_EQ(std::string(63, 'k'), triples[0].key);
    EXPECT_EQ(std::string(254, 'a'), triples[1].value);
}

TEST(INIParserTest, TruncatedAndGarbageInputStaysWithinTheLimits)
{
    const std::string sample = "; c\n[Audio]\nMasterVolume: 0.7\n[a=b]\nx = 1 ; y\n\r\nlast=value";
    for (size_t length = 0; length <= sample.size(); ++length)
        Parse(sample.substr(0, length));

    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    const char alphabet[] = "[]=:; \t\r\n\0abc\x80\xff";
    for (int round = 0; round < 100; ++round) {
        std::string text(1 + random() % 2000, ' ');
        for (char& c : text)
            c = round % 2 ? (char)byte(random) : alphabet[random() % (sizeof alphabet - 1)];
        for (const Triple& t : Parse(text)) {
            EXPECT_LE(t.section.size(), 63u);
            EXPECT_LE(t.key.size(), 63u);
            EXPECT_LE(t.value.size(), 255u);
        }
    }

    // One 8 MB line without a line end: parsed in one pass, only its start is kept.
    std::vector<Triple> triples = Parse("k=" + std::string(8u << 20, 'h'));
    ASSERT_EQ(1u, triples.size());
    EXPECT_EQ(255u, triples[0].value.size());
}

// ---- The document ----

TEST(INIFileTest, LoadsFromDiskAndKeepsTheLastValueOfARepeatedKey)
{
    TempFolder folder;
    WriteBytes(folder / "a.ini", "top=1\n[Video]\nWidth = 1280\nHeight:720\n[Audio]\nVolume=0.5\n[video]\nWidth=640\n");
    RINIFile file;
    file.Load((folder / "a.ini").c_str(), true);
    EXPECT_EQ("1", Value(file, nullptr, "top"));
    EXPECT_EQ("640", Value(file, "VIDEO", "width"));
    EXPECT_EQ("<missing>", Value(file, "Audio", "Width"));
    EXPECT_EQ(3, file.GetSections().getCount());
}

TEST(INIFileTest, MissingUnreadableAndGarbageFilesGiveWhatCanBeRead)
{
    TempFolder folder;
    RINIFile file;
    file.SetValue(RHashedString("Old"), RHashedString("k"), "v");
    const std::string missing = folder / "missing.ini";
    for (const char* path : {missing.c_str(), folder.path.c_str(), (const char*)nullptr}) {
        file.Load(path, true);
        EXPECT_EQ(0, file.GetSections().getCount());
    }

    const std::string sample = "[S]\nkey=value\n[T]\nx=1\n";
    WriteBytes(folder / "cut.ini", sample.substr(0, sample.find("x=")));
    file.Load((folder / "cut.ini").c_str(), true);
    EXPECT_EQ("<missing>", Value(file, "T", "x"));
    EXPECT_EQ("value", Value(file, "S", "key"));
}

TEST(INIFileTest, SavesSortedWithKeysBeforeAnySectionFirstAndReadsBackTheSame)
{
    TempFolder folder;
    // A plain section name whose id orders before the empty id's (320), so id order alone would put it first.
    std::string early;
    for (int i = 0; early.empty() && i < 100000; ++i) {
        for (uint32_t id = 0; id < RHashedString::kEmptyId && early.empty(); ++id) {
            const char* text = RHashedString::FromId(id).GetString();
            if (text && text[0] && RString(text).KeepIdentifierChars().Equals(text) && RHashedString(text).GetId() == id)
                early = text;
        }
        RHashedString(("Early" + std::to_string(i)).c_str());
    }
    ASSERT_FALSE(early.empty());
    RINIFile file;
    file.SetValue(RHashedString(early.c_str()), RHashedString("IniInnerKey"), "1");
    file.SetValue(RHashedString(), RHashedString("IniOuterKey"), "2");
    file.SetValue(RHashedString("IniLateSection"), RHashedString("IniLateKey"), "3");
    ASSERT_EQ(0, file.Save((folder / "out.ini").c_str()));

    std::string text = ReadBytes(folder / "out.ini");
    EXPECT_EQ(0u, text.find("IniOuterKey: 2\r\n\r\n["));
    EXPECT_NE(std::string::npos, text.find("[" + early + "]\r\nIniInnerKey: 1\r\n"));
    EXPECT_NE(std::string::npos, text.find("[IniLateSection]\r\nIniLateKey: 3\r\n"));

    RINIFile again;
    again.Load((folder / "out.ini").c_str(), true);
    EXPECT_EQ("<missing>", Value(again, early.c_str(), "IniOuterKey"));
}

TEST(INIFileTest, SaveWritesTheFirstSpellingMergesTheNullHeaderAndKeepsValuesOnOneLine)
{
    TempFolder folder;
    RINIFile file;
    WriteBytes(folder / "in.ini", "[video]\nw=1\n[Video]\nh=2\n[NULL]\nfree=3\n");
    file.Load((folder / "in.ini").c_str(), true);
    ASSERT_EQ(0, file.Save((folder / "out.ini").c_str()));
    std::string text = ReadBytes(folder / "out.ini");
    EXPECT_EQ(0u, text.find(Spelling("free") + ": 3\r\n\r\n[" + Spelling("video") + "]\r\n"));
    EXPECT_EQ(1u, (size_t)std::count(text.begin(), text.end(), '['));

    // Values lose outer blanks; a line break in one splits it rather than starting a section.
    file.SetValue(RHashedString("S"), RHashedString("padded"), "  x  ");
    file.SetValue(RHashedString("S"), RHashedString("broken"), "one\r\ntwo: 2");
    ASSERT_EQ(0, file.Save((folder / "s.ini").c_str()));
    RINIFile again;
    again.Load((folder / "s.ini").c_str(), true);
    EXPECT_EQ("x", Value(again, "S", "padded"));
    EXPECT_EQ("2", Value(again, "S", "two"));
}

TEST(INIFileTest, FailedSaveReportsItAndLeavesNoTemporaryFile)
{
    TempFolder folder;
    RINIFile file;
    file.SetValue(RHashedString("S"), RHashedString("k"), "v");
    // A missing folder, no path, and a folder where the file should go (which stays as it was).
    WriteBytes(folder / "taken/inside", "x");
    for (const std::string& bad : {folder / "no/such/folder/x.ini", folder / "taken"})
        EXPECT_NE(0, file.Save(bad.c_str())) << bad;
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken"));

    WriteBytes(folder / "good.ini", "old contents that are longer than the new ones\r\n");
    EXPECT_EQ(0, file.Save((folder / "good.ini").c_str()));
    EXPECT_EQ("[" + Spelling("S") + "]\r\n" + Spelling("k") + ": v\r\n", ReadBytes(folder / "good.ini"));

    EXPECT_EQ(2, folder.FileCount()); // "taken" and "good.ini"
}

TEST(INIFileTest, LoadsThroughTheStreamManagerFromFoldersAndPacks)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / "loose");
    WriteBytes(folder / "loose/Loose.ini", "[A]\nx=folder\n");
    {
        RPackFile pack;
        ASSERT_TRUE(pack.Create((folder / "test.rpk").c_str()));
        const char packed[] = "[A]\nx=pack\ny=2";
        ASSERT_TRUE(pack.AddBuffer("Packed.ini", packed, sizeof packed - 1));
        ASSERT_TRUE(pack.AddBuffer("Other.ini", "z=after", 7));
        ASSERT_TRUE(pack.Close());
    }
    RStreamMgr* streams = RStreamMgr::GetInstance();
    streams->AddSearchPath((folder / "loose").c_str());
    streams->MountPack((folder / "test.rpk").c_str());

    RINIFile file;
    file.Load("Loose.ini", false);
    EXPECT_EQ("folder", Value(file, "A", "x"));
    file.Load("packed.ini", false);  // packs match without regard to case
    EXPECT_EQ("pack", Value(file, "A", "x"));
    EXPECT_EQ("2", Value(file, "A", "y"));  // the entry's end ends the text
    EXPECT_EQ("<missing>", Value(file, nullptr, "z"));
    RStreamMgr::DestroyInstance();
}

} // namespace
