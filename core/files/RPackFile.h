// RPackFile: one pack file (".rpk"): a 12-byte header, the entries' data, then a flat directory of 256-byte
// records naming each entry. A pack is read-only when opened with OpenRead and writable when opened with
// OpenReadWrite or made with Create; the object owns its open file, its path and the directory held in memory.
#pragma once

#include "core/files/RSafeFileWriter.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <cstdint>
#include <cstdio>

// One directory record: the entry's name (zero-terminated inside its 248 bytes), its data offset from the start
// of the file and its data size.
struct RPackFileContent {
    static constexpr uint32_t kNameBytes = 248;
    static constexpr uint32_t kRecordBytes = 256;

    char name[kNameBytes];
    uint32_t dataOffset;
    uint32_t dataSize;
};

class RPackFile {
public:
    // Sizes, offsets and the "no size" answers use all 32 bits set.
    static constexpr uint32_t kNoSize = 0xFFFFFFFFu;
    static constexpr uint32_t kHeaderBytes = 12;

    // Closed, tag "rpk.", no path, no entries.
    RPackFile();
    // Closes the pack when it is still open (writing a writable one out).
    ~RPackFile();

    // Each fails at once when the pack is already open, leaving the stored path alone; otherwise the path is
    // stored. OpenRead and OpenReadWrite read the header and directory and fail on a file that is not a
    // regular file, is shorter than its header, or whose directory or any entry lies outside it. Create starts
    // an empty pack; it is written next to path and put in its place only when Close succeeds, so an old file
    // at path stays whole until then. OpenReadWrite works on a copy made beside path in the same way.
    bool OpenRead(const char* path);
    bool OpenReadWrite(const char* path);
    bool Create(const char* path);

    // False when not open. A writable pack is compacted (no gaps between entries), its directory written after
    // the data and the file cut right after it; false when any of that, or closing, fails. The pack is closed
    // in any case.
    bool Close();
    // Close, but a writable pack's final contents go to path (the stored path becomes path).
    bool CloseAs(const char* path);
    // Closes without finishing anything: the file at the path stays as it was (a pack begun with Create leaves
    // no file).
    void Abandon();

    // Appends an entry holding a copy of the file at diskPath, or of size bytes of buffer, after the data of
    // every other entry. False, with the directory unchanged, when the pack is not open and writable, the name
    // is empty or 248 characters or longer, the file cannot be read, the pack would outgrow 4 GiB, or the write
    // fails. Duplicate names are allowed; the first in directory order is the one found.
    bool AddFile(const char* diskPath, const char* name);
    bool AddBuffer(const char* name, const void* buffer, uint32_t size);
    // Drops the first entry with this name from the directory; its bytes leave the file when it is closed.
    bool RemoveEntry(const char* name);

    // Index of the first entry whose name equals name without regard to case, or -1.
    int FindEntry(const char* name) const;
    // The pack is open and holds the name.
    bool HasEntry(const char* name) const;
    // The entry's size; kNoSize when the pack is not open or has no such entry.
    uint32_t GetEntrySize(const char* name) const;
    // The entry's size, its data offset and the path of the file holding it (valid while the pack lives).
    // False, with kNoSize, kNoSize and null, when the pack is not open or has no such entry.
    bool GetEntryInfo(const char* name, uint32_t* outSize, uint32_t* outOffset, const char** outPackPath) const;

    // A new buffer (delete[]) holding the entry's bytes and a zero byte after them. False, with a null buffer and
    // size kNoSize, when the pack is not open, has no such entry, or the bytes cannot all be read.
    bool ReadEntry(const char* name, char** outBuffer, uint32_t* outSize);
    // The same for the entry at index; returns index + 1, or 0 after the last entry and on failure, so a walk
    // starts at 0 and stops when 0 comes back.
    uint32_t ReadEntryByIndex(uint32_t index, char** outBuffer, uint32_t* outSize);
    // A new 248-byte copy (delete[]) of the name of the entry at index, with the entry's size; returns as
    // ReadEntryByIndex (null name and kNoSize for an index past the end).
    uint32_t GetEntryNameByIndex(uint32_t index, char** outName, uint32_t* outSize) const;

