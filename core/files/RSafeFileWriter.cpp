#include "core/files/RSafeFileWriter.h"

#include "core/types/RByteOrder.h"
#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links followed before a chain counts as a loop, as the system counts them.
const int kMaxLinkHops = 40;

// The temporary files that this process's writers have open, so that a clean-up never takes one of them. Never
// destroyed: a writer may still be discarded by a static object's destructor at exit.
std::mutex& OpenTemporariesLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

RUtilVector<RString>& OpenTemporaries()
{
    static RUtilVector<RString>* open = new RUtilVector<RString>;
    return *open;
}

void NoteOpenTemporary(const char* path, bool open)
{
    std::lock_guard<std::mutex> hold(OpenTemporariesLock());
    RUtilVector<RString>& list = OpenTemporaries();
    for (uint32_t i = 0; i < list.getCount(); ++i) {
        if (strcmp(list[i].GetString(), path) == 0) {
            if (!open)
                list.erase(i, 1);
            return;
        }
    }
    if (open)
        list.push(RString(path));
}

bool IsOpenTemporary(const char* path)
{
    std::lock_guard<std::mutex> hold(OpenTemporariesLock());
    for (const RString& open : OpenTemporaries()) {
        if (strcmp(open.GetString(), path) == 0)
            return true;
    }
    return false;
}

// The file a write to path replaces, in out: path itself, or the end of its chain of symbolic links (which need
// not exist yet). False for a loop of links or a path too long for out.
bool ResolveTarget(const char* path, char* out, size_t outSize)
{
    if ((size_t)snprintf(out, outSize, "%s", path) >= outSize)
        return false;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info;
        if (lstat(out, &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char link[PATH_MAX];
        const ssize_t length = readlink(out, link, sizeof(link) - 1);
        if (length < 0)
            return false;
        link[length] = 0;
        if (link[0] == '/') {
            if ((size_t)snprintf(out, outSize, "%s", link) >= outSize)
                return false;
            continue;
        }
        // A relative link is read from the folder that holds it.
        const char* slash = strrchr(out, '/');
        const size_t folderLength = slash ? (size_t)(slash - out) + 1 : 0;
        if (folderLength + (size_t)length + 1 > outSize)
            return false;
        memmove(out + folderLength, link, (size_t)length + 1);
    }
    return false;
}

} // namespace

RSafeFileWriter::RSafeFileWriter() : m_file(nullptr), m_tempPath(nullptr), m_targetPath(nullptr), m_failed(false) {}

RSafeFileWriter::~RSafeFileWriter()
{
    Discard();
}

bool RSafeFileWriter::Open(const char* path)
{
    Discard();
    char target[PATH_MAX];
    if (!path || !path[0] || !ResolveTarget(path, target, sizeof(target)))
        return false;
    path = target;
    // A new file beside the target, made with the mode a plain fopen would give (the process's umask applies), since
    // it takes the target's place.
    static std::atomic<uint32_t> s_serial{0};
    char* tempPath = nullptr;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        char suffix[48];
        snprintf(suffix, sizeof(suffix), ".%ld.%u.tmp", (long)getpid(), (unsigned)s_serial++);
        tempPath = StringConcat(path, suffix);
        descriptor = open(tempPath, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            const bool taken = errno == EEXIST;
            delete[] tempPath;
            tempPath = nullptr;
            if (!taken)
                return false;
        }
    }
    if (descriptor < 0)
        return false;
    m_tempPath = tempPath;
    NoteOpenTemporary(m_tempPath, true);
    m_targetPath = StringDuplicate(path);
    m_file = fdopen(descriptor, "w+b");
    if (!m_file) {
        close(descriptor);
        Discard();
        return false;
    }
    m_failed = false;
    return true;
}

bool RSafeFileWriter::Write(const void* data, size_t size)
{
    if (!m_file || m_failed)
        return false;
    if (size > 0 && fwrite(data, 1, size, m_file) != size)
        m_failed = true;
    return !m_failed;
}

bool RSafeFileWriter::WriteU32(uint32_t value)
{
    uint8_t bytes[4];
    PutLE32(bytes, value);
    return Write(bytes, sizeof bytes);
}

void RSafeFileWriter::Print(const char* format, ...)
{
    if (!m_file || m_failed)
        return;
    va_list arguments;
    va_start(arguments, format);
    if (vfprintf(m_file, format, arguments) < 0)
        m_failed = true;
    va_end(arguments);
}

bool RSafeFileWriter::Commit()
{
    return CommitAs(m_targetPath);
}

bool RSafeFileWriter::CommitAs(const char* path)
{
    if (!m_file || !path || !path[0]) {
        Discard();
        return false;
    }
    bool ok = !m_failed && fflush(m_file) == 0 && fsync(fileno(m_file)) == 0;
    ok = fclose(m_file) == 0 && ok;
    m_file = nullptr;
    ok = ok && rename(m_tempPath, path) == 0;
    if (ok) {
        NoteOpenTemporary(m_tempPath, false);
        delete[] m_tempPath;
        m_tempPath = nullptr;
    }
    Discard();
    return ok;
}

void RSafeFileWriter::Discard()
{
    if (m_file) {
        fclose(m_file);
        m_file = nullptr;
    }
    if (m_tempPath) {
        unlink(m_tempPath);
        NoteOpenTemporary(m_tempPath, false);
        delete[] m_tempPath;
        m_tempPath = nullptr;
    }
    delete[] m_targetPath;
    m_targetPath = nullptr;
    m_failed = false;
}

int RSafeFileWriter::RemoveStaleTemporaries(const char* folder)
{
    if (!folder || !folder[0])
        return 0;
    DIR* listing = opendir(folder);
    if (!listing)
        return 0;
    const size_t folderLength = strlen(folder);
    const char* separator = folder[folderLength - 1] == '/' ? "" : "/";
    int removed = 0;
    const long self = (long)getpid();
    while (const struct dirent* entry = readdir(listing)) {
        // "<target>.<process id>.<serial>.tmp" and nothing else: the last three dot-separated parts.
        const char* name = entry->d_name;
        const size_t length = strlen(name);
        if (length < 9 || strcmp(name + length - 4, ".tmp") != 0)
            continue;
        const char* serialEnd = name + length - 4;
        const char* serial = serialEnd;
        while (serial > name && serial[-1] >= '0' && serial[-1] <= '9')
            --serial;
        if (serial == serialEnd || serial - name < 3 || serial[-1] != '.')
            continue;
        const char* ownerEnd = serial - 1;
        const char* ownerText = ownerEnd;
        while (ownerText > name && ownerText[-1] >= '0' && ownerText[-1] <= '9')
            --ownerText;
        if (ownerText == ownerEnd || ownerText - name < 2 || ownerText[-1] != '.' || ownerEnd - ownerText > 9)
            continue;
        const long owner = strtol(ownerText, nullptr, 10);
        char temporary[PATH_MAX];
        if ((size_t)snprintf(temporary, sizeof(temporary), "%s%s%s", folder, separator, name) >= sizeof(temporary))
            continue;
        struct stat info;
        if (owner <= 0 || lstat(temporary, &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        const bool ownerRuns =
            owner == self ? IsOpenTemporary(temporary) : (kill((pid_t)owner, 0) == 0 || errno != ESRCH);
        if (!ownerRuns && unlink(temporary) == 0)
            ++removed;
    }
    closedir(listing);
    return removed;
}
