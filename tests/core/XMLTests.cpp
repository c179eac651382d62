#include "core/RStreamMgr.h"
#include "core/RXMLFile.h"
#include "tests/FileSizeLimit.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

// Parses a copy of text in a buffer of exactly its size, so that the sanitizers see any read past its end.
void Parse(RXMLFile& document, const std::string& text, size_t length = std::string::npos)
{
    length = length < text.size() ? length : text.size();
    std::unique_ptr<char[]> exact(new char[length ? length : 1]);
    memcpy(exact.get(), text.data(), length);
    document.Parse(exact.get(), (uint32_t)length);
}

std::string Saved(const RXMLFile& document)
{
    char* bytes = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&bytes, &size);
    EXPECT_TRUE(document.Save(memory, 0));
    fclose(memory);
    std::string text(bytes, size);
    free(bytes);
    return text;
}

// Without the line feed that ends a command's output.
std::string Chomp(std::string text)
{
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string Attribute(const RXMLTree* element, const char* name)
{
    RString value("<none>");
    element->GetAttribute(name, &value);
    return value.GetString();
}

int CountElements(const RUtilVector<RXMLTree*>& list)
{
    int count = 0;
    for (const RXMLTree* element : list)
        count += 1 + CountElements(element->children);
    return count;
}

int CountAttributes(const RUtilVector<RXMLTree*>& list)
{
    int count = 0;
    for (const RXMLTree* element : list)
        count += (int)element->attributes.getCount() + CountAttributes(element->children);
    return count;
}

int Depth(const RUtilVector<RXMLTree*>& list)
{
    int deepest = 0;
    for (const RXMLTree* element : list) {
        int depth = 1 + Depth(element->children);
        deepest = depth > deepest ? depth : deepest;
    }
    return deepest;
}

// A room file as the game writes them: tiles, entities with properties, a comment and a declaration.
std::string RoomDocument(int entities)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<!-- generated room -->\n";
    text += "<room name=\"Cellar\" width=\"40\" height=\"30\" music='cellar.mus'>\n\t<tiles set=\"stone\">\n";
    for (int row = 0; row < 6; ++row)
        text += "\t\t0 0 1 1 2 2 3 3 1 0 0 " + std::to_string(row) + "\n";
    text += "\t</tiles>\n";
    for (int i = 0; i < entities; ++i) {
        text += "\t<entity type=\"Bat\" x=\"" + std::to_string(i * 16) + "\" y=\"" + std::to_string(i % 30) +
                "\" active=\"yes\">\n\t\t<property key=\"speed\" value=\"1." + std::to_string(i % 10) +
                "\"/>\n\t\t<path loop=\"true\"><point x=\"1\" y=\"2\" /><point x=\"3\" y=\"4\"/></path>\n"
                "\t\tA bat, number " + std::to_string(i) + "\n\t</entity>\n";
    }
    text += "</room>\n";
    return text;
}

// The output of a shell command and its exit status.
int RunCommand(const std::string& command, std::string* output)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char chunk[256];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output->append(chunk, count);
    return pclose(pipe);
}

bool HaveXmllint()
{
    std::string ignored;
    return RunCommand("command -v xmllint >/dev/null 2>&1", &ignored) == 0;
}

class XMLFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/rolt-xml-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        m_root = pattern;
    }
    void TearDown() override
    {
        RStreamMgr::DestroyInstance();
        fs::remove_all(m_root);
    }
    std::string Path(const std::string& name) const { return m_root + "/" + name; }

    std::string m_root;
};

TEST(XMLParse, AttributesInEveryQuotingAndBare)
{
    RXMLFile document;
    Parse(document, "<a x='1' y=\"2\" z=3 w/>");
    ASSERT_EQ(1u, document.elements.getCount());
    const RXMLTree* a = document.elements[0];
    EXPECT_STREQ("a", a->name.GetString());
    ASSERT_EQ(4u, a->attributes.getCount());
    EXPECT_EQ("1", Attribute(a, "x"));
    EXPECT_EQ("2", Attribute(a, "y"));
    EXPECT_EQ("3", Attribute(a, "z"));
    EXPECT_EQ("", Attribute(a, "w"));
    EXPECT_EQ(0u, a->children.getCount());
    EXPECT_EQ(0u, a->textLines.getCount());

    // Blanks around "=", a ">" inside quotes, and quotes of the other kind inside a value.
    RXMLFile spaced;
    Parse(spaced, "<b  k = \"x > y\"\tq='say \"hi\"' ></b>");
    ASSERT_EQ(1u, spaced.elements.getCount());
    EXPECT_EQ("x > y", Attribute(spaced.elements[0], "k"));
    EXPECT_EQ("say \"hi\"", Attribute(spaced.elements[0], "q"));
}

