#include "core/text/RXMLFile.h"
#include "TempUserData.h"
#include "tests/FileSizeLimit.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace {

// Parses a copy of text in a buffer of exactly its size, so that the sanitizers see any read past its end.
std::unique_ptr<RXMLFile> Parsed(const std::string& text, size_t length = std::string::npos)
{
    length = length < text.size() ? length : text.size();
    std::unique_ptr<char[]> exact(new char[length ? length : 1]);
    memcpy(exact.get(), text.data(), length);
    auto document = std::make_unique<RXMLFile>();
    document->Parse(exact.get(), (uint32_t)length);
    return document;
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

std::string Attribute(const RXMLTree* element, const char* name)
{
    RString value("<none>");
    element->GetAttribute(name, &value);
    return value.GetString();
}

// Elements and depth of a tree.
struct Counts {
    int elements = 0, depth = 0;
};
Counts Count(const RUtilVector<RXMLTree*>& list)
{
    Counts total;
    for (const RXMLTree* element : list) {
        Counts below = Count(element->children);
        total.elements += 1 + below.elements;
        total.depth = std::max(total.depth, 1 + below.depth);
    }
    return total;
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
    return text + "</room>\n";
}

TEST(XMLParse, AttributesTextChildrenCommentsAndEntities)
{
    auto document = Parsed("<?xml version=\"1.0\"?><!DOCTYPE a><a x='1' y=\"2\" z=3 w/>"
                           "<b  k = \"x > y\"\tq='say \"hi\"' ></b><c><!-- note --></c><d v=\"&amp;\">x &lt; y</d>"
                           "<e>\n  one\n  <e><f/></e>\n  two  \n</e>");
    ASSERT_EQ(5u, document->elements.getCount());
    const RXMLTree* a = document->elements[0];
    EXPECT_EQ("3", Attribute(a, "z"));
    EXPECT_EQ("", Attribute(a, "w"));
    EXPECT_EQ("x > y", Attribute(document->elements[1], "k"));
    EXPECT_EQ("say \"hi\"", Attribute(document->elements[1], "q"));
    EXPECT_EQ("&amp;", Attribute(document->elements[3], "v"));
    const RXMLTree* e = document->elements[4];
    ASSERT_EQ(1u, e->children.getCount());
    EXPECT_STREQ("f", e->children[0]->children[0]->name.GetString());
    ASSERT_EQ(2u, e->textLines.getCount());
    EXPECT_STREQ("two", e->textLines[1].GetString());

    const std::pair<const char*, const char*> written[] = {
        {"<e>\n  one\n  <b/>\n  two  \n</e>", "<e>\r\n\t<b />\r\n\tone\r\n\ttwo\r\n</e>\r\n"},
        {"<a x=\"\" y=\"1\"/><b>q\"&lt;</b>", "<a y=\"1\" />\r\n\r\n<b>\r\n\tq\"&lt;\r\n</b>\r\n"}};
    for (const auto& w : written)
        EXPECT_EQ(w.second, Saved(*Parsed(w.first)));
    // A value holding a double quote comes back different.
    EXPECT_EQ("say ", Attribute(Parsed(Saved(*Parsed("<a v='say \"x\"'/>")))->elements[0], "v"));
}

TEST(XMLParse, MalformedTextEndsCleanly)
{
    // An unterminated comment, a start tag cut off, a value without its closing quote, empty names and a stray
    // closing tag, a zero byte and the given length: each leaves one element.
    const struct {
        std::string text;
        size_t length;
        const char* name;
        const char* x;
    } cases[] = {
        {"<a/><!-- never closed <b/>", 99, "a", "<none>"}, {"<a x=\"1\" y", 99, "a", "1"},
        {"<a x=\"open>", 99, "a", "open>"},              {"</ x=\"1\"><></b>< /><c/><", 99, "c", "<none>"},
        {std::string("<a/>\0<b/>", 9), 9, "a", "<none>"}, {"<a/><b/>", 4, "a", "<none>"},
    };
    for (const auto& c : cases) {
        auto document = Parsed(c.text, c.length);
        ASSERT_EQ(1u, document->elements.getCount()) << c.text;
        EXPECT_STREQ(c.name, document->elements[0]->name.GetString());
        EXPECT_EQ(c.x, Attribute(document->elements[0], "x"));
    }

    // Nesting is capped, closed or not.
    std::string open;
    for (int i = 0; i < RXMLFile::kMaxDepth + 500; ++i)
        open += "<n>";
    std::string closed = open;
    for (int i = 0; i < RXMLFile::kMaxDepth + 500; ++i)
        closed += "</n>";
    auto deep = Parsed(closed + "<after/>");
    ASSERT_EQ(2u, deep->elements.getCount());
    EXPECT_EQ(RXMLFile::kMaxDepth, Count(deep->elements).depth);
    EXPECT_STREQ("after", deep->elements[1]->name.GetString());
    EXPECT_EQ(RXMLFile::kMaxDepth, Count(Parsed(open)->elements).depth);

    // Every cut of a real document, and random changes to it.
    const std::string room = RoomDocument(3);
    for (size_t length = 0; length <= room.size(); ++length)
        EXPECT_LE(Count(Parsed(room, length)->elements).elements, 17);
    EXPECT_EQ(17, Count(Parsed(room)->elements).elements);

    std::mt19937 random(7);
    const char alphabet[] = "<>/='\"!?- \tab\n&;x";
    for (int round = 0; round < 1000; ++round) {
        std::string mutated = room;
        for (int i = 0; i < 4; ++i)
            mutated[random() % mutated.size()] = alphabet[random() % (sizeof alphabet - 1)];
        Parsed(mutated);
    }
}

// Names, text lines in braces and children in parentheses, e.g. "a{x}(b c)".
std::string Shape(const RUtilVector<RXMLTree*>& list)
{
    std::string shape;
    for (const RXMLTree* element : list) {
        shape += std::string(shape.empty() ? "" : " ") + element->name.GetString();
        std::string lines;
        for (const RString& line : element->textLines)
            lines += std::string(lines.empty() ? "" : ",") + line.GetString();
        if (!lines.empty())
            shape += "{" + lines + "}";
        if (!element->children.isEmpty())
            shape += "(" + Shape(element->children) + ")";
    }
    return shape;
}

// Which closing tag ends an element: nesting counts every tag (declarations too, but not "/>" or "->" endings),
// every closing tag lowers it whatever its name, and only a closing tag of the element's own name at the
// element's level ends it; without one the element takes the rest of the text.
TEST(XMLParse, ClosingTagsMatchByLevelAndName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<a><b></a></b><c/>", "a(b(c))"},
        {"<a><!DOCTYPE x></a></a><z/>", "a z"},
        {"<a><?pi x?></a>text</a>", "a{text}"},
        {"<a>x</b></a>y</a><e/>", "a{x,y}(e)"},
        {"<a><b><a></a>in</b>t</a>", "a{t}(b{in}(a))"},
        {"<a>one<b/ >two</a>", "a{one,two}(b)"},
        {"<r><a q=\"1>2\"><b/>x</a><c/></r>", "r(a{x}(b) c)"},
        {"<r><a q=\"</r>\"><c/></a>tail</r><z/>", "r{tail}(a(c)) z"},
        {"<a><!-- <b> --><c></c></a>", "a{-->}(c)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.second, Shape(Parsed(c.first)->elements)) << c.first;
}

// Each document keeps its own tree: appending to one, clearing another and parsing into it again leave every
// tree whole, also when a tree fills many storage blocks.
TEST(XMLParse, DocumentsKeepTheirTreesThroughAppendsAndClears)
{
    std::string big = "<list>";
    for (int i = 0; i < 3000; ++i)
        big += "<item n=\"" + std::to_string(i) + "\" kind='k'>text " + std::to_string(i) + "<sub/></item>";
    big += "</list>";
    auto expectBig = [](const RXMLFile& document) {
        ASSERT_EQ(1u, document.elements.getCount());
        const RXMLTree* list = document.elements[0];
        ASSERT_EQ(3000u, list->children.getCount());
        for (uint32_t i = 0; i < 3000; i += 499) {
            const RXMLTree* item = list->children[i];
            EXPECT_EQ(std::to_string(i), Attribute(item, "n"));
            EXPECT_EQ("k", Attribute(item, "kind"));
            ASSERT_EQ(1u, item->textLines.getCount());
            EXPECT_EQ("text " + std::to_string(i), item->textLines[0].GetString());
            ASSERT_EQ(1u, item->children.getCount());
            EXPECT_STREQ("sub", item->children[0]->name.GetString());
        }
    };
    RXMLFile first, second;
    first.Parse(big.data(), (uint32_t)big.size());
    second.Parse("<a x=\"1\"/>", 10);
    second.Parse("<b>t</b>", 8);
    EXPECT_EQ("a b{t}", Shape(second.elements));
    expectBig(first);
    first.Clear();
    EXPECT_TRUE(first.elements.isEmpty());
    EXPECT_EQ("1", Attribute(second.elements[0], "x"));
    first.Parse(big.data(), (uint32_t)big.size());
    second.Clear();
    expectBig(first);
    second.Parse(big.data(), (uint32_t)big.size());
    first.Clear();
    expectBig(second);
}

TEST(XMLQueries, TypedAttributesAndSearches)
{
    auto document = Parsed("<e n=\"42\" f=\"2.5\" b=\"Yes\" h=\"MixedName\"/>");
    const RXMLTree* e = document->elements[0];
    uint32_t number = 5;
    float real = 1.5f;
    bool flag = false;
    RString text("kept");
    RHashedString hashed;
    EXPECT_TRUE(e->GetAttributeUInt("n", &number) && e->GetAttributeFloat("f", &real) &&
                e->GetAttributeBool("b", &flag) && e->GetAttributeHashed("h", &hashed));
    EXPECT_FALSE(e->GetAttributeUInt("N", &number) || e->GetAttribute("missing", &text)); // outputs kept
    EXPECT_EQ(42u, number);
    EXPECT_EQ(2.5f, real);
    EXPECT_TRUE(flag);
    EXPECT_STREQ("kept", text.GetString());
    EXPECT_EQ(RHashedString("mixedname").GetId(), hashed.GetId());

    document = Parsed("<s/><t/><s/><r><c a=\"1\" b=\"2\" a=\"3\"/><d/><c/></r><s/>");
    uint32_t index = 0;
    int found = 0;
    while (document->FindElement("s", &index))
        ++found;
    EXPECT_EQ(3, found);
    EXPECT_EQ(5u, index);
    const RXMLTree* r = document->FindElement("r");
    ASSERT_NE(nullptr, r);
    index = 1;
    EXPECT_EQ(r->children[2], r->FindChild("c", &index));
    EXPECT_EQ(3u, index);
    const RXMLTree* c = r->children[0];
    index = 0;
    std::string values;
    while (const RXMLAttribute* attribute = c->FindAttribute("a", &index))
        values += attribute->value.GetString();
    EXPECT_EQ("13", values);
    EXPECT_EQ(nullptr, c->FindAttribute("A"));
}

class XMLFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_temp / name; }

    TempFolder m_temp;
};

TEST_F(XMLFileTest, SaveReplacesTheFileOnlyWhenComplete)
{
    auto document = Parsed(RoomDocument(2));
    ASSERT_TRUE(document->Save(Path("out.xml").c_str()));
    EXPECT_EQ(Saved(*document), ReadBytes(Path("out.xml")));
    // A failing write (the file size limit) leaves the old file as it was and no temporary file behind.
    auto big = Parsed(RoomDocument(400));
    bool saved = true;
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.IsActive());
        saved = big->Save(Path("out.xml").c_str());
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(Saved(*document), ReadBytes(Path("out.xml")));
    EXPECT_EQ(1, m_temp.FileCount());
}

} // namespace
