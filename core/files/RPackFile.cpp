#include "core/files/RPackFile.h"

#include "core/types/RByteOrder.h"
#include "core/files/RFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kNewPackTag[4] = {'r', 'p', 'k', '.'};
const uint32_t kCopyChunkBytes = 65536;

// Appends length bytes at offset in source to dest.
bool CopyRange(FILE* source, uint64_t offset, uint64_t length, RSafeFileWriter& dest)
{
    if (fseeko(source, (off_t)offset, SEEK_SET) != 0)
        return false;
    unsigned char* chunk = new (std::nothrow) unsigned char[kCopyChunkBytes];
    bool ok = chunk != nullptr;
    while (ok && length > 0) {
        size_t count = length < kCopyChunkBytes ? (size_t)length : kCopyChunkBytes;
        ok = fread(chunk, 1, count, source) == count && dest.Write(chunk, count);
        length -= count;
    }
    delete[] chunk;
    return ok;
}

// Copies length bytes at offset in source to a new file at destPath, which is replaced only once every byte is
// on disk, so a failure leaves whatever was at destPath untouched.
bool CopyToNewFile(FILE* source, uint64_t offset, uint64_t length, const char* destPath)
{
    RSafeFileWriter dest;
    return dest.Open(destPath) && CopyRange(source, offset, length, dest) && dest.Commit();
}

// Orders entry indices by their data offsets; the context is the entry list.
int CompareDataOffsets(const uint32_t* a, const uint32_t* b, void* context)
{
    const RUtilVector<RPackFileContent>& entries = *static_cast<const RUtilVector<RPackFileContent>*>(context);
    uint32_t left = entries[*a].dataOffset;
    uint32_t right = entries[*b].dataOffset;
    return left < right ? -1 : (left > right ? 1 : 0);
}

} // namespace

RPackFile::RPackFile()
    : m_open(false), m_writable(false), m_file(nullptr), m_directoryOffset(0), m_directorySize(0),
      m_dataEnd(kHeaderBytes)
{
    memcpy(m_tag, kNewPackTag, sizeof m_tag);
}

RPackFile::~RPackFile()
{
    if (m_open)
        Close();
}

bool RPackFile::OpenRead(const char* path)
{
    if (m_open || !path || !path[0])
        return false;
    m_path = path;
    // Only a regular file is a pack; opening anything else (a named pipe, say) could block for good.
    m_file = RFile::OpenRegular(path);
    if (!m_file)
        return false;
    m_open = true;
    if (!ReadDirectory()) {
        m_entries.free();
        m_directorySize = 0;
        RebuildIndex();
        Abandon();
        return false;
    }
    RebuildIndex();
    return true;
}

bool RPackFile::OpenReadWrite(const char* path)
{
    if (!OpenRead(path))
        return false;
    // The changes go to a working copy beside the pack that takes its place only when Close succeeds, so a
    // failure on the way, or Abandon, leaves the pack as it was.
    FILE* original = m_file;
    struct stat info;
    bool ok = fstat(fileno(original), &info) == 0 && m_newFile.Open(path) &&
              CopyRange(original, 0, (uint64_t)info.st_size, m_newFile);
    fclose(original);
    m_file = m_newFile.GetFile();
    if (!ok) {
        m_entries.free();
        m_directorySize = 0;
        RebuildIndex();
        Abandon();
        return false;
    }
    m_writable = true;
    return true;
}

bool RPackFile::Create(const char* path)
{
    if (m_open || !path || !path[0])
        return false;
    m_path = path;
    if (!m_newFile.Open(path))
        return false;
    m_file = m_newFile.GetFile();
    m_open = true;
    m_writable = true;
    memcpy(m_tag, kNewPackTag, sizeof m_tag);
    m_directoryOffset = kHeaderBytes;
    m_directorySize = 0;
    m_entries.free();
    RebuildIndex();
    return true;
}

