#include "core/RXMLFile.h"

#include "core/RFile.h"
#include "core/RSafeFileWriter.h"
#include "core/RStreamMgr.h"

#include <climits>
#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Element names, closing-tag names and unquoted values end at a blank, "/" or ">".
bool EndsName(char c)
{
    return IsBlank(c) || c == '/' || c == '>';
}

const char* SkipBlanks(const char* p, const char* end)
{
    while (p < end && IsBlank(*p))
        ++p;
    return p;
}

const char* SkipName(const char* p, const char* end)
{
    while (p < end && !EndsName(*p))
        ++p;
    return p;
}

// The first c in [p, end), or end.
const char* Find(const char* p, const char* end, char c)
{
    const void* found = p < end ? memchr(p, c, (size_t)(end - p)) : nullptr;
    return found ? static_cast<const char*>(found) : end;
}

// Just past the first ">" in [p, end), or end.
const char* PastTagEnd(const char* p, const char* end)
{
    const char* close = Find(p, end, '>');
    return close < end ? close + 1 : end;
}

RString Piece(const char* begin, const char* end)
{
    return end > begin ? RString(begin, (int)(end - begin)) : RString();
}

// Parses the text ranges of a document. Every scan is bounded by the end of the range it works in, so the parser
// never reads past the text; nesting is bounded by RXMLFile::kMaxDepth.
class XMLParser {
public:
    // Parses [p, end) as content: elements go to list, text runs become text lines of parent (when there is one).
    // depth is the nesting level of the elements found here.
    static void ParseContent(const char* p, const char* end, RXMLTree* parent, RUtilVector<RXMLTree*>& list,
                             int depth)
    {
        while (p < end) {
            if (*p == '<') {
                p = ParseElement(p + 1, end, list, depth);
                continue;
            }
            p = SkipBlanks(p, end);
            const char* stop = Find(p, end, '<');
            if (parent) {
                const char* last = stop;
                while (last > p && IsBlank(last[-1]))
                    --last;
                if (last > p)
                    parent->textLines.push(Piece(p, last));
            }
            p = stop;
        }
    }

private:
    // Parses an element whose "<" stands just before p and returns where the content scan goes on.
    static const char* ParseElement(const char* p, const char* end, RUtilVector<RXMLTree*>& list, int depth)
    {
        p = SkipBlanks(p, end);
        if (p < end && (*p == '!' || *p == '?'))
            return PastTagEnd(p, end);
        const char* nameStart = p;
        p = SkipName(p, end);
        if (p == nameStart)
            return PastTagEnd(p, end);

        RXMLTree* element = new RXMLTree(nameStart, (int)(p - nameStart));
        bool kept = depth < RXMLFile::kMaxDepth;
        if (kept)
            list.push(element);
        p = ParseAttributes(p, end, element);

        p = SkipBlanks(p, end);
        bool empty = p < end && *p == '/';
        p = PastTagEnd(p, end);
        if (!empty && p < end) {
            const char* contentStart = p;
            const char* match = FindClosingTag(p, end, element->name);
            p = match ? PastTagEnd(match, end) : end;
            if (kept)
                ParseContent(contentStart, match ? match : end, element, element->children, depth + 1);
        }
        if (!kept)
            delete element;
        return p;
    }

    static const char* ParseAttributes(const char* p, const char* end, RXMLTree* element)
    {
        for (;;) {
            p = SkipBlanks(p, end);
            const char* nameStart = p;
            while (p < end && !EndsName(*p) && *p != '=')
                ++p;
            const char* nameEnd = p;
            if (nameEnd == nameStart)
                return p;

            const char* valueStart = p;
            const char* valueEnd = p;
            p = SkipBlanks(p, end);
            if (p < end && *p == '=') {
                p = SkipBlanks(p + 1, end);
                if (p < end && (*p == '"' || *p == '\'')) {
                    valueStart = p + 1;
                    valueEnd = Find(valueStart, end, *p);
                    p = valueEnd < end ? valueEnd + 1 : end;
                } else {
                    valueStart = p;
                    valueEnd = p = SkipName(p, end);
                }
            }
            element->attributes.push(new RXMLAttribute{Piece(nameStart, nameEnd), Piece(valueStart, valueEnd)});
        }
    }

    // The "<" of the closing tag that matches an element called name whose content starts at p, or null. Depth
    // counts from 1: every closing tag lowers it, every other tag not ending in "/>" or "->" raises it, and the
    // match is a closing tag called name that brings it to 0.
    static const char* FindClosingTag(const char* p, const char* end, const RString& name)
    {
        const size_t nameLength = (size_t)name.GetLength();
        int64_t depth = 1;
        for (;;) {
            const char* open = Find(p, end, '<');
            if (open == end)
                return nullptr;
            const char* q = SkipBlanks(open + 1, end);
            const char* close = Find(q, end, '>');
            if (q < end && *q == '/') {
                const char* closeName = q + 1;
                const char* closeNameEnd = SkipName(closeName, end);
                --depth;
                if (depth == 0 && (size_t)(closeNameEnd - closeName) == nameLength &&
                    memcmp(closeName, name.GetString(), nameLength) == 0)
                    return open;
            } else if (close < end && close[-1] != '/' && close[-1] != '-') {
                ++depth;
            }
            if (close == end)
                return nullptr;
            p = close + 1;
        }
    }
};

}  // namespace

RXMLFile::~RXMLFile()
{
    Clear();
}

void RXMLFile::Load(const char* path, bool fromDisk)
{
    Clear();
    char* text = nullptr;
    uint32_t size = 0;
    if (fromDisk) {
        RFile::ReadWholeFile(path, &text, &size);
    } else {
        RStreamMgr::GetInstance()->ReadFile(path, &text, &size, RStreamMgr::kPacksAndFolders, false);
    }
    if (text)
        Parse(text, size);
    delete[] text;
}

void RXMLFile::Parse(const char* text, uint32_t length)
{
    // Pieces become RStrings, whose lengths are ints.
    if (!text || length > (uint32_t)INT_MAX)
        return;
    const void* zero = memchr(text, 0, length);
    const char* end = zero ? static_cast<const char*>(zero) : text + length;
    XMLParser::ParseContent(text, end, nullptr, elements, 0);
}

bool RXMLFile::Save(FILE* file, int depth) const
{
    return RXMLTree::WriteList(file, elements, depth);
}

bool RXMLFile::Save(const char* path) const
{
    RSafeFileWriter writer;
    if (!writer.Open(path) || !Save(writer.GetFile(), 0))
        return false;
    return writer.Commit();
}

void RXMLFile::Clear()
{
    for (RXMLTree* element : elements)
        delete element;
    elements.free();
}

RXMLTree* RXMLFile::FindElement(const RString& elementName, uint32_t* index) const
{
    return RXMLFindByName(elements, elementName, index);
}
