// RDefFile: a definition file, a tree of named nodes (RDefFileNode) with text attributes, built from INI text
// (one node per section), from XML (one node per element) or from the binary ".rdd" format, which it can also
// write. Every node owns its attributes and its children by value; the root is the RDefFile itself.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"

#include <cstdint>

class RDefFileNode {
public:
    RHashedString name;
    // Attribute name id to value text; walked in ascending id order.
    RUtilMap<RString, RHashedString> attributes;
    RUtilVector<RDefFileNode> children;
};

class RDefFile : public RDefFileNode {
public:
    // The binary format's limits: every string is shorter than kMaxStringBytes, and nodes nest at most
    // kMaxDepth levels below the root. The writer refuses what the reader would refuse.
    static constexpr uint32_t kMaxStringBytes = 1024;
    static constexpr int kMaxDepth = 256;

    // Each loader empties the root's attributes and children first and leaves them empty when the file is
    // missing. Names are interned without regard to case.
    // One child per section of the INI file found through the stream manager, in ascending section id order,
    // holding the section's keys and values.
    void LoadINI(const char* path);
    // One child per top-level element of the XML file found through the stream manager, nested as the elements
    // are; a repeated attribute name keeps the last value; element text is ignored.
    void LoadXML(const char* path);
    // Reads a ".rdd" file found through the stream manager, the root's name included; reads stop at the end of
    // the file or pack entry. False, with the tree empty and the root's name the empty id, when the file is
    // missing, ends early or holds a string, count or nesting beyond what the format allows.
    bool LoadBinary(const char* path);
    // Writes the tree as a ".rdd" file through a temporary file that replaces the old one only when all of it is
    // written. Returns 0 on success, -1 when the file cannot be made or written or the tree exceeds the format's
    // limits (the old file is then untouched).
    int SaveBinary(const char* path) const;
};
