#include "core/text/RDefFile.h"

#include "core/types/RByteOrder.h"
#include "core/text/RINIFile.h"
#include "core/files/RPackFile.h"
#include "core/files/RSafeFileWriter.h"
#include "core/files/RStreamMgr.h"
#include "core/text/RXMLFile.h"

#include <cstdio>
#include <cstring>

namespace {

// The magic ".rdd" and the 16-bit numbers 1 and 2; readers accept any header.
const unsigned char kHeader[8] = {'.', 'r', 'd', 'd', 1, 0, 2, 0};
// The least bytes an attribute (two lengths) and a child record (a length and two counts) can take.
const uint64_t kMinAttributeBytes = 8;
const uint64_t kMinNodeBytes = 12;

void EmptyNode(RDefFileNode& node)
{
    node.attributes.clear();
    node.children.free();
}

void FillFromElement(RDefFileNode& node, const RXMLTree& element)
{
    node.name = RHashedString(element.name.GetString());
    for (const RXMLAttribute* attribute : element.attributes)
        node.attributes.insert(attribute->value, RHashedString(attribute->name.GetString()));
    for (const RXMLTree* child : element.children) {
        node.children.push(RDefFileNode());
        FillFromElement(node.children[node.children.getCount() - 1], *child);
    }
}

// Reads a ".rdd" file from an open stream, never past the given number of bytes (the file's or the pack entry's
// size) and never a string longer than its one buffer.
class BinaryReader {
public:
    BinaryReader(FILE* file, uint64_t size) : m_file(file), m_remaining(size) {}

    bool Skip(uint32_t size) { return Read(m_buffer, size); }

    bool ReadNode(RDefFileNode& node, int depth)
    {
        if (depth > RDefFile::kMaxDepth || !ReadString())
            return false;
        node.name = RHashedString(m_buffer);
        uint32_t attributeCount = 0;
        uint32_t childCount = 0;
        if (!ReadU32(&attributeCount) || !ReadU32(&childCount))
            return false;
        if (attributeCount * kMinAttributeBytes + childCount * kMinNodeBytes > m_remaining)
            return false;
        for (uint32_t i = 0; i < attributeCount; ++i) {
            if (!ReadString())
                return false;
            RHashedString key(m_buffer);
            uint32_t valueLength = 0;
            if (!ReadString(&valueLength))
                return false;
            node.attributes.insert(RString(m_buffer, (int)valueLength), key);
        }
        for (uint32_t i = 0; i < childCount; ++i) {
            node.children.push(RDefFileNode());
            if (!ReadNode(node.children[node.children.getCount() - 1], depth + 1))
                return false;
        }
        return true;
    }

private:
    bool Read(void* dest, uint32_t size)
    {
        if (size > m_remaining || fread(dest, 1, size, m_file) != size)
            return false;
        m_remaining -= size;
        return true;
    }

    bool ReadU32(uint32_t* out)
    {
        uint8_t bytes[4];
        if (!Read(bytes, 4))
            return false;
        *out = ReadLE32(bytes);
        return true;
    }

    // A length and that many bytes into the buffer, followed by a zero byte.
    bool ReadString(uint32_t* outLength = nullptr)
    {
        uint32_t length = 0;
        if (!ReadU32(&length) || length >= RDefFile::kMaxStringBytes || !Read(m_buffer, length))
            return false;
        m_buffer[length] = 0;
        if (outLength)
            *outLength = length;
        return true;
    }

    FILE* m_file;
    uint64_t m_remaining;
    char m_buffer[RDefFile::kMaxStringBytes];
};

bool WriteString(RSafeFileWriter& out, const char* text, size_t length)
{
    return length < RDefFile::kMaxStringBytes && out.WriteU32((uint32_t)length) && out.Write(text, length);
}

bool WriteName(RSafeFileWriter& out, const RHashedString& name)
{
    const char* text = name.GetString();
    return WriteString(out, text ? text : "", text ? strlen(text) : 0);
}

bool WriteNode(RSafeFileWriter& out, const RDefFileNode& node, int depth)
{
    if (depth > RDefFile::kMaxDepth || !WriteName(out, node.name) ||
        !out.WriteU32((uint32_t)node.attributes.getCount()) || !out.WriteU32(node.children.getCount()))
        return false;
    // The iterator needs a mutable map; it only reads.
    auto& attributes = const_cast<RUtilMap<RString, RHashedString>&>(node.attributes);
    for (RUtilMapIter<RString, RHashedString> iter(attributes); iter.isValid(); iter.next()) {
        const RString& value = iter.getValue();
        if (!WriteName(out, iter.getKey()) ||
            !WriteString(out, value.GetString(), value.IsEmpty() ? 0 : (size_t)value.GetLength()))
            return false;
    }
    for (const RDefFileNode& child : node.children) {
        if (!WriteNode(out, child, depth + 1))
            return false;
    }
    return true;
}

}  // namespace

void RDefFile::LoadINI(const char* path)
{
    EmptyNode(*this);
    RINIFile document;
    document.Load(path, false, false, false);
    RINIFile::SectionMap& sections = document.GetSections();
    for (RINIFile::SectionMap::Iter iter(sections); iter.isValid(); iter.next()) {
        children.push(RDefFileNode());
        RDefFileNode& child = children[children.getCount() - 1];
        child.name = iter.getKey();
        child.attributes = iter.getValue();
    }
}

void RDefFile::LoadXML(const char* path)
{
    EmptyNode(*this);
    RXMLFile document;
    document.Load(path, false);
    for (const RXMLTree* element : document.elements) {
        children.push(RDefFileNode());
        FillFromElement(children[children.getCount() - 1], *element);
    }
}

bool RDefFile::LoadBinary(const char* path)
{
    EmptyNode(*this);
    name = RHashedString();
    if (!path)
        return false;
    RStreamMgr* streams = RStreamMgr::GetInstance();
    uint32_t size = streams->GetFileSize(path, RStreamMgr::kPacksAndFolders);
    FILE* file = nullptr;
    if (size == RPackFile::kNoSize || streams->OpenFile(&file, path, RStreamMgr::kPacksAndFolders) != 0)
        return false;
    BinaryReader reader(file, size);
    bool ok = reader.Skip(sizeof kHeader) && reader.ReadNode(*this, 0);
    fclose(file);
    if (!ok) {
        EmptyNode(*this);
        name = RHashedString();
    }
    return ok;
}

int RDefFile::SaveBinary(const char* path) const
{
    RSafeFileWriter writer;
    if (!writer.Open(path))
        return -1;
    bool ok = writer.Write(kHeader, sizeof kHeader) && WriteNode(writer, *this, 0);
    return ok && writer.Commit() ? 0 : -1;
}
