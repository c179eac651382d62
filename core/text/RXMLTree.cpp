#include "core/text/RXMLTree.h"

#include <cstdlib>
#include <cstring>

namespace {

bool Put(FILE* file, const char* text, size_t length)
{
    return length == 0 || fwrite(text, 1, length, file) == length;
}

bool Put(FILE* file, const char* text)
{
    return Put(file, text, strlen(text));
}

bool Put(FILE* file, const RString& text)
{
    return Put(file, text.GetString(), (size_t)(text.GetLength() > 0 ? text.GetLength() : 0));
}

bool Indent(FILE* file, int depth)
{
    for (int i = 0; i < depth; ++i) {
        if (fputc('\t', file) == EOF)
            return false;
    }
    return true;
}

}  // namespace

bool RXMLTree::GetAttribute(const char* attributeName, RString* outValue) const
{
    for (const RXMLAttribute* attribute : attributes) {
        if (attribute->name.Equals(attributeName)) {
            *outValue = attribute->value;
            return true;
        }
    }
    return false;
}

bool RXMLTree::GetAttributeUInt(const char* attributeName, uint32_t* outValue) const
{
    RString value;
    if (!GetAttribute(attributeName, &value))
        return false;
    *outValue = (uint32_t)atoi(value.GetString());
    return true;
}

bool RXMLTree::GetAttributeFloat(const char* attributeName, float* outValue) const
{
    RString value;
    if (!GetAttribute(attributeName, &value))
        return false;
    *outValue = (float)atof(value.GetString());
    return true;
}

bool RXMLTree::GetAttributeBool(const char* attributeName, bool* outValue) const
{
    RString value;
    if (!GetAttribute(attributeName, &value))
        return false;
    *outValue = StringToBool(value.GetString());
    return true;
}

bool RXMLTree::GetAttributeHashed(const char* attributeName, RHashedString* outValue) const
{
    RString value;
    if (!GetAttribute(attributeName, &value))
        return false;
    *outValue = RHashedString(value.GetString());
    return true;
}

RXMLTree* RXMLTree::FindChild(const RString& childName, uint32_t* index) const
{
    return RXMLFindByName(children, childName, index);
}

RXMLAttribute* RXMLTree::FindAttribute(const RString& attributeName, uint32_t* index) const
{
    return RXMLFindByName(attributes, attributeName, index);
}

bool RXMLTree::WriteList(FILE* file, const RUtilVector<RXMLTree*>& list, int depth)
{
    uint32_t count = list.getCount();
    for (uint32_t i = 0; i < count; ++i) {
        if (!list[i]->Write(file, depth))
            return false;
        if (depth == 0 && i + 1 < count && !Put(file, "\r\n"))
            return false;
    }
    return true;
}

bool RXMLTree::Write(FILE* file, int depth) const
{
    if (!Indent(file, depth) || !Put(file, "<") || !Put(file, name))
        return false;
    for (const RXMLAttribute* attribute : attributes) {
        if (attribute->name.IsEmpty() || attribute->value.IsEmpty())
            continue;
        if (!Put(file, " ") || !Put(file, attribute->name) || !Put(file, "=\"") || !Put(file, attribute->value) ||
            !Put(file, "\""))
            return false;
    }
    if (children.isEmpty() && textLines.isEmpty())
        return Put(file, " />\r\n");

    if (!Put(file, ">\r\n") || !WriteList(file, children, depth + 1))
        return false;
    for (const RString& line : textLines) {
        if (line.IsEmpty())
            continue;
        if (!Indent(file, depth + 1) || !Put(file, line) || !Put(file, "\r\n"))
            return false;
    }
    return Indent(file, depth) && Put(file, "</") && Put(file, name) && Put(file, ">\r\n");
}