TEST(XMLParse, TextLinesChildrenAndTheirWrittenForm)
{
    RXMLFile document;
    Parse(document, "<a>\n  one\n  <b/>\n  two  \n</a>");
    ASSERT_EQ(1u, document.elements.getCount());
    const RXMLTree* a = document.elements[0];
    ASSERT_EQ(1u, a->children.getCount());
    EXPECT_STREQ("b", a->children[0]->name.GetString());
    ASSERT_EQ(2u, a->textLines.getCount());
    EXPECT_STREQ("one", a->textLines[0].GetString());
    EXPECT_STREQ("two", a->textLines[1].GetString());
    EXPECT_EQ("<a>\r\n\t<b />\r\n\tone\r\n\ttwo\r\n</a>\r\n", Saved(document));
}

TEST(XMLParse, NestingCommentsDeclarationsAndEntities)
{
    RXMLFile document;
    Parse(document, "<?xml version=\"1.0\"?><!DOCTYPE a><a><a>in</a></a><c><!-- note --></c>"
                    "<d v=\"&amp;\">x &lt; y</d>");
    ASSERT_EQ(3u, document.elements.getCount());
    const RXMLTree* outer = document.elements[0];
    ASSERT_EQ(1u, outer->children.getCount());
    EXPECT_STREQ("a", outer->children[0]->name.GetString());
    ASSERT_EQ(1u, outer->children[0]->textLines.getCount());
    EXPECT_STREQ("in", outer->children[0]->textLines[0].GetString());
    EXPECT_EQ(0u, outer->textLines.getCount());

    const RXMLTree* c = document.elements[1];
    EXPECT_EQ(0u, c->children.getCount());
    EXPECT_EQ(0u, c->textLines.getCount());

    const RXMLTree* d = document.elements[2];
    EXPECT_EQ("&amp;", Attribute(d, "v"));
    ASSERT_EQ(1u, d->textLines.getCount());
    EXPECT_STREQ("x &lt; y", d->textLines[0].GetString());
}

TEST(XMLParse, ClosingTagsMatchByNameAndDepth)
{
    RXMLFile document;
    // Names compare with exact case; empty elements and comments inside leave the depth alone.
    Parse(document, "<A><a/><!-- c --><B>t</B></A><tail/>");
    ASSERT_EQ(2u, document.elements.getCount());
    const RXMLTree* a = document.elements[0];
    ASSERT_EQ(2u, a->children.getCount());
    EXPECT_STREQ("a", a->children[0]->name.GetString());
    EXPECT_STREQ("B", a->children[1]->name.GetString());
    EXPECT_STREQ("tail", document.elements[1]->name.GetString());
}

TEST(XMLParse, MalformedTextEndsCleanly)
{
    // A missing closing tag: the rest of the text is the element's content.
    RXMLFile unclosed;
    Parse(unclosed, "<a><b>text<c/>");
    ASSERT_EQ(1u, unclosed.elements.getCount());
    ASSERT_EQ(1u, unclosed.elements[0]->children.getCount());
    const RXMLTree* b = unclosed.elements[0]->children[0];
    ASSERT_EQ(1u, b->textLines.getCount());
    EXPECT_STREQ("text", b->textLines[0].GetString());
    EXPECT_EQ(1u, b->children.getCount());

    // An unterminated comment, a start tag cut off, a value without its closing quote.
    RXMLFile comment;
    Parse(comment, "<a/><!-- never closed <b/>");
    EXPECT_EQ(1u, comment.elements.getCount());
    RXMLFile cut;
    Parse(cut, "<a x=\"1\" y");
    ASSERT_EQ(1u, cut.elements.getCount());
    EXPECT_EQ("1", Attribute(cut.elements[0], "x"));
    EXPECT_EQ("", Attribute(cut.elements[0], "y"));
    RXMLFile quote;
    Parse(quote, "<a x=\"open>");
    ASSERT_EQ(1u, quote.elements.getCount());
    EXPECT_EQ("open>", Attribute(quote.elements[0], "x"));

    // Tags with an empty name are dropped with their attributes; a stray closing tag too.
    RXMLFile empty;
    Parse(empty, "</ x=\"1\"><></b>< /><c/><");
    ASSERT_EQ(1u, empty.elements.getCount());
    EXPECT_STREQ("c", empty.elements[0]->name.GetString());

    // A zero byte ends the text, as does the given length.
    RXMLFile zero;
    zero.Parse("<a/>\0<b/>", 9);
    EXPECT_EQ(1u, zero.elements.getCount());
    RXMLFile shortened;
    shortened.Parse("<a/><b/>", 4);
    EXPECT_EQ(1u, shortened.elements.getCount());
    RXMLFile none;
    none.Parse(nullptr, 10);
    EXPECT_EQ(0u, none.elements.getCount());
}