bool RPackFile::ReadDirectory()
{
    struct stat info;
    if (fstat(fileno(m_file), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    uint64_t fileLength = (uint64_t)info.st_size;

    unsigned char header[kHeaderBytes];
    if (fileLength < kHeaderBytes || !ReadAt(0, header, kHeaderBytes))
        return false;
    memcpy(m_tag, header, sizeof m_tag);
    m_directoryOffset = ReadLE32(header + 4);
    m_directorySize = ReadLE32(header + 8);
    if ((uint64_t)m_directoryOffset + m_directorySize > fileLength)
        return false;

    uint32_t count = m_directorySize / RPackFileContent::kRecordBytes;
    m_directorySize = count * RPackFileContent::kRecordBytes;
    m_entries.free();
    if (count == 0)
        return true;
    if (fseeko(m_file, (off_t)m_directoryOffset, SEEK_SET) != 0)
        return false;
    m_entries.setSize(count);
    for (uint32_t i = 0; i < count; ++i) {
        unsigned char record[RPackFileContent::kRecordBytes];
        if (fread(record, 1, sizeof record, m_file) != sizeof record)
            return false;
        RPackFileContent& entry = m_entries[i];
        memcpy(entry.name, record, RPackFileContent::kNameBytes);
        entry.name[RPackFileContent::kNameBytes - 1] = 0;
        entry.dataOffset = ReadLE32(record + RPackFileContent::kNameBytes);
        entry.dataSize = ReadLE32(record + RPackFileContent::kNameBytes + 4);
        uint64_t dataEnd = (uint64_t)entry.dataOffset + entry.dataSize;
        if (dataEnd > fileLength || dataEnd > UINT32_MAX)
            return false;
    }
    return true;
}

void RPackFile::Abandon()
{
    if (m_newFile.GetFile())
        m_newFile.Discard();
    else if (m_file)
        fclose(m_file);
    m_file = nullptr;
    m_open = false;
    m_writable = false;
}

bool RPackFile::Close()
{
    if (!m_open)
        return false;
    bool ok = true;
    if (m_writable) {
        m_writable = false;
        ok = Compact() && WriteDirectory();
    }
    if (!m_newFile.GetFile()) {
        ok = fclose(m_file) == 0 && ok;
    } else if (ok) {
        ok = m_newFile.CommitAs(m_path.GetString());
    } else {
        m_newFile.Discard();
    }
    m_file = nullptr;
    m_open = false;
    return ok;
}

bool RPackFile::CloseAs(const char* path)
{
    if (!m_open || !path || !path[0])
        return false;
    m_path = path;
    return Close();
}

uint64_t RPackFile::GetDataEnd() const
{
    uint64_t end = kHeaderBytes;
    for (const RPackFileContent& entry : m_entries) {
        uint64_t entryEnd = (uint64_t)entry.dataOffset + entry.dataSize;
        if (entryEnd > end)
            end = entryEnd;
    }
    return end;
}

bool RPackFile::AddFile(const char* diskPath, const char* name)
{
    if (!m_open || !m_writable)
        return false;
    FILE* file = RFile::OpenRegular(diskPath);
    if (!file)
        return false;
    char* data = nullptr;
    uint32_t size = 0;
    bool ok = RFile::ReadWhole(file, &data, &size);
    fclose(file);
    ok = ok && AddBuffer(name, data, size);
    delete[] data;
    return ok;
}

bool RPackFile::AddBuffer(const char* name, const void* buffer, uint32_t size)
{
    if (!m_open || !m_writable || !name || !name[0] || strlen(name) >= RPackFileContent::kNameBytes)
        return false;
    if (!buffer && size > 0)
        return false;
    uint64_t offset = m_dataEnd;
    uint64_t directorySize = (uint64_t)m_directorySize + RPackFileContent::kRecordBytes;
    if (offset + size > UINT32_MAX || directorySize > UINT32_MAX)
        return false;
    if (size > 0 && !WriteAt(offset, buffer, size))
        return false;

    RPackFileContent entry;
    memset(&entry, 0, sizeof entry);
    strcpy(entry.name, name);
    entry.dataOffset = (uint32_t)offset;
    entry.dataSize = size;
    m_entries.push(entry);
    IndexEntry(m_entries.getCount() - 1);
    m_dataEnd = offset + size;
    m_directorySize = (uint32_t)directorySize;
    m_directoryOffset = (uint32_t)(offset + size);
    return true;
}

bool RPackFile::RemoveEntry(const char* name)
{
    if (!m_open || !m_writable)
        return false;
    int index = FindEntry(name);
    if (index < 0)
        return false;
    m_entries.erase((uint32_t)index, 1);
    m_directorySize -= RPackFileContent::kRecordBytes;
    RebuildIndex();
    return true;
}

bool RPackFile::Compact()
{
    uint32_t count = m_entries.getCount();
    uint64_t pos = kHeaderBytes;

    // Entries in offset order form runs of overlapping or touching data. A run that starts past pos is moved
    // down to pos; a run already reaching pos only moves pos to its end.
    RUtilVector<uint32_t> order;
    order.setSize(count);
    for (uint32_t i = 0; i < count; ++i)
        order[i] = i;
    order.sort(CompareDataOffsets, &m_entries);

    uint32_t first = 0;
    while (first < count) {
        uint64_t runStart = m_entries[order[first]].dataOffset;
        uint64_t runEnd = runStart + m_entries[order[first]].dataSize;
        uint32_t next = first + 1;
        while (next < count && m_entries[order[next]].dataOffset <= runEnd) {
            uint64_t end = (uint64_t)m_entries[order[next]].dataOffset + m_entries[order[next]].dataSize;
            if (end > runEnd)
                runEnd = end;
            ++next;
        }
        if (runStart > pos) {
            if (!MoveDown(runStart, pos, runEnd - runStart))
                return false;
            uint32_t shift = (uint32_t)(runStart - pos);
            for (uint32_t i = first; i < next; ++i)
                m_entries[order[i]].dataOffset -= shift;
            pos += runEnd - runStart;
        } else if (runEnd > pos) {
            pos = runEnd;
        }
        first = next;
    }

    m_directoryOffset = (uint32_t)pos;
    m_directorySize = count * RPackFileContent::kRecordBytes;
    return true;
}

bool RPackFile::MoveDown(uint64_t from, uint64_t to, uint64_t length)
{
    unsigned char* chunk = new (std::nothrow) unsigned char[kCopyChunkBytes];
    bool ok = chunk != nullptr;
    for (uint64_t done = 0; ok && done < length;) {
        uint32_t count = length - done < kCopyChunkBytes ? (uint32_t)(length - done) : kCopyChunkBytes;
        ok = ReadAt(from + done, chunk, count) && WriteAt(to + done, chunk, count);
        done += count;
    }
    delete[] chunk;
    return ok;
}

bool RPackFile::WriteDirectory()
{
    unsigned char header[kHeaderBytes];
    memcpy(header, m_tag, sizeof m_tag);
    PutLE32(header + 4, m_directoryOffset);
    PutLE32(header + 8, m_directorySize);
    if (!WriteAt(0, header, kHeaderBytes))
        return false;
    if (fseeko(m_file, (off_t)m_directoryOffset, SEEK_SET) != 0)
        return false;
    for (const RPackFileContent& entry : m_entries) {
        unsigned char record[RPackFileContent::kRecordBytes];
        memcpy(record, entry.name, RPackFileContent::kNameBytes);
        PutLE32(record + RPackFileContent::kNameBytes, entry.dataOffset);
        PutLE32(record + RPackFileContent::kNameBytes + 4, entry.dataSize);
        if (fwrite(record, 1, sizeof record, m_file) != sizeof record)
            return false;
    }
    // Every good byte is written before the file is cut to its new length.
    off_t length = (off_t)m_directoryOffset + (off_t)m_directorySize;
    return fflush(m_file) == 0 && ftruncate(fileno(m_file), length) == 0 && fsync(fileno(m_file)) == 0;
}

bool RPackFile::ReadAt(uint64_t offset, void* dest, uint32_t size)
{
    return fseeko(m_file, (off_t)offset, SEEK_SET) == 0 && fread(dest, 1, size, m_file) == size;
}

bool RPackFile::ReadDirect(uint64_t offset, void* dest, uint32_t size)
{
    // Bytes added to a writable pack may still sit in the file's buffer.
    if (m_writable && fflush(m_file) != 0)
        return false;
    int descriptor = fileno(m_file);
    char* to = static_cast<char*>(dest);
    for (uint32_t done = 0; done < size;) {
        ssize_t count = pread(descriptor, to + done, size - done, (off_t)(offset + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += (uint32_t)count;
    }
    return true;
}

bool RPackFile::WriteAt(uint64_t offset, const void* source, uint32_t size)
{
    return fseeko(m_file, (off_t)offset, SEEK_SET) == 0 && fwrite(source, 1, size, m_file) == size;
}

const char* RPackFile::GetDataFilePath() const
{
    const char* building = m_newFile.GetTempPath();
    return building ? building : m_path.GetString();
}

bool RPackFile::HasEntry(const char* name) const
{
    return m_open && FindEntry(name) >= 0;
}

uint32_t RPackFile::GetEntrySize(const char* name) const
{
    int index = m_open ? FindEntry(name) : -1;
    return index >= 0 ? m_entries[(uint32_t)index].dataSize : kNoSize;
}

bool RPackFile::GetEntryInfo(const char* name, uint32_t* outSize, uint32_t* outOffset,
                             const char** outPackPath) const
{
    *outSize = kNoSize;
    *outOffset = kNoSize;
    *outPackPath = nullptr;
    int index = m_open ? FindEntry(name) : -1;
    if (index < 0)
        return false;
    *outSize = m_entries[(uint32_t)index].dataSize;
    *outOffset = m_entries[(uint32_t)index].dataOffset;
    *outPackPath = GetDataFilePath();
    return true;
}

bool RPackFile::ReadEntryData(uint32_t index, char** outBuffer, uint32_t* outSize)
{
    const RPackFileContent& entry = m_entries[index];
    char* buffer = new (std::nothrow) char[(uint64_t)entry.dataSize + 1];
    if (!buffer)
        return false;
    if (!ReadDirect(entry.dataOffset, buffer, entry.dataSize)) {
        delete[] buffer;
        return false;
    }
    buffer[entry.dataSize] = 0;
    *outBuffer = buffer;
    *outSize = entry.dataSize;
    return true;
}

bool RPackFile::ReadEntry(const char* name, char** outBuffer, uint32_t* outSize)
{
    *outBuffer = nullptr;
    *outSize = kNoSize;
    int index = m_open ? FindEntry(name) : -1;
    return index >= 0 && ReadEntryData((uint32_t)index, outBuffer, outSize);
}

uint32_t RPackFile::ReadEntryByIndex(uint32_t index, char** outBuffer, uint32_t* outSize)
{
    *outBuffer = nullptr;
    *outSize = kNoSize;
    uint32_t count = m_entries.getCount();
    if (!m_open || index >= count || !ReadEntryData(index, outBuffer, outSize))
        return 0;
    return index + 1 < count ? index + 1 : 0;
}

uint32_t RPackFile::GetEntryNameByIndex(uint32_t index, char** outName, uint32_t* outSize) const
{
    *outName = nullptr;
    *outSize = kNoSize;
    uint32_t count = m_entries.getCount();
    if (index >= count)
        return 0;
    char* name = new (std::nothrow) char[RPackFileContent::kNameBytes];
    if (!name)
        return 0;
    memcpy(name, m_entries[index].name, RPackFileContent::kNameBytes);
    *outName = name;
    *outSize = m_entries[index].dataSize;
    return index + 1 < count ? index + 1 : 0;
}

int RPackFile::OpenEntryStream(FILE** outFile, const char* name)
{
    *outFile = nullptr;
    if (!m_open)
        return EBADF;
    int index = FindEntry(name);
    if (index < 0)
        return ENOENT;
    // Bytes added to a writable pack may still sit in this object's buffer.
    if (m_writable && fflush(m_file) != 0)
        return errno ? errno : EIO;
    FILE* file = RFile::OpenRegular(GetDataFilePath());
    if (!file)
        return errno ? errno : EIO;
    if (fseeko(file, (off_t)m_entries[(uint32_t)index].dataOffset, SEEK_SET) != 0) {
        int error = errno ? errno : EIO;
        fclose(file);
        return error;
    }
    *outFile = file;
    return 0;
}

void RPackFile::ListEntries(RUtilVector<RString>& out, const char* pattern) const
{
    size_t patternLength = pattern ? strlen(pattern) : 0;
    bool bySuffix = patternLength >= 2 && pattern[0] == '*';
    size_t suffixLength = patternLength - 1;
    for (const RPackFileContent& entry : m_entries) {
        if (bySuffix) {
            size_t nameLength = strlen(entry.name);
            if (nameLength < suffixLength || strcasecmp(entry.name + nameLength - suffixLength, pattern + 1) != 0)
                continue;
        }
        out.push(RString(entry.name));
    }
}

bool RPackFile::IsSafeEntryName(const char* name)
{
    if (!name || !name[0] || name[0] == '/')
        return false;
    for (const char* part = name;;) {
        const char* slash = strchr(part, '/');
        size_t length = slash ? (size_t)(slash - part) : strlen(part);
        if (length == 2 && part[0] == '.' && part[1] == '.')
            return false;
        if (!slash)
            return true;
        part = slash + 1;
    }
}

bool RPackFile::WriteEntryToFile(uint32_t index, const char* destPath)
{
    if (!m_open || index >= m_entries.getCount() || !destPath || !destPath[0])
        return false;
    if (m_writable && fflush(m_file) != 0)
        return false;
    return CopyToNewFile(m_file, m_entries[index].dataOffset, m_entries[index].dataSize, destPath);
}

void RPackFile::DumpReport::Fail(uint32_t count, const char* reason, const RString& path)
{
    if (count == 0)
        return;
    if (failed == 0) {
        firstReason = reason;
        firstPath = path;
    }
    failed += count;
}

void RPackFile::DumpAll(const char* folder, DumpReport& report)
{
    if (!m_open || !folder)
        return;
    for (uint32_t i = 0; i < m_entries.getCount(); ++i) {
        const char* name = m_entries[i].name;
        if (!IsSafeEntryName(name)) {
            report.Fail(1, "the name leads out of the folder", RString(name));
            continue;
        }
        const RString path = RString(folder) + name;
        if (path.GetLength() >= PATH_MAX) {
            report.Fail(1, strerror(ENAMETOOLONG), path);
            continue;
        }
        struct stat info;
        if (stat(path.GetString(), &info) == 0 && !S_ISREG(info.st_mode)) {
            report.Fail(1, "something other than a file stands there and is left as it is", path);
            continue;
        }
        errno = 0;
        if (WriteEntryToFile(i, path.GetString()))
            ++report.written;
        else
            report.Fail(1, errno ? strerror(errno) : "the file could not be written", path);
    }
}