    // Opens the pack's file anew ("rb"), positioned at the entry's first byte, into *outFile, which the caller
    // closes; nothing stops reads at the entry's end. Returns 0, EBADF when the pack is not open, 2 when there is
    // no such entry, or the system's error number.
    int OpenEntryStream(FILE** outFile, const char* name);

    // Appends the entry names in directory order: with a pattern "*suffix" (two characters or more) only the
    // names ending in suffix without regard to case, with any other pattern every name.
    void ListEntries(RUtilVector<RString>& out, const char* pattern) const;

    // Writes the bytes of the entry at index to a new file at destPath. The file is written beside destPath
    // and renamed into place once complete, so a failure (false) leaves whatever was there untouched.
    bool WriteEntryToFile(uint32_t index, const char* destPath);
    // What a content dump did: the entries written, those that were not, and why the first of those was not (the
    // reason, and the path it met, empty when there was none to name).
    struct DumpReport {
        uint32_t written = 0;
        uint32_t failed = 0;
        RString firstReason;
        RString firstPath;
        // Counts count entries as not written; the reason and path are kept when they are the first.
        void Fail(uint32_t count, const char* reason, const RString& path);
    };
    // Writes every entry into folder (a path ending with "/") under its own name through the safe writer,
    // counting each in report. An entry is not written when its name is unsafe (see IsSafeEntryName), when
    // something other than a regular file stands where it would go (that is left as it is), or when its file
    // cannot be written (say, a subfolder missing there, or a full disk).
    void DumpAll(const char* folder, DumpReport& report);

    // True for a non-empty relative name with no ".." part, which therefore stays inside any folder it is
    // joined to.
    static bool IsSafeEntryName(const char* name);

private:
    // A slot of the name index: the entry's folded-name hash and its index + 1 (0 for an empty slot).
    struct IndexSlot {
        uint32_t hash;
        uint32_t entryPlusOne;
    };

    bool ReadDirectory();
    // The name index (RPackFileIndex.cpp) maps each name, folded to lower case, to its first entry in directory
    // order, so a lookup costs the same whatever the pack's size. RebuildIndex makes it anew from the directory
    // (after it was read or an entry was removed); IndexEntry adds the entry just appended.
    void RebuildIndex();
    void IndexEntry(uint32_t index);
    bool ReadEntryData(uint32_t index, char** outBuffer, uint32_t* outSize);
    // The end of the last entry's data, at least the header's end (kept in m_dataEnd while the pack is open).
    uint64_t GetDataEnd() const;
    bool Compact();
    // Writes the header and directory, cuts the file after the directory and flushes it to disk.
    bool WriteDirectory();
    // The file that holds the data now: the working file while the pack is writable, else the path.
    const char* GetDataFilePath() const;
    bool ReadAt(uint64_t offset, void* dest, uint32_t size);
    // ReadAt past the file's buffer, in one system call for most sizes, whatever was read before: an entry's
    // read costs the same wherever it lies.
    bool ReadDirect(uint64_t offset, void* dest, uint32_t size);
    bool WriteAt(uint64_t offset, const void* source, uint32_t size);
    // Moves length bytes at from down to to (to < from).
    bool MoveDown(uint64_t from, uint64_t to, uint64_t length);

    bool m_open;
    bool m_writable;
    FILE* m_file;
    RString m_path;
    // The file a writable pack is built in (a Create's new pack, an OpenReadWrite's working copy), until Close
    // puts it at m_path; not open for a read-only pack.
    RSafeFileWriter m_newFile;
    char m_tag[4];
    uint32_t m_directoryOffset;
    uint32_t m_directorySize;
    RUtilVector<RPackFileContent> m_entries;
    // Open addressing over a power-of-two number of slots, at most half of them used.
    RUtilVector<IndexSlot> m_index;
    uint64_t m_dataEnd;
};
