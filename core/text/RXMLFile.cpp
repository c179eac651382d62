#include "core/text/RXMLFile.h"

#include "core/files/RFile.h"
#include "core/files/RSafeFileWriter.h"
#include "core/files/RStreamMgr.h"

#include <climits>
#include <cstring>
#include <new>

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

// Parses a document reading each byte a fixed number of times, however deep the nesting. Every "<" ... ">" of
// the text is indexed first, with the nesting depth after it, so the closing tag that matches an element is
// found by a search in that index instead of a scan of the element's content. Every scan is bounded by the end of the range it works in, so the parser never reads past
// the text; nesting is bounded by RXMLFile::kMaxDepth. Elements and attributes are made in the document's arena.
class XMLParser {
public:
    XMLParser(const char* begin, const char* end, RXMLArena& arena) : m_begin(begin), m_end(end), m_arena(arena)
    {
        m_stack.setNoShrink(true);
        IndexTags();
    }

    // Appends the document's top-level elements to list.
    void ParseDocument(RUtilVector<RXMLTree*>& list)
    {
        uint32_t base = m_stack.getCount();
        ParseContent(m_begin, m_end, nullptr, 0);
        for (uint32_t i = base; i < m_stack.getCount(); ++i)
            list.push(m_stack[i]);
        m_stack.setSize(base);
    }

private:
    // One "<" ... ">" as the closing-tag search meets it when it starts at the text's beginning. Offsets are
    // from the text's start; close is the end's offset when no ">" follows.
    struct Tag {
        uint32_t open;
        uint32_t close;
        uint32_t nameStart;  // closing tags: the name after "/"
        uint32_t nameLength;
        int32_t depth;       // after this tag: every closing tag lowers it, a tag not ending in "/>" or "->" raises it
        bool closing;
    };

    uint32_t Offset(const char* p) const { return (uint32_t)(p - m_begin); }

    void IndexTags()
    {
        int32_t depth = 0;
        for (const char* p = m_begin;;) {
            const char* open = Find(p, m_end, '<');
            if (open == m_end)
                break;
            const char* q = SkipBlanks(open + 1, m_end);
            const char* close = Find(q, m_end, '>');
            Tag tag{Offset(open), Offset(close), 0, 0, 0, false};
            if (q < m_end && *q == '/') {
                const char* nameEnd = SkipName(q + 1, m_end);
                tag.nameStart = Offset(q + 1);
                tag.nameLength = (uint32_t)(nameEnd - (q + 1));
                tag.closing = true;
                --depth;
            } else if (close < m_end && close[-1] != '/' && close[-1] != '-') {
                ++depth;
            }
            tag.depth = depth;
            m_tags.push(tag);
            if (close == m_end)
                break;
            p = close + 1;
        }

        // The closing tags grouped by the depth after them, each group in text order.
        m_minDepth = 0;
        int32_t maxDepth = 0;
        for (const Tag& tag : m_tags) {
            if (tag.closing && tag.depth < m_minDepth)
                m_minDepth = tag.depth;
            if (tag.closing && tag.depth > maxDepth)
                maxDepth = tag.depth;
        }
        uint32_t groups = (uint32_t)(maxDepth - m_minDepth + 1);
        m_groupStart.setSize(groups + 1);
        memset(static_cast<void*>(m_groupStart.getData()), 0, sizeof(uint32_t) * (groups + 1));
        uint32_t closingCount = 0;
        for (const Tag& tag : m_tags) {
            if (tag.closing) {
                ++m_groupStart[(uint32_t)(tag.depth - m_minDepth) + 1];
                ++closingCount;
            }
        }
        for (uint32_t g = 1; g <= groups; ++g)
            m_groupStart[g] += m_groupStart[g - 1];
        m_closingByDepth.setSize(closingCount);
        RUtilVector<uint32_t> filled;
        filled.setSize(groups);
        memcpy(static_cast<void*>(filled.getData()), m_groupStart.getData(), sizeof(uint32_t) * groups);
        for (uint32_t i = 0; i < m_tags.getCount(); ++i) {
            if (m_tags[i].closing)
                m_closingByDepth[filled[(uint32_t)(m_tags[i].depth - m_minDepth)]++] = i;
        }
    }

