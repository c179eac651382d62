// XML: parsed and written. The writer stores names, values and text as they are (nothing is escaped), so for a
// document made of plain texts what was written must read back as the same document: written again, the same
// bytes come out. Any other document must only be read and written safely.
#include "FuzzSupport.h"
#include "core/text/RXMLFile.h"

#include <cstring>

namespace {

// Letters, digits and "_" for names; for values and text also blanks inside and a few marks: text the
// writer's output reads back unchanged.
bool Plain(const RString& text, bool name)
{
    const char* c = text.GetString();
    if (!c || !c[0])
        return !name;
    if (c[0] == ' ' || c[strlen(c) - 1] == ' ')
        return false;
    for (; *c; ++c) {
        const bool letter = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9');
        // A name ending in "-" closes as "->", which the reader takes for the end of a comment.
        if (!letter && !strchr(name ? "_" : "_-.,:; ", *c))
            return false;
    }
    return true;
}

bool PlainList(const RUtilVector<RXMLTree*>& list)
{
    for (const RXMLTree* element : list) {
        if (!Plain(element->name, true) || !PlainList(element->children))
            return false;
        for (const RXMLAttribute* attribute : element->attributes) {
            if (!Plain(attribute->name, true) || !Plain(attribute->value, false))
                return false;
        }
        for (const RString& line : element->textLines) {
            if (!Plain(line, false))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RXMLFile document;
    document.Parse(reinterpret_cast<const char*>(data), (uint32_t)size);
    const std::string path = FuzzFolder() + "output.xml";
    if (!document.Save(path.c_str()) || !PlainList(document.elements))
        return 0;
    const std::string first = ReadOutput(path);
    RXMLFile again;
    again.Load(path.c_str(), true);
    FUZZ_CHECK(again.Save(path.c_str()));
    FUZZ_CHECK(ReadOutput(path) == first);
    return 0;
}
