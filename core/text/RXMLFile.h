// RXMLFile: an XML document, the list of its top-level elements (RXMLTree). The document owns its whole tree:
// every element and attribute is made in its arena and destroyed when it is cleared. The reader takes a small,
// forgiving subset of XML: elements, attributes and text, stored as written (no entities, namespaces or CDATA);
// comments, declarations and processing instructions are dropped. The writer gives tab-indented text with CR LF
// line ends.
#pragma once

#include "core/types/RString.h"
#include "core/text/RXMLArena.h"
#include "core/types/RUtilVector.h"
#include "core/text/RXMLTree.h"

#include <cstdint>
#include <cstdio>

class RXMLFile {
public:
    // Elements nested deeper than this are dropped with their content.
    static constexpr int kMaxDepth = 256;

    RXMLFile() = default;
    ~RXMLFile();

    // Clears the document, then reads path from disk (fromDisk) or through the stream manager (search mode 0)
    // and parses it. A missing, empty or unreadable file leaves the document empty.
    void Load(const char* path, bool fromDisk);
    // Parses length bytes of text (less when a zero byte comes first) and appends its top-level elements. A tag
    // with an empty name is dropped with its attributes. An element whose closing tag is missing takes the rest
    // of the text as its content; a start tag cut off by the text's end gives an element without content.
    void Parse(const char* text, uint32_t length);
    // Writes the top-level elements to an open file at an indentation depth (0 for a document; see
    // RXMLTree::WriteList). The caller opens and closes the file. False when a write fails.
    bool Save(FILE* file, int depth) const;
    // Writes the document to path through a temporary file that replaces the old one only when every write
    // succeeded. False when anything failed; the old file is then untouched.
    bool Save(const char* path) const;
    // Destroys the whole tree.
    void Clear();

    // The first top-level element at or after *index (0 without an index) whose name equals name (exact case),
    // or null; *index as for RXMLTree::FindChild.
    RXMLTree* FindElement(const RString& name, uint32_t* index = nullptr) const;

    RUtilVector<RXMLTree*> elements;

private:
    RXMLFile(const RXMLFile&) = delete;
    RXMLFile& operator=(const RXMLFile&) = delete;

    RXMLArena m_arena;
};