    // Parses [p, end) as content: elements are pushed on the stack, then handed to parent's children (or left for
    // the caller when there is no parent); text runs become text lines of parent. depth is the nesting level of
    // the elements found here.
    void ParseContent(const char* p, const char* end, RXMLTree* parent, int depth)
    {
        uint32_t base = m_stack.getCount();
        while (p < end) {
            if (*p == '<') {
                p = ParseElement(p + 1, end, depth);
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
        if (!parent)
            return;
        uint32_t count = m_stack.getCount() - base;
        if (count > 0) {
            parent->children.setSize(count);
            memcpy(static_cast<void*>(parent->children.getData()), m_stack.getData() + base, sizeof(RXMLTree*) * count);
            m_stack.setSize(base);
        }
    }

    // Parses an element whose "<" stands just before p and returns where the content scan goes on.
    const char* ParseElement(const char* p, const char* end, int depth)
    {
        p = SkipBlanks(p, end);
        if (p < end && (*p == '!' || *p == '?'))
            return PastTagEnd(p, end);
        const char* nameStart = p;
        p = SkipName(p, end);
        if (p == nameStart)
            return PastTagEnd(p, end);
        const char* nameEnd = p;

        bool kept = depth < RXMLFile::kMaxDepth;
        RXMLTree* element = nullptr;
        if (kept) {
            element = new (m_arena.Allocate(sizeof(RXMLTree))) RXMLTree(nameStart, (int)(nameEnd - nameStart));
            m_stack.push(element);
        }
        p = ParseAttributes(p, end, element);

        p = SkipBlanks(p, end);
        bool empty = p < end && *p == '/';
        p = PastTagEnd(p, end);
        if (!empty && p < end) {
            const char* contentStart = p;
            const char* match = FindClosingTag(p, end, nameStart, (size_t)(nameEnd - nameStart));
            p = match ? PastTagEnd(match, end) : end;
            if (kept)
                ParseContent(contentStart, match ? match : end, element, depth + 1);
        }
        return p;
    }

    // Reads the attributes after an element's name; they are stored when element is not null.
    const char* ParseAttributes(const char* p, const char* end, RXMLTree* element)
    {
        uint32_t count = 0;
        for (;;) {
            p = SkipBlanks(p, end);
            const char* nameStart = p;
            while (p < end && !EndsName(*p) && *p != '=')
                ++p;
            const char* nameEnd = p;
            if (nameEnd == nameStart)
                break;

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
            if (count == m_pieces.getCount())
                m_pieces.setSize(count + 1);
            m_pieces[count++] = AttributeText{nameStart, nameEnd, valueStart, valueEnd};
        }
        if (element && count > 0) {
            element->attributes.setSize(count);
            for (uint32_t i = 0; i < count; ++i) {
                const AttributeText& text = m_pieces[i];
                element->attributes[i] = new (m_arena.Allocate(sizeof(RXMLAttribute)))
                    RXMLAttribute{Piece(text.nameStart, text.nameEnd), Piece(text.valueStart, text.valueEnd)};
            }
        }
        return p;
    }

    // The "<" of the closing tag that matches an element called name whose content starts at p, or null. Depth
    // counts from 1: every closing tag lowers it, every other tag not ending in "/>" or "->" raises it, and the
    // match is a closing tag called name that brings it to 0. Content always starts after a ">", which is either
    // an indexed tag's end or outside every indexed tag, so the tags seen from p are the index's from there on.
    const char* FindClosingTag(const char* p, const char* end, const char* name, size_t nameLength) const
    {
        uint32_t from = FirstTagFrom(Offset(p));
        int32_t before = from > 0 ? m_tags[from - 1].depth : 0;
        return FindIndexedClosingTag(from, end, name, nameLength, before - 1);
    }

    // The index of the first tag whose "<" is at or after offset (the tag count when there is none).
    uint32_t FirstTagFrom(uint32_t offset) const
    {
        uint32_t low = 0, high = m_tags.getCount();
        while (low < high) {
            uint32_t middle = low + (high - low) / 2;
            if (m_tags[middle].open < offset)
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    }

    // The first closing tag from tag index from on, before end, that leaves the depth at target and is called
    // name, or null.
    const char* FindIndexedClosingTag(uint32_t from, const char* end, const char* name, size_t nameLength,
                                      int32_t target) const
    {
        if (target < m_minDepth || target - m_minDepth + 1 >= (int32_t)m_groupStart.getCount())
            return nullptr;
        uint32_t low = m_groupStart[(uint32_t)(target - m_minDepth)];
        uint32_t high = m_groupStart[(uint32_t)(target - m_minDepth) + 1];
        while (low < high) {
            uint32_t middle = low + (high - low) / 2;
            if (m_closingByDepth[middle] < from)
                low = middle + 1;
            else
                high = middle;
        }
        uint32_t groupEnd = m_groupStart[(uint32_t)(target - m_minDepth) + 1];
        uint32_t endOffset = Offset(end);
        for (uint32_t k = low; k < groupEnd; ++k) {
            const Tag& tag = m_tags[m_closingByDepth[k]];
            if (tag.open >= endOffset)
                return nullptr;
            if (tag.nameLength == nameLength && memcmp(m_begin + tag.nameStart, name, nameLength) == 0)
                return m_begin + tag.open;
        }
        return nullptr;
    }

    // An attribute's name and value as they stand in the text.
    struct AttributeText {
        const char* nameStart;
        const char* nameEnd;
        const char* valueStart;
        const char* valueEnd;
    };

    const char* m_begin;
    const char* m_end;
    RXMLArena& m_arena;
    RUtilVector<Tag> m_tags;
    // Indices of the closing tags, grouped by depth (from m_minDepth up), each group in text order; group g
    // takes the places from m_groupStart[g] to m_groupStart[g + 1].
    RUtilVector<uint32_t> m_closingByDepth;
    RUtilVector<uint32_t> m_groupStart;
    int32_t m_minDepth = 0;
    // The elements of the content ranges being parsed, innermost last.
    RUtilVector<RXMLTree*> m_stack;
    RUtilVector<AttributeText> m_pieces;
};

}  // namespace

namespace {

// Runs the destructors of element, its attributes and its children (recursively); the arena keeps the storage.
void DestroyElement(RXMLTree* element)
{
    for (RXMLTree* child : element->children)
        DestroyElement(child);
    for (RXMLAttribute* attribute : element->attributes)
        attribute->~RXMLAttribute();
    element->~RXMLTree();
}

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
    XMLParser parser(text, end, m_arena);
    parser.ParseDocument(elements);
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
        DestroyElement(element);
    elements.free();
    m_arena.Release();
}

RXMLTree* RXMLFile::FindElement(const RString& elementName, uint32_t* index) const
{
    return RXMLFindByName(elements, elementName, index);
}
