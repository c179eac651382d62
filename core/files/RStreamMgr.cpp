#include "core/files/RStreamMgr.h"

#include "core/files/RFile.h"
#include "core/files/RPackFile.h"
#include "core/system/RCore.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <sys/stat.h>

RStreamMgr* RStreamMgr::s_instance = nullptr;

RStreamMgr* RStreamMgr::GetInstance()
{
    if (!s_instance)
        s_instance = new RStreamMgr();
    return s_instance;
}

void RStreamMgr::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

RStreamMgr::RStreamMgr()
{
    m_path[0] = 0;
}

RStreamMgr::~RStreamMgr()
{
    CloseAllSources();
}

bool RStreamMgr::MountPack(const char* path)
{
    bool present = false;
    FILE* probe = RFile::OpenRegular(path, &present);
    if (probe)
        fclose(probe);
    if (!present)
        return false;
    RPackFile* pack = new RPackFile();
    if (!pack->OpenRead(path)) {
        fprintf(stderr, "%s is damaged or not a pack: its content is not used\n",
                RString(path).EscapeControls().GetString());
        delete pack;
        return false;
    }
    m_sources.push(StreamSource{pack, nullptr});
    return true;
}

void RStreamMgr::AddSearchPath(const char* folder)
{
    if (!folder)
        return;
    size_t length = strlen(folder);
    bool needsSlash = length > 0 && folder[length - 1] != '/';
    m_sources.push(StreamSource{nullptr, needsSlash ? StringConcat(folder, "/") : StringDuplicate(folder)});
}

int RStreamMgr::FindSource(const char* name, uint32_t mode)
{
    int entry = -1;
    return Locate(name, mode, &entry);
}

int RStreamMgr::Locate(const char* name, uint32_t mode, int* outEntry, FILE** outFile)
{
    *outEntry = -1;
    if (!name)
        return -1;
    bool usePacks = mode == kPacksAndFolders || mode == kPacksOnly;
    bool useFolders = mode == kPacksAndFolders || mode == kFoldersOnly;
    for (uint32_t i = 0; i < m_sources.getCount(); ++i) {
        const StreamSource& source = m_sources[i];
        if (source.pack) {
            *outEntry = usePacks ? source.pack->FindEntry(name) : -1;
            if (*outEntry >= 0)
                return (int)i;
        } else if (useFolders && RFile::JoinPath(m_path, sizeof m_path, source.folder, name)) {
            if (outFile ? (*outFile = RFile::OpenRegular(m_path)) != nullptr : RFile::Exists(m_path))
                return (int)i;
        }
    }
    return -1;
}

bool RStreamMgr::Exists(const char* name, uint32_t mode)
{
    return FindSource(name, mode) >= 0;
}

bool RStreamMgr::IsInFolder(const char* name, uint32_t mode)
{
    const int index = FindSource(name, mode);
    return index >= 0 && m_sources[(uint32_t)index].folder != nullptr;
}

uint32_t RStreamMgr::GetFileSize(const char* name, uint32_t mode)
{
    int index = FindSource(name, mode);
    if (index < 0)
        return RPackFile::kNoSize;
    RPackFile* pack = m_sources[(uint32_t)index].pack;
    return pack ? pack->GetEntrySize(name) : MeasureFoundFile();
}

uint32_t RStreamMgr::MeasureFoundFile() const
{
    FILE* file = RFile::OpenRegular(m_path);
    if (!file)
        return RPackFile::kNoSize;
    uint32_t size = 0;
    bool measured = RFile::GetSize(file, &size);
    fclose(file);
    return measured ? size : RPackFile::kNoSize;
}

