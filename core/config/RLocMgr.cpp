#include "core/config/RLocMgr.h"

#include "core/system/RCore.h"
#include "core/files/RFile.h"
#include "core/text/RINIFile.h"
#include "core/system/RLogger.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

const char* NameText(RHashedString name)
{
    const char* text = name.GetString();
    return text ? text : "";
}

// The user "Localization/" folder joined with folder and "/", made when missing; false when it cannot be built.
bool MakeLanguageFolderPath(const char* folder, char* outPath, size_t outSize)
{
    RCore* core = RCore::GetInstance();
    if (!core)
        return false;
    char base[PATH_MAX];
    if (!RCore::MakeUserFolder(base, sizeof base, core->GetLocalAppDataPathName(), core->GetLocalizationFolderName(),
                               true))
        return false;
    int length = snprintf(outPath, outSize, "%s%s/", base, folder);
    return length >= 0 && (size_t)length < outSize;
}

} // namespace

RLocMgr* RLocMgr::s_instance = nullptr;

RLocMgr* RLocMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RLocMgr();
    return s_instance;
}

void RLocMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RLocMgr::RLocMgr() : m_testLanguage(false), m_languageLoaded(false) {}

RLocMgr::~RLocMgr()
{
    FreeTables(m_defaultTables);
    FreeTables(m_languageTables);
}

void RLocMgr::AddFile(const char* fileName)
{
    if (!fileName)
        return;
    TOCEntry entry;
    entry.fileName = fileName;
    int length = entry.fileName.GetLength();
    RString name = length < 4 ? entry.fileName : entry.fileName.Left(length - 4);
    entry.key = RHashedString(name.GetString());
    entry.startup = name.Equals("Startup");
    m_entries.push(entry);

    // Registered after its pass: it catches up with the tables registered before it.
    const int pass = entry.startup ? 1 : 0;
    if (m_defaultsLoaded[pass])
        LoadDefaultTable(entry);
    if (m_languageFolderLoaded[pass]) {
        char folderPath[PATH_MAX];
        const bool haveFolder = MakeLanguageFolderPath(m_languageFolder.GetString(), folderPath, sizeof folderPath);
        LoadLanguageTable(entry, haveFolder ? folderPath : nullptr);
    }
}

void RLocMgr::LoadDefaultTables(bool startup)
{
    m_defaultsLoaded[startup ? 1 : 0] = true;
    for (const TOCEntry& entry : m_entries) {
        if (entry.startup == startup)
            LoadDefaultTable(entry);
    }
}

void RLocMgr::LoadLanguageFolder(const char* folder, bool startup)
{
    if (!folder)
        folder = "";
    char line[PATH_MAX + 64];
    snprintf(line, sizeof line, "Using localization folder %s", folder);
    RLogger* logger = RLogger::GetInstance();
    logger->QueueLine("");
    logger->QueueLine(line);
    logger->QueueLine("");
    m_languageLoaded = true;
    m_languageFolder = folder;
    m_languageFolderLoaded[startup ? 1 : 0] = true;

    char folderPath[PATH_MAX];
    bool haveFolder = MakeLanguageFolderPath(folder, folderPath, sizeof folderPath);
    for (const TOCEntry& entry : m_entries) {
        if (entry.startup == startup)
            LoadLanguageTable(entry, haveFolder ? folderPath : nullptr);
    }
}

bool RLocMgr::HoldsLanguage(const char* folder) const
{
    char folderPath[PATH_MAX];
    if (!folder || !MakeLanguageFolderPath(folder, folderPath, sizeof folderPath))
        return false;
    for (const TOCEntry& entry : m_entries) {
        char path[PATH_MAX];
        if (!entry.startup && RFile::JoinPath(path, sizeof path, folderPath, entry.fileName.GetString()) &&
            RFile::Exists(path))
            return true;
    }
    return false;
}

void RLocMgr::LoadDefaultTable(const TOCEntry& entry)
{
    RINIFile* table = new RINIFile();
    table->Load(entry.fileName.GetString(), false);
    StoreTable(m_defaultTables, entry.key, table);
}

void RLocMgr::LoadLanguageTable(const TOCEntry& entry, const char* folderPath)
{
    RINIFile* table = new RINIFile();
    char path[PATH_MAX];
    if (folderPath && RFile::JoinPath(path, sizeof path, folderPath, entry.fileName.GetString()))
        table->Load(path, true);
    StoreTable(m_languageTables, entry.key, table);
}

RString RLocMgr::GetString(RHashedString file, RHashedString section, RHashedString key) const
{
    RString value;
    TableMap::Node* language = m_languageTables.find(file);
    bool found = language && language->value->GetValue(section, key, value);
    if (!found) {
        TableMap::Node* defaults = m_defaultTables.find(file);
        char message[1024];
        if (!defaults) {
            snprintf(message, sizeof message, "[File %s for string %s.%s not found]", NameText(file),
                     NameText(section), NameText(key));
            return RString(message);
        }
        if (!defaults->value->GetValue(section, key, value)) {
            snprintf(message, sizeof message, "[String %s.%s.%s not found]", NameText(file), NameText(section),
                     NameText(key));
            return RString(message);
        }
    }
    return m_testLanguage ? MaskText(value) : value;
}

void RLocMgr::ListFiles(RUtilVector<RString>& out) const
{
    out.clear();
    for (const TOCEntry& entry : m_entries)
        out.push(entry.fileName);
}

RString RLocMgr::MaskText(const RString& text)
{
    int length = text.GetLength();
    if (length <= 0)
        return text;
    char* bytes = new char[(size_t)length + 1];
    memcpy(bytes, text.GetString(), (size_t)length + 1);
    for (int i = 0; i < length; ++i) {
        unsigned char c = (unsigned char)bytes[i];
        bool kept = c < 32 || c == ' ' || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        if (!kept)
            bytes[i] = 'X';
    }
    RString masked(bytes, length);
    delete[] bytes;
    return masked;
}

void RLocMgr::StoreTable(TableMap& tables, RHashedString key, RINIFile* table)
{
    TableMap::Node* existing = tables.find(key);
    if (existing) {
        delete existing->value;
        existing->value = table;
        return;
    }
    tables.insert(table, key);
}

void RLocMgr::FreeTables(TableMap& tables)
{
    for (RUtilMapIter<RINIFile*, RHashedString> table(tables); table.isValid(); table.next())
        delete table.getValue();
    tables.clear();
}