TEST(XMLParse, NestingIsCapped)
{
    const int levels = RXMLFile::kMaxDepth + 500;
    std::string closed, open;
    for (int i = 0; i < levels; ++i)
        closed += "<n>";
    open = closed;
    for (int i = 0; i < levels; ++i)
        closed += "</n>";
    closed += "<after/>";

    RXMLFile document;
    Parse(document, closed);
    ASSERT_EQ(2u, document.elements.getCount());
    EXPECT_EQ(RXMLFile::kMaxDepth, Depth(document.elements));
    EXPECT_STREQ("after", document.elements[1]->name.GetString());

    RXMLFile unclosed;
    Parse(unclosed, open);
    EXPECT_EQ(RXMLFile::kMaxDepth, Depth(unclosed.elements));
}

TEST(XMLParse, TruncatedAndGarbageInputNeverBreaksTheParser)
{
    const std::string room = RoomDocument(3);
    for (size_t length = 0; length <= room.size(); ++length) {
        RXMLFile document;
        Parse(document, room, length);
        EXPECT_LE(CountElements(document.elements), 17);
    }
    RXMLFile whole;
    Parse(whole, room);
    EXPECT_EQ(17, CountElements(whole.elements));

    std::mt19937 random(7);
    const char alphabet[] = "<>/='\"!?- \tab\n&;x";
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 200, ' ');
        for (char& c : text)
            c = alphabet[random() % (sizeof alphabet - 1)];
        RXMLFile document;
        Parse(document, text);
        RXMLFile bytes;
        for (char& c : text)
            c = (char)random();
        Parse(bytes, text);
        // A real document with a few characters changed.
        std::string mutated = room;
        for (int i = 0; i < 4; ++i)
            mutated[random() % mutated.size()] = alphabet[random() % (sizeof alphabet - 1)];
        RXMLFile changed;
        Parse(changed, mutated);
    }
}

TEST(XMLQueries, TypedAttributesLeaveTheOutputAloneWhenMissing)
{
    RXMLFile document;
    Parse(document, "<e n=\"42\" f=\"2.5\" b=\"Yes\" b2=\"off\" b3=\"7\" h=\"MixedName\" n=\"dup\"/>");
    const RXMLTree* e = document.elements[0];
    uint32_t number = 9;
    EXPECT_TRUE(e->GetAttributeUInt("n", &number));
    EXPECT_EQ(42u, number);
    float real = 0;
    EXPECT_TRUE(e->GetAttributeFloat("f", &real));
    EXPECT_FLOAT_EQ(2.5f, real);
    bool flag = false;
    EXPECT_TRUE(e->GetAttributeBool("b", &flag));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(e->GetAttributeBool("b2", &flag));
    EXPECT_FALSE(flag);
    EXPECT_TRUE(e->GetAttributeBool("b3", &flag));
    EXPECT_TRUE(flag);
    RHashedString hashed;
    EXPECT_TRUE(e->GetAttributeHashed("h", &hashed));
    EXPECT_EQ(RHashedString("mixedname").GetId(), hashed.GetId());

    number = 5;
    real = 1.5f;
    flag = true;
    RString text("kept");
    EXPECT_FALSE(e->GetAttributeUInt("N", &number));
    EXPECT_FALSE(e->GetAttributeFloat("missing", &real));
    EXPECT_FALSE(e->GetAttributeBool("missing", &flag));
    EXPECT_FALSE(e->GetAttribute("missing", &text));
    EXPECT_FALSE(e->GetAttributeHashed("missing", &hashed));
    EXPECT_EQ(5u, number);
    EXPECT_EQ(1.5f, real);
    EXPECT_TRUE(flag);
    EXPECT_STREQ("kept", text.GetString());
    EXPECT_EQ(RHashedString("mixedname").GetId(), hashed.GetId());
}

TEST(XMLQueries, FindNextWalksEveryMatch)
{
    RXMLFile document;
    Parse(document, "<s/><t/><s/><r><c a=\"1\" b=\"2\" a=\"3\"/><d/><c/></r><s/>");
    uint32_t index = 0;
    int found = 0;
    while (document.FindElement("s", &index))
        ++found;
    EXPECT_EQ(3, found);
    EXPECT_EQ(5u, index);
    EXPECT_EQ(document.elements[0], document.FindElement("s"));
    EXPECT_EQ(nullptr, document.FindElement("S"));

    const RXMLTree* r = document.FindElement("r");
    ASSERT_NE(nullptr, r);
    index = 1;
    EXPECT_EQ(r->children[2], r->FindChild("c", &index));
    EXPECT_EQ(3u, index);
    EXPECT_EQ(nullptr, r->FindChild("c", &index));
    EXPECT_EQ(3u, index);

    const RXMLTree* c = r->children[0];
    index = 0;
    RXMLAttribute* first = c->FindAttribute("a", &index);
    RXMLAttribute* second = c->FindAttribute("a", &index);
    ASSERT_TRUE(first && second);
    EXPECT_STREQ("1", first->value.GetString());
    EXPECT_STREQ("3", second->value.GetString());
    EXPECT_EQ(nullptr, c->FindAttribute("a", &index));
}

