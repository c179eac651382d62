// RINIFile: an INI document in memory: sections of keys and values, all addressed by interned names, loaded from
// a disk file, from a file found through the stream manager or from memory, and saved back as text. The document
// owns its maps and their value texts. Keys that stand before any section line live under the empty id.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilMap.h"

#include <cstdint>

class RINIFile {
public:
    // Key id to value text.
    typedef RUtilMap<RString, RHashedString> Section;
    // Section id to its keys.
    typedef RUtilMap<Section, RHashedString> SectionMap;

    RINIFile();
    ~RINIFile();

    // Empties the document, keeps the case flags (names interned exactly when set, else without regard to case)
    // and reads the file: from disk at path when fromDisk is set, else through the stream manager (folders and
    // packs). A missing or unreadable file leaves the document empty. A key that comes again in a section
    // replaces the earlier value; a section that comes again adds to the earlier one.
    void Load(const char* path, bool fromDisk, bool sectionsCaseSensitive = false, bool keysCaseSensitive = false);
    // The same over length bytes of text.
    void LoadFromMemory(const char* text, uint32_t length, bool sectionsCaseSensitive = false,
                        bool keysCaseSensitive = false);

    // True with the value copied into outValue when the section holds the key; false (outValue untouched)
    // otherwise.
    bool GetValue(RHashedString section, RHashedString key, RString& outValue) const;
    // Creates the section and key when missing and sets the value (null counts as "").
    void SetValue(RHashedString section, RHashedString key, const char* text);

    // Writes the document with CR LF line ends: first the keys under the empty id without a header, then every
    // other section in ascending id order under a header "[name]", a blank line before each header that follows
    // other lines; keys in ascending id order as "key: value". Names are written in the spelling interned first.
    // The file is replaced only once all of it is written. Returns 0 on success, -1 on any failure.
    int Save(const char* path);

    // Empties the document.
    void Clear();

    // The sections, for readers that walk the whole document (RUtilMapIter).
    SectionMap& GetSections() { return m_sections; }
    bool AreSectionsCaseSensitive() const { return m_sectionsCaseSensitive; }
    bool AreKeysCaseSensitive() const { return m_keysCaseSensitive; }

private:
    RINIFile(const RINIFile&) = delete;
    RINIFile& operator=(const RINIFile&) = delete;

    static void StoreTriple(const char* section, const char* key, const char* value, void* document);
    void Begin(bool sectionsCaseSensitive, bool keysCaseSensitive);
    void ParseText(const char* text, uint32_t length);

    SectionMap m_sections;
    bool m_sectionsCaseSensitive;
    bool m_keysCaseSensitive;
};
