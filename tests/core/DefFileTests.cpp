#include "core/RDefFile.h"
#include "core/RDefMgr.h"
#include "core/RPackFile.h"
#include "core/RStreamMgr.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

void PutString(std::string& bytes, const std::string& text)
{
    PutU32(bytes, (uint32_t)text.size());
    bytes += text;
}

const std::string kHeader(".rdd\x01\x00\x02\x00", 8);

// A node record with the given attributes and already encoded children.
std::string Node(const std::string& name, const std::vector<std::pair<std::string, std::string>>& attributes,
                 const std::vector<std::string>& children = {})
{
    std::string bytes;
    PutString(bytes, name);
    PutU32(bytes, (uint32_t)attributes.size());
    PutU32(bytes, (uint32_t)children.size());
    for (const auto& attribute : attributes) {
        PutString(bytes, attribute.first);
        PutString(bytes, attribute.second);
    }
    for (const std::string& child : children)
        bytes += child;
    return bytes;
}

std::string Value(const RDefFileNode& node, const char* key)
{
    const auto* found = node.attributes.find(RHashedString(key));
    return found ? found->value.GetString() : "<none>";
}

bool SameTree(const RDefFileNode& a, const RDefFileNode& b)
{
    if (a.name != b.name || a.attributes.getCount() != b.attributes.getCount() ||
        a.children.getCount() != b.children.getCount())
        return false;
    auto& attributes = const_cast<RUtilMap<RString, RHashedString>&>(a.attributes);
    for (RUtilMapIter<RString, RHashedString> iter(attributes); iter.isValid(); iter.next()) {
        const auto* other = b.attributes.find(iter.getKey());
        if (!other || !other->value.Equals(iter.getValue()))
            return false;
    }
    for (uint32_t i = 0; i < a.children.getCount(); ++i) {
        if (!SameTree(a.children[i], b.children[i]))
            return false;
    }
    return true;
}

bool IsEmptyTree(const RDefFile& file)
{
    return file.name.IsEmpty() && file.attributes.getCount() == 0 && file.children.getCount() == 0;
}

class DefFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RStreamMgr::DestroyInstance();
        char pattern[] = "/tmp/rolt-defs-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        m_root = pattern;
        RStreamMgr::GetInstance()->AddSearchPath(m_root.c_str());
    }
    void TearDown() override
    {
        RDefMgr::DestroyInstance();
        RStreamMgr::DestroyInstance();
        fs::remove_all(m_root);
    }
    std::string Path(const std::string& name) const { return m_root + "/" + name; }
    int FileCount() const
    {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(m_root)) {
            (void)entry;
            ++count;
        }
        return count;
    }

    std::string m_root;
};

TEST_F(DefFileTest, INISectionsBecomeNodesAndSurviveTheBinaryForm)
{
    WriteBytes(Path("ab.ini"), "[A]\r\nx=1\r\n[B]\r\ny = 2\r\n[a]\r\nz: 3\r\n");
    RDefFile tree;
    tree.LoadINI("ab.ini");
    ASSERT_EQ(2u, tree.children.getCount());
    // Sections come in ascending id order; "a" is the same section as "A".
    const RDefFileNode* a = nullptr;
    const RDefFileNode* b = nullptr;
    for (const RDefFileNode& child : tree.children)
        (child.name == RHashedString("A") ? a : b) = &child;
    ASSERT_TRUE(a && b);
    EXPECT_LT(tree.children[0].name, tree.children[1].name);
    EXPECT_EQ("1", Value(*a, "x"));
    EXPECT_EQ("3", Value(*a, "Z"));
    EXPECT_EQ("2", Value(*b, "y"));
    EXPECT_EQ(0u, a->children.getCount());

    ASSERT_EQ(0, tree.SaveBinary(Path("ab.rdd").c_str()));
    std::string bytes = ReadBytes(Path("ab.rdd"));
    ASSERT_GE(bytes.size(), 16u);
    EXPECT_EQ(kHeader, bytes.substr(0, 8));
    // The root's name is the empty id, written as its text.
    EXPECT_EQ(std::string("\x04\0\0\0NULL", 8), bytes.substr(8, 8));

    RDefFile reread;
    ASSERT_TRUE(reread.LoadBinary("ab.rdd"));
    EXPECT_TRUE(SameTree(tree, reread));

    tree.LoadINI("missing.ini");
    EXPECT_TRUE(IsEmptyTree(tree));
}

