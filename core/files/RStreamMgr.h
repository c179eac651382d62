// RStreamMgr: finds every content file by name in an ordered list of sources (folders and mounted packs); the
// first source, in the order they were added, that holds the name wins. The manager owns its packs and folder
// texts. Main thread only: folder lookups share one path buffer, which the following open or read uses.
#pragma once

#include "core/files/RPackFile.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cstdint>
#include <cstdio>

class RStreamMgr {
public:
    // Which sources a lookup may use; any other value matches none.
    enum SearchMode : uint32_t { kPacksAndFolders = 0, kFoldersOnly = 1, kPacksOnly = 2 };
    // The shared path buffer: a folder prefix joined with a name must fit in it, terminator included.
    static constexpr uint32_t kPathBytes = 256;

    // One source: an open pack or a folder prefix ("" for the working directory, otherwise ending with "/").
    // Exactly one is set; both are owned by the manager.
    struct StreamSource {
        RPackFile* pack;
        char* folder;
    };

    // The manager, created empty on first use.
    static RStreamMgr* GetInstance();
    // Closes every source and frees the manager; nothing when there is none.
    static void DestroyInstance();

    // Adds the pack at path as the next source and returns true. A missing file is skipped (false); so is one that
    // does not open as a pack (damaged, cut short, not a regular file), which is named on standard error.
    bool MountPack(const char* path);
    // Adds folder (with "/" appended unless it is empty or ends with one) as the next source.
    void AddSearchPath(const char* folder);

    // Index of the first source that holds name, or -1. Packs match names without regard to case, folders as
    // the file system does; a folder whose prefix and name would not fit the path buffer does not hold it.
    int FindSource(const char* name, uint32_t mode);
    bool Exists(const char* name, uint32_t mode);
    // Whether the first source that holds name, among those mode allows, is a folder rather than a pack.
    bool IsInFolder(const char* name, uint32_t mode);
    // The file's size; RPackFile::kNoSize when no source holds it or it cannot be measured.
    uint32_t GetFileSize(const char* name, uint32_t mode);
    // A new buffer (delete[]) with the file's bytes; with addTerminator a zero byte follows them (a pack entry
    // always has one). A null buffer and size RPackFile::kNoSize when it is not found, cannot be read or is
    // larger than maxSize bytes (nothing is allocated for it then).
    void ReadFile(const char* name, char** outBuffer, uint32_t* outSize, uint32_t mode, bool addTerminator,
                  uint32_t maxSize = 0xFFFFFFFFu);
    void ReadFile(const char* name, unsigned char** outBuffer, uint32_t* outSize, uint32_t mode,
                  bool addTerminator, uint32_t maxSize = 0xFFFFFFFFu);
    // Opens the file ("rb") into *outFile, which the caller closes: a pack entry's file is positioned at the
    // entry's first byte and reads do not stop at its end. Returns 0, 2 when no source holds the name, or the
    // system's error number.
    int OpenFile(FILE** outFile, const char* name, uint32_t mode);
    // The file's size, its offset in the file that holds it and that file's path into *outPath: for a pack
    // entry the pack's path and the entry's offset, for a loose file its full path and 0. False, with kNoSize
    // size and offset and *outPath unchanged, when no source holds the name.
    bool GetFileInfo(const char* name, uint32_t* outSize, uint32_t* outOffset, RString* outPath, uint32_t mode);
    // Appends the matching entry names of every pack in source order (RPackFile::ListEntries); folders add
    // nothing and the mode is not used.
    void ListFiles(RUtilVector<RString>& out, const char* pattern, uint32_t mode);
    // Writes every pack's entries to the user "Content Dump/" folder, made when missing (RPackFile::DumpAll),
    // counting each in report. When the folder cannot be made (no user folder, or something other than a folder
    // stands in its place, which is left as it is), every entry counts as not written, for that reason.
    void DumpAllContent(RPackFile::DumpReport& report);
    // Closes and frees every pack and folder text and empties the list.
    void CloseAllSources();

private:
    RStreamMgr();
    ~RStreamMgr();
    RStreamMgr(const RStreamMgr&) = delete;
    RStreamMgr& operator=(const RStreamMgr&) = delete;

    // FindSource, also giving the entry's index when a pack holds the name (else -1), so that a read need not
    // search the pack's directory again. With outFile, a folder's file is tested by opening it, and a found one
    // is left open there for the caller to read and close.
    int Locate(const char* name, uint32_t mode, int* outEntry, FILE** outFile = nullptr);
    // The size of the loose file that the last lookup found (the path buffer); kNoSize when it cannot be measured.
    uint32_t MeasureFoundFile() const;

    RUtilVector<StreamSource> m_sources;
    char m_path[kPathBytes];

    static RStreamMgr* s_instance;
};
