// RXMLTree: one element of an XML document (RXMLFile) with its name, attributes, child elements and text lines,
// all in document order. The document makes its elements and attributes in its arena and destroys them all
// together; an element owns its name, its lists and its text lines.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cstdint>
#include <cstdio>

// One attribute: its name and its value text, stored as read (no entity decoding).
struct RXMLAttribute {
    RString name;
    RString value;
};

// The first item of list at or after *index (0 without an index) whose name equals name (exact case), or null.
// When given, *index becomes one past the last position examined, so repeated calls walk every match; it stays
// unchanged when it is already past the end.
template <typename T> T* RXMLFindByName(const RUtilVector<T*>& list, const RString& name, uint32_t* index)
{
    uint32_t start = index ? *index : 0;
    uint32_t count = list.getCount();
    for (uint32_t i = start; i < count; ++i) {
        if (list[i]->name.Equals(name)) {
            if (index)
                *index = i + 1;
            return list[i];
        }
    }
    if (index && start < count)
        *index = count;
    return nullptr;
}

class RXMLTree {
public:
    // An element named by the first nameLength characters of nameText (all of it when nameLength is negative).
    explicit RXMLTree(const char* nameText, int nameLength = -1) : name(nameText, nameLength) {}

    // The value of the first attribute called name (exact case) into *outValue; false, the output untouched, when
    // there is none. The typed forms convert it with atoi, atof, StringToBool and case-insensitive interning.
    bool GetAttribute(const char* name, RString* outValue) const;
    bool GetAttributeUInt(const char* name, uint32_t* outValue) const;
    bool GetAttributeFloat(const char* name, float* outValue) const;
    bool GetAttributeBool(const char* name, bool* outValue) const;
    bool GetAttributeHashed(const char* name, RHashedString* outValue) const;

    // Find-next searches over the children and the attributes (RXMLFindByName).
    RXMLTree* FindChild(const RString& name, uint32_t* index = nullptr) const;
    RXMLAttribute* FindAttribute(const RString& name, uint32_t* index = nullptr) const;

    // Writes the elements of list to file, each line indented by depth tabs and ended with CR LF: attributes
    // with an empty name or value are left out, values and text are written unchanged (no escaping), children
    // come before text lines, and an element with neither is closed with " />". At depth 0 an empty line stands
    // between elements. False when a write fails.
    static bool WriteList(FILE* file, const RUtilVector<RXMLTree*>& list, int depth);

    RString name;
    RUtilVector<RXMLAttribute*> attributes;
    RUtilVector<RXMLTree*> children;
    // The element's own text runs, each trimmed of surrounding blanks.
    RUtilVector<RString> textLines;

private:
    RXMLTree(const RXMLTree&) = delete;
    RXMLTree& operator=(const RXMLTree&) = delete;

    bool Write(FILE* file, int depth) const;
};
