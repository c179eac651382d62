// RLocMgr: serves every text the program shows, looked up by file, section and key. Each registered string table
// may exist twice: the default table found through the stream manager and the chosen language's table read from
// the user "Localization/<language>/" folder; a lookup asks the language table first. The manager (a singleton)
// owns every loaded table. A test language masks found texts so that untranslated ones stand out.
#pragma once

#include "core/types/RHashedString.h"
#include "core/types/RString.h"
#include "core/types/RUtilMap.h"
#include "core/types/RUtilVector.h"

class RINIFile;

class RLocMgr {
public:
    struct TOCEntry {
        RString fileName;   // for example "Menus.txt"
        RHashedString key;  // the name without its last four characters, for example "Menus"
        bool startup;       // the key's text is exactly "Startup"
    };

    // The manager, created empty on first use.
    static RLocMgr* GetInstance();
    // Frees every table and the manager; nothing when there is none.
    static void DestroyInstance();

    // Registers a string table. Its key is the name without its four-character extension; a name shorter than
    // four characters is its own key. A null name registers nothing. A table registered after the loads of its
    // kind (startup or not) have run, as a game's own tables are once its pack is mounted, is loaded at once as
    // they would have loaded it: its default table, and the language folder's table when one was loaded.
    void AddFile(const char* fileName);
    // For each entry in order whose startup flag equals startup: loads its default table through the stream
    // manager, replacing the table stored under its key. A missing file gives an empty table.
    void LoadDefaultTables(bool startup);
    // Queues "Using localization folder <folder>" between two empty report lines, marks a language as loaded
    // and, for each entry whose startup flag equals startup, loads its table from the user "Localization/"
    // folder joined with folder, "/" and the file name, replacing the table stored under its key.
    void LoadLanguageFolder(const char* folder, bool startup);
    // Whether the user "Localization/" folder joined with folder holds the table, a file this process may read,
    // of any entry that is not a startup entry: a folder that holds none of them is no language to change to.
    bool HoldsLanguage(const char* folder) const;

    // The language table's value, else the default table's, else "[String file.section.key not found]" when the
    // file has a default table and "[File file for string section.key not found]" when it has none. Found
    // values are masked while the test language is set.
    RString GetString(RHashedString file, RHashedString section, RHashedString key) const;
    // Empties out and appends every entry's file name in registration order.
    void ListFiles(RUtilVector<RString>& out) const;

    void SetTestLanguage(bool testLanguage) { m_testLanguage = testLanguage; }
    bool IsTestLanguage() const { return m_testLanguage; }
    bool IsLanguageLoaded() const { return m_languageLoaded; }
    // The folder LoadLanguageFolder loaded last; empty before any.
    const RString& GetLanguageFolder() const { return m_languageFolder; }

    // A copy of text with every character but control characters, the space and the bytes 0x7F, 0x81, 0x8D,
    // 0x8F, 0x90 and 0x9D replaced by "X".
    static RString MaskText(const RString& text);

private:
    typedef RUtilMap<RINIFile*, RHashedString> TableMap;

    RLocMgr();
    ~RLocMgr();
    RLocMgr(const RLocMgr&) = delete;
    RLocMgr& operator=(const RLocMgr&) = delete;

    // Load the entry's table and store it, replacing the one before; folderPath null gives an empty table.
    void LoadDefaultTable(const TOCEntry& entry);
    void LoadLanguageTable(const TOCEntry& entry, const char* folderPath);
    // Stores table under key, freeing the table it replaces.
    static void StoreTable(TableMap& tables, RHashedString key, RINIFile* table);
    static void FreeTables(TableMap& tables);

    bool m_testLanguage;
    bool m_languageLoaded;
    // Whether each kind's loads have run, indexed by the startup flag, and the language folder loaded last.
    bool m_defaultsLoaded[2] = {false, false};
    bool m_languageFolderLoaded[2] = {false, false};
    RString m_languageFolder;
    RUtilVector<TOCEntry> m_entries;
    TableMap m_defaultTables;
    TableMap m_languageTables;

    static RLocMgr* s_instance;
};