void RStreamMgr::ReadFile(const char* name, char** outBuffer, uint32_t* outSize, uint32_t mode, bool addTerminator,
                          uint32_t maxSize)
{
    *outBuffer = nullptr;
    *outSize = RPackFile::kNoSize;
    int entry = -1;
    FILE* file = nullptr;
    int index = Locate(name, mode, &entry, &file);
    if (index < 0)
        return;
    RPackFile* pack = m_sources[(uint32_t)index].pack;
    if (pack) {
        if (maxSize == RPackFile::kNoSize || pack->GetEntrySize(name) <= maxSize)
            pack->ReadEntryByIndex((uint32_t)entry, outBuffer, outSize);
        return;
    }

    struct stat info;
    uint32_t size = 0;
    char* buffer = nullptr;
    if (fstat(fileno(file), &info) == 0 && (uint64_t)info.st_size <= maxSize) {
        size = (uint32_t)info.st_size;
        buffer = new (std::nothrow) char[(uint64_t)size + (addTerminator ? 1 : 0)];
    }
    bool ok = buffer && fread(buffer, 1, size, file) == size;
    fclose(file);
    if (!ok) {
        delete[] buffer;
        return;
    }
    if (addTerminator)
        buffer[size] = 0;
    *outBuffer = buffer;
    *outSize = size;
}

void RStreamMgr::ReadFile(const char* name, unsigned char** outBuffer, uint32_t* outSize, uint32_t mode,
                          bool addTerminator, uint32_t maxSize)
{
    char* buffer = nullptr;
    ReadFile(name, &buffer, outSize, mode, addTerminator, maxSize);
    *outBuffer = reinterpret_cast<unsigned char*>(buffer);
}

int RStreamMgr::OpenFile(FILE** outFile, const char* name, uint32_t mode)
{
    *outFile = nullptr;
    int index = FindSource(name, mode);
    if (index < 0)
        return ENOENT;
    RPackFile* pack = m_sources[(uint32_t)index].pack;
    if (pack)
        return pack->OpenEntryStream(outFile, name);
    *outFile = RFile::OpenRegular(m_path);
    if (!*outFile)
        return errno ? errno : EIO;
    return 0;
}

bool RStreamMgr::GetFileInfo(const char* name, uint32_t* outSize, uint32_t* outOffset, RString* outPath,
                             uint32_t mode)
{
    *outSize = RPackFile::kNoSize;
    *outOffset = RPackFile::kNoSize;
    int index = FindSource(name, mode);
    if (index < 0)
        return false;
    RPackFile* pack = m_sources[(uint32_t)index].pack;
    if (pack) {
        const char* packPath = nullptr;
        if (!pack->GetEntryInfo(name, outSize, outOffset, &packPath))
            return false;
        *outPath = packPath;
        return true;
    }
    *outPath = m_path;
    *outSize = MeasureFoundFile();
    *outOffset = 0;
    return true;
}

void RStreamMgr::ListFiles(RUtilVector<RString>& out, const char* pattern, uint32_t mode)
{
    for (const StreamSource& source : m_sources) {
        if (source.pack)
            source.pack->ListEntries(out, pattern);
    }
}

void RStreamMgr::DumpAllContent(RPackFile::DumpReport& report)
{
    RCore* core = RCore::GetInstance();
    char userFolder[PATH_MAX];
    const char* failure = nullptr;
    RString folder;
    if (!core || !RCore::MakeUserFolder(userFolder, sizeof userFolder, core->GetLocalAppDataPathName(), "", false)) {
        failure = "there is no user folder";
    } else {
        folder = RString(userFolder) + core->GetContentDumpFolderName();
        struct stat info;
        if (mkdir(folder.GetString(), 0777) != 0 && errno != EEXIST)
            failure = strerror(errno);
        else if (stat(folder.GetString(), &info) != 0 || !S_ISDIR(info.st_mode))
            failure = "something other than a folder stands there and is left as it is";
    }
    if (failure) {
        RUtilVector<RString> names;
        ListFiles(names, "", kPacksOnly);
        report.Fail(names.getCount(), failure, folder);
        return;
    }
    for (const StreamSource& source : m_sources) {
        if (source.pack)
            source.pack->DumpAll(folder.GetString(), report);
    }
}

void RStreamMgr::CloseAllSources()
{
    for (StreamSource& source : m_sources) {
        if (source.pack)
            source.pack->Close();
        delete source.pack;
        delete[] source.folder;
    }
    m_sources.free();
    m_path[0] = 0;
}
