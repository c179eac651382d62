#include "core/text/RINIFile.h"

#include "core/files/RFile.h"
#include "core/text/RINIParser.h"
#include "core/files/RSafeFileWriter.h"
#include "core/files/RStreamMgr.h"

#include <cstdio>

namespace {

// The text of an interned name, "" for an id without one.
const char* NameText(RHashedString name)
{
    const char* text = name.GetString();
    return text ? text : "";
}

void WriteKeys(RSafeFileWriter& writer, RINIFile::Section& section)
{
    for (RUtilMapIter<RString, RHashedString> key(section); key.isValid(); key.next())
        writer.Print("%s: %s\r\n", NameText(key.getKey()), key.getValue().GetString());
}

} // namespace

RINIFile::RINIFile() : m_sectionsCaseSensitive(false), m_keysCaseSensitive(false) {}

RINIFile::~RINIFile()
{
    Clear();
}

void RINIFile::Begin(bool sectionsCaseSensitive, bool keysCaseSensitive)
{
    Clear();
    m_sectionsCaseSensitive = sectionsCaseSensitive;
    m_keysCaseSensitive = keysCaseSensitive;
}

void RINIFile::ParseText(const char* text, uint32_t length)
{
    RINIParser parser;
    parser.Parse(text, length, StoreTriple, this);
}

void RINIFile::StoreTriple(const char* section, const char* key, const char* value, void* document)
{
    RINIFile* self = static_cast<RINIFile*>(document);
    RHashedString sectionId = section ? RHashedString(section, self->m_sectionsCaseSensitive) : RHashedString();
    self->SetValue(sectionId, RHashedString(key, self->m_keysCaseSensitive), value);
}

void RINIFile::Load(const char* path, bool fromDisk, bool sectionsCaseSensitive, bool keysCaseSensitive)
{
    Begin(sectionsCaseSensitive, keysCaseSensitive);
    if (!path)
        return;

    char* text = nullptr;
    uint32_t size = 0;
    if (fromDisk) {
        RFile::ReadWholeFile(path, &text, &size);
    } else {
        RStreamMgr::GetInstance()->ReadFile(path, &text, &size, RStreamMgr::kPacksAndFolders, false);
    }
    if (text)
        ParseText(text, size);
    delete[] text;
}

void RINIFile::LoadFromMemory(const char* text, uint32_t length, bool sectionsCaseSensitive, bool keysCaseSensitive)
{
    Begin(sectionsCaseSensitive, keysCaseSensitive);
    ParseText(text, length);
}

bool RINIFile::GetValue(RHashedString section, RHashedString key, RString& outValue) const
{
    SectionMap::Node* sectionNode = m_sections.find(section);
    if (!sectionNode)
        return false;
    Section::Node* keyNode = sectionNode->value.find(key);
    if (!keyNode)
        return false;
    outValue = keyNode->value;
    return true;
}

void RINIFile::SetValue(RHashedString section, RHashedString key, const char* text)
{
    m_sections[section].insert(RString(text), key);
}

int RINIFile::Save(const char* path)
{
    RSafeFileWriter writer;
    if (!writer.Open(path))
        return -1;

    // Keys under the empty id come first: anywhere after a header they would be read back into that section.
    bool wroteLines = false;
    SectionMap::Node* unnamed = m_sections.find(RHashedString());
    if (unnamed && unnamed->value.getCount() > 0) {
        WriteKeys(writer, unnamed->value);
        wroteLines = true;
    }
    for (RUtilMapIter<Section, RHashedString> section(m_sections); section.isValid(); section.next()) {
        if (section.getKey().IsEmpty())
            continue;
        writer.Print("%s[%s]\r\n", wroteLines ? "\r\n" : "", NameText(section.getKey()));
        wroteLines = true;
        WriteKeys(writer, section.getValue());
    }
    return writer.Commit() ? 0 : -1;
}

void RINIFile::Clear()
{
    m_sections.clear();
}