TEST(XMLWrite, EmptyValuesAndUnescapedText)
{
    RXMLFile document;
    Parse(document, "<a x=\"\" y=\"1\"/><b>q\"&lt;</b>");
    EXPECT_EQ("<a y=\"1\" />\r\n\r\n<b>\r\n\tq\"&lt;\r\n</b>\r\n", Saved(document));
    RXMLFile onlyEmpty;
    Parse(onlyEmpty, "<a x=''></a>");
    EXPECT_EQ("<a />\r\n", Saved(onlyEmpty));
    // A value holding a double quote comes back different.
    RXMLFile quoted;
    Parse(quoted, "<a v='say \"x\"'/>");
    RXMLFile reread;
    Parse(reread, Saved(quoted));
    EXPECT_EQ("say ", Attribute(reread.elements[0], "v"));
}

TEST_F(XMLFileTest, LoadFromDiskAndThroughTheStreamManager)
{
    WriteBytes(Path("room.xml"), RoomDocument(2));
    RXMLFile document;
    document.Load(Path("room.xml").c_str(), true);
    ASSERT_EQ(1u, document.elements.getCount());
    EXPECT_EQ("Cellar", Attribute(document.elements[0], "name"));

    document.Load(Path("missing.xml").c_str(), true);
    EXPECT_EQ(0u, document.elements.getCount());
    WriteBytes(Path("empty.xml"), "");
    document.Load(Path("empty.xml").c_str(), true);
    EXPECT_EQ(0u, document.elements.getCount());
    document.Load(m_root.c_str(), true);
    EXPECT_EQ(0u, document.elements.getCount());

    RStreamMgr::GetInstance()->AddSearchPath(m_root.c_str());
    document.Load("room.xml", false);
    ASSERT_EQ(1u, document.elements.getCount());
    EXPECT_EQ(3u, document.elements[0]->children.getCount());
    document.Load("missing.xml", false);
    EXPECT_EQ(0u, document.elements.getCount());
}

TEST_F(XMLFileTest, SaveReplacesTheFileOnlyWhenComplete)
{
    RXMLFile document;
    Parse(document, RoomDocument(2));
    ASSERT_TRUE(document.Save(Path("out.xml").c_str()));
    EXPECT_EQ(Saved(document), ReadBytes(Path("out.xml")));

    EXPECT_FALSE(document.Save(Path("no/such/folder/out.xml").c_str()));
    EXPECT_FALSE(fs::exists(Path("no")));

    // A write that fails (the file size limit) leaves the old file as it was and no temporary file behind.
    RXMLFile big;
    Parse(big, RoomDocument(400));
    bool saved = true;
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.IsActive());
        saved = big.Save(Path("out.xml").c_str());
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(Saved(document), ReadBytes(Path("out.xml")));
    int files = 0;
    for (const auto& entry : fs::directory_iterator(m_root)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(1, files);
}

TEST_F(XMLFileTest, XmllintAgreesOnWhatWasReadAndWritten)
{
    if (!HaveXmllint())
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    const std::string source = RoomDocument(25);
    WriteBytes(Path("room.xml"), source);
    RXMLFile document;
    Parse(document, source);

    // The same elements and attributes as a conforming reader sees.
    std::string elements, attributes;
    ASSERT_EQ(0, RunCommand("xmllint --xpath 'count(//*)' " + Path("room.xml"), &elements));
    ASSERT_EQ(0, RunCommand("xmllint --xpath 'count(//@*)' " + Path("room.xml"), &attributes));
    EXPECT_EQ(std::to_string(CountElements(document.elements)), Chomp(elements));
    EXPECT_EQ(std::to_string(CountAttributes(document.elements)), Chomp(attributes));

    // What the writer produces is well-formed and says the same.
    ASSERT_TRUE(document.Save(Path("saved.xml").c_str()));
    std::string errors;
    EXPECT_EQ(0, RunCommand("xmllint --noout " + Path("saved.xml") + " 2>&1", &errors)) << errors;
    std::string savedName;
    ASSERT_EQ(0, RunCommand("xmllint --xpath 'string(/room/entity[3]/property/@value)' " + Path("saved.xml"), &savedName));
    EXPECT_EQ("1.2", Chomp(savedName));

    // A document laid out by xmllint reads back to the same tree.
    std::string formatted;
    ASSERT_EQ(0, RunCommand("xmllint --format " + Path("room.xml"), &formatted));
    RXMLFile reformatted;
    Parse(reformatted, formatted);
    EXPECT_EQ(Saved(document), Saved(reformatted));
}

}  // namespace
