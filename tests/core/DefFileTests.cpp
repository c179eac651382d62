#include "core/text/RDefFile.h"
#include "core/text/RDefMgr.h"
#include "core/files/RPackFile.h"
#include "core/files/RStreamMgr.h"
#include "TempUserData.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

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
        RStreamMgr::GetInstance()->AddSearchPath(m_temp.path.c_str());
    }
    void TearDown() override
    {
        RDefMgr::DestroyInstance();
        RStreamMgr::DestroyInstance();
    }
    std::string Path(const std::string& name) const { return m_temp / name; }

    TempFolder m_temp;
};

TEST_F(DefFileTest, INISectionsAndXMLElementsBecomeNodesAndSurviveTheBinaryForm)
{
    WriteBytes(Path("ab.ini"), "[A]\r\nx=1\r\n[B]\r\ny = 2\r\n[a]\r\nz: 3\r\n");
    RDefFile tree;
    tree.LoadINI("ab.ini");
    ASSERT_EQ(2u, tree.children.getCount());
    // Sections come in ascending id order; "a" is the same section as "A".
    EXPECT_LT(tree.children[0].name, tree.children[1].name);
    const RDefFileNode& a = tree.children[tree.children[0].name == RHashedString("A") ? 0 : 1];
    EXPECT_EQ("3", Value(a, "Z"));
    ASSERT_EQ(0, tree.SaveBinary(Path("ab.rdd").c_str()));
    std::string bytes = ReadBytes(Path("ab.rdd"));
    EXPECT_EQ(kHeader + std::string("\x04\0\0\0NULL", 8), bytes.substr(0, 16)); // the root's name is the empty id
    RDefFile reread;
    ASSERT_TRUE(reread.LoadBinary("ab.rdd"));
    EXPECT_TRUE(SameTree(tree, reread));

    WriteBytes(Path("defs.xml"), "<?xml version=\"1.0\"?>\n<Weapon name=\"Sword\" Damage=\"3\" damage=\"4\">\n"
                                 "  some text\n  <Sound file=\"swing.wav\"/>\n  <Empty></Empty>\n</Weapon>\n<Bare/>\n");
    tree.LoadXML("defs.xml");
    ASSERT_EQ(2u, tree.children.getCount());
    const RDefFileNode& weapon = tree.children[0];
    EXPECT_EQ(RHashedString("weapon"), weapon.name);
    EXPECT_EQ("4", Value(weapon, "damage"));
    ASSERT_EQ(2u, weapon.children.getCount());
    ASSERT_EQ(0, tree.SaveBinary(Path("defs.rdd").c_str()));
    ASSERT_TRUE(reread.LoadBinary("defs.rdd"));
    EXPECT_TRUE(SameTree(tree, reread));

    tree.LoadXML("missing.xml");
    EXPECT_TRUE(IsEmptyTree(tree));
}

TEST_F(DefFileTest, BinaryReaderAcceptsAnyHeaderAndItsLongestStrings)
{
    std::string longest(RDefFile::kMaxStringBytes - 1, 'v');
    std::string body = Node("R", {{"long", longest}, {"Key", "1"}, {"KEY", "2"}}, {Node("C", {})});
    WriteBytes(Path("odd.rdd"), std::string("XXXX\x09\x00\x07\x00", 8) + body + "trailing bytes");
    RDefFile tree;
    ASSERT_TRUE(tree.LoadBinary("odd.rdd"));
    EXPECT_EQ(longest, Value(tree, "long"));
    EXPECT_EQ(2, tree.attributes.getCount()); // keys differing only in case collapse, the last value stays
    EXPECT_EQ("2", Value(tree, "key"));
}

TEST_F(DefFileTest, MalformedBinaryFilesGiveAnEmptyTree)
{
    const std::string good = kHeader + Node("Root", {{"a", "1"}, {"b", "22"}}, {Node("Kid", {{"c", "3"}})});
    std::vector<std::string> bad;
    for (size_t length = 0; length < good.size(); ++length)
        bad.push_back(good.substr(0, length));
    // A string of the shared buffer's size or more, a huge string length, a child count the bytes cannot hold.
    bad.push_back(kHeader + Node("R", {{"k", std::string(RDefFile::kMaxStringBytes, 'x')}}));
    std::string huge = kHeader;
    PutU32(huge, 0xFFFFFFF0u);
    bad.push_back(huge + std::string(64, 'n'));
    std::string counts = kHeader;
    PutString(counts, "R");
    PutU32(counts, 0);
    PutU32(counts, 0xFFFFFFFFu);
    bad.push_back(counts + std::string(100, '\0'));
    // Nesting deeper than the format allows, each level a valid record.
    std::string deep = kHeader;
    for (int level = 0; level < RDefFile::kMaxDepth + 100; ++level) {
        PutString(deep, "n");
        PutU32(deep, 0);
        PutU32(deep, 1);
    }
    bad.push_back(deep + Node("leaf", {}));

    RDefFile tree;
    for (size_t i = 0; i < bad.size(); ++i) {
        WriteBytes(Path("bad.rdd"), bad[i]);
        EXPECT_FALSE(tree.LoadBinary("bad.rdd")) << i;
        EXPECT_TRUE(IsEmptyTree(tree)) << i;
    }
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

TEST_F(DefFileTest, TheManagerLoadsEachBinaryFileOnceAndKeepsIt)
{
    WriteBytes(Path("unit.rdd"), kHeader + Node("Unit", {{"hp", "5"}}));
    RDefMgr* manager = RDefMgr::GetInstance();
    RDefFile* unit = manager->GetDefFile(RHashedString("unit.rdd"));
    ASSERT_NE(nullptr, unit);
    EXPECT_EQ(RHashedString("unit"), unit->name);
    EXPECT_EQ("5", Value(*unit, "HP"));

    // Later requests get the kept tree, not the file as it is now.
    WriteBytes(Path("unit.rdd"), kHeader + Node("Unit", {{"hp", "9"}}));
    EXPECT_EQ(unit, manager->GetDefFile(RHashedString("UNIT.rdd")));
    EXPECT_EQ("5", Value(*unit, "hp"));

    RDefFile* missing = manager->GetDefFile(RHashedString("missing.rdd"));
    ASSERT_NE(nullptr, missing);
    EXPECT_TRUE(IsEmptyTree(*missing));
    EXPECT_EQ(missing, manager->GetDefFile(RHashedString("missing.rdd")));
}

TEST_F(DefFileTest, SaveBinaryReplacesTheFileOnlyWhenComplete)
{
    RDefFile tree;
    tree.attributes.insert(RString("old"), RHashedString("k"));
    ASSERT_EQ(0, tree.SaveBinary(Path("t.rdd").c_str()));
    const std::string before = ReadBytes(Path("t.rdd"));

    // A tree nested deeper than the reader accepts is not written.
    RDefFile deep;
    RDefFileNode* node = &deep;
    for (int level = 0; level <= RDefFile::kMaxDepth; ++level) {
        node->children.push(RDefFileNode());
        node = &node->children[0];
    }
    EXPECT_EQ(-1, deep.SaveBinary(Path("t.rdd").c_str()));
    EXPECT_EQ(before, ReadBytes(Path("t.rdd")));
    EXPECT_EQ(1, m_temp.FileCount());
}

}  // namespace