TEST_F(DefFileTest, XMLElementsBecomeNodes)
{
    WriteBytes(Path("defs.xml"), "<?xml version=\"1.0\"?>\n<Weapon name=\"Sword\" Damage=\"3\" damage=\"4\">\n"
                                 "  some text\n  <Sound file=\"swing.wav\"/>\n  <Empty></Empty>\n</Weapon>\n"
                                 "<Bare/>\n");
    RDefFile tree;
    tree.LoadXML("defs.xml");
    ASSERT_EQ(2u, tree.children.getCount());
    const RDefFileNode& weapon = tree.children[0];
    EXPECT_EQ(RHashedString("weapon"), weapon.name);
    EXPECT_EQ(2, weapon.attributes.getCount());
    EXPECT_EQ("Sword", Value(weapon, "NAME"));
    EXPECT_EQ("4", Value(weapon, "damage"));
    ASSERT_EQ(2u, weapon.children.getCount());
    EXPECT_EQ("swing.wav", Value(weapon.children[0], "file"));
    const RDefFileNode& empty = weapon.children[1];
    EXPECT_EQ(RHashedString("Empty"), empty.name);
    EXPECT_EQ(0, empty.attributes.getCount());
    EXPECT_EQ(0u, empty.children.getCount());
    EXPECT_EQ(0, tree.children[1].attributes.getCount());

    ASSERT_EQ(0, tree.SaveBinary(Path("defs.rdd").c_str()));
    RDefFile reread;
    ASSERT_TRUE(reread.LoadBinary("defs.rdd"));
    EXPECT_TRUE(SameTree(tree, reread));

    tree.LoadXML("missing.xml");
    EXPECT_TRUE(IsEmptyTree(tree));
}

TEST_F(DefFileTest, TheFirstInternedSpellingIsWritten)
{
    RHashedString first("DefSpellingProbeKey");
    RHashedString node("DefSpellingProbeNode");
    WriteBytes(Path("case.xml"), "<DEFSPELLINGPROBENODE defspellingprobekey=\"v\"/>");
    RDefFile tree;
    tree.LoadXML("case.xml");
    ASSERT_EQ(0, tree.SaveBinary(Path("case.rdd").c_str()));
    std::string bytes = ReadBytes(Path("case.rdd"));
    EXPECT_NE(std::string::npos, bytes.find("DefSpellingProbeNode"));
    EXPECT_NE(std::string::npos, bytes.find("DefSpellingProbeKey"));
    EXPECT_EQ(std::string::npos, bytes.find("DEFSPELLINGPROBENODE"));

    // Keys differing only in case collapse when read from a binary file too; the last value stays.
    WriteBytes(Path("keys.rdd"), kHeader + Node("Root", {{"Key", "1"}, {"KEY", "2"}}));
    ASSERT_TRUE(tree.LoadBinary("keys.rdd"));
    EXPECT_EQ(RHashedString("root"), tree.name);
    EXPECT_EQ(1, tree.attributes.getCount());
    EXPECT_EQ("2", Value(tree, "key"));
}

TEST_F(DefFileTest, BinaryReaderAcceptsAnyHeaderAndItsLongestStrings)
{
    std::string longest(RDefFile::kMaxStringBytes - 1, 'v');
    std::string body = Node("R", {{"long", longest}}, {Node("C", {})});
    WriteBytes(Path("odd.rdd"), std::string("XXXX\x09\x00\x07\x00", 8) + body + "trailing bytes");
    RDefFile tree;
    ASSERT_TRUE(tree.LoadBinary("odd.rdd"));
    EXPECT_EQ(longest, Value(tree, "long"));
    ASSERT_EQ(1u, tree.children.getCount());
    EXPECT_EQ(RHashedString("c"), tree.children[0].name);
}

TEST_F(DefFileTest, MalformedBinaryFilesGiveAnEmptyTree)
{
    const std::string good = kHeader + Node("Root", {{"a", "1"}, {"b", "22"}}, {Node("Kid", {{"c", "3"}})});
    RDefFile tree;
    // Cut anywhere before the end.
    for (size_t length = 0; length < good.size(); ++length) {
        WriteBytes(Path("cut.rdd"), good.substr(0, length));
        EXPECT_FALSE(tree.LoadBinary("cut.rdd")) << length;
        EXPECT_TRUE(IsEmptyTree(tree)) << length;
    }
    WriteBytes(Path("cut.rdd"), good);
    EXPECT_TRUE(tree.LoadBinary("cut.rdd"));

    // A string of the shared buffer's size or more is refused, whatever follows it.
    std::string oversized = kHeader + Node("R", {{"k", std::string(RDefFile::kMaxStringBytes, 'x')}});
    WriteBytes(Path("long.rdd"), oversized);
    EXPECT_FALSE(tree.LoadBinary("long.rdd"));
    EXPECT_TRUE(IsEmptyTree(tree));
    std::string hugeLength = kHeader;
    PutU32(hugeLength, 0xFFFFFFF0u);
    hugeLength += std::string(64, 'n');
    WriteBytes(Path("huge.rdd"), hugeLength);
    EXPECT_FALSE(tree.LoadBinary("huge.rdd"));

    // Counts larger than the bytes left could hold.
    std::string counts = kHeader;
    PutString(counts, "R");
    PutU32(counts, 0);
    PutU32(counts, 0xFFFFFFFFu);
    counts += std::string(100, '\0');
    WriteBytes(Path("counts.rdd"), counts);
    EXPECT_FALSE(tree.LoadBinary("counts.rdd"));
    EXPECT_TRUE(IsEmptyTree(tree));

    // Nesting deeper than the format allows, each level a valid record.
    std::string deep;
    for (int level = 0; level < RDefFile::kMaxDepth + 100; ++level) {
        PutString(deep, "n");
        PutU32(deep, 0);
        PutU32(deep, 1);
    }
    PutString(deep, "leaf");
    PutU32(deep, 0);
    PutU32(deep, 0);
    WriteBytes(Path("deep.rdd"), kHeader + deep);
    EXPECT_FALSE(tree.LoadBinary("deep.rdd"));
    EXPECT_TRUE(IsEmptyTree(tree));

    // Garbage and missing files.
    std::mt19937 random(11);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(random() % 300, '\0');
        for (char& c : bytes)
            c = (char)(random() % 4 == 0 ? random() : random() % 3);
        WriteBytes(Path("junk.rdd"), bytes);
        if (!tree.LoadBinary("junk.rdd")) {
            EXPECT_TRUE(IsEmptyTree(tree));
        }
    }
    EXPECT_FALSE(tree.LoadBinary("missing.rdd"));
    EXPECT_FALSE(tree.LoadBinary(nullptr));
    EXPECT_TRUE(IsEmptyTree(tree));
}

TEST_F(DefFileTest, APackEntryIsReadNoFurtherThanItsEnd)
{
    // The first entry lacks its last attribute value; the second holds exactly the missing bytes.
    std::string whole = kHeader + Node("R", {{"a", "1"}, {"b", "2"}});
    std::string cut = whole.substr(0, whole.size() - 5);
    std::string rest = whole.substr(whole.size() - 5);
    RPackFile pack;
    ASSERT_TRUE(pack.Create(Path("defs.rpk").c_str()));
    ASSERT_TRUE(pack.AddBuffer("cut.rdd", cut.data(), (uint32_t)cut.size()));
    ASSERT_TRUE(pack.AddBuffer("rest.bin", rest.data(), (uint32_t)rest.size()));
    ASSERT_TRUE(pack.AddBuffer("whole.rdd", whole.data(), (uint32_t)whole.size()));
    ASSERT_TRUE(pack.Close());
    RStreamMgr::GetInstance()->CloseAllSources();
    RStreamMgr::GetInstance()->MountPack(Path("defs.rpk").c_str());

    RDefFile tree;
    EXPECT_FALSE(tree.LoadBinary("cut.rdd"));
    EXPECT_TRUE(IsEmptyTree(tree));
    ASSERT_TRUE(tree.LoadBinary("WHOLE.rdd"));
    EXPECT_EQ("2", Value(tree, "b"));
}

TEST_F(DefFileTest, SaveBinaryReplacesTheFileOnlyWhenComplete)
{
    RDefFile tree;
    tree.attributes.insert(RString("old"), RHashedString("k"));
    ASSERT_EQ(0, tree.SaveBinary(Path("t.rdd").c_str()));
    const std::string before = ReadBytes(Path("t.rdd"));

    // A value the reader would refuse is not written.
    RDefFile tooLong;
    tooLong.children.push(RDefFileNode());
    tooLong.children[0].attributes.insert(RString(std::string(RDefFile::kMaxStringBytes, 'x').c_str()),
                                          RHashedString("k"));
    EXPECT_EQ(-1, tooLong.SaveBinary(Path("t.rdd").c_str()));
    EXPECT_EQ(before, ReadBytes(Path("t.rdd")));

    // Nor is a tree nested deeper than the reader accepts.
    RDefFile deep;
    RDefFileNode* node = &deep;
    for (int level = 0; level <= RDefFile::kMaxDepth; ++level) {
        node->children.push(RDefFileNode());
        node = &node->children[0];
    }
    EXPECT_EQ(-1, deep.SaveBinary(Path("t.rdd").c_str()));
    EXPECT_EQ(before, ReadBytes(Path("t.rdd")));
    EXPECT_EQ(1, FileCount());

    EXPECT_EQ(-1, tree.SaveBinary(Path("no/folder/t.rdd").c_str()));
    EXPECT_FALSE(fs::exists(Path("no")));
}

TEST_F(DefFileTest, TheManagerLoadsEachFileOnce)
{
    WriteBytes(Path("m.rdd"), kHeader + Node("M", {{"v", "1"}}));
    RDefMgr* manager = RDefMgr::GetInstance();
    RDefFile* first = manager->GetDefFile(RHashedString("m.rdd"));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ("1", Value(*first, "v"));

    // Later requests get the stored tree, even once the file has changed.
    WriteBytes(Path("m.rdd"), kHeader + Node("M", {{"v", "2"}}));
    for (int i = 0; i < 50; ++i)
        manager->GetDefFile(RHashedString(("other" + std::to_string(i) + ".rdd").c_str()));
    EXPECT_EQ(first, manager->GetDefFile(RHashedString("m.rdd")));
    EXPECT_EQ("1", Value(*first, "v"));

    RDefFile* missing = manager->GetDefFile(RHashedString("absent.rdd"));
    ASSERT_NE(nullptr, missing);
    EXPECT_TRUE(IsEmptyTree(*missing));

    RDefMgr::DestroyInstance();
    EXPECT_EQ("2", Value(*RDefMgr::GetInstance()->GetDefFile(RHashedString("m.rdd")), "v"));
}

}  // namespace
