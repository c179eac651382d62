#include "core/system/RPlatformLayer.h"

#include "core/files/RFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The user folder and its lock file, each open and locked while this process holds its lock; -1 otherwise.
int s_lockedFolder = -1;
int s_lockedFile = -1;

enum class LockAttempt { kTaken, kTakenByOther, kUnavailable };

// An exclusive lock on the open descriptor fd, never waiting. kUnavailable, with the error, where the file system
// cannot lock what fd is open as: a network file system refuses an exclusive lock on a descriptor open for reading
// (a folder's among them), one without its lock service every lock, and some others have no locks at all.
LockAttempt TryExclusiveLock(int fd, int* outError)
{
    if (flock(fd, LOCK_EX | LOCK_NB) == 0)
        return LockAttempt::kTaken;
    if (errno == EWOULDBLOCK)
        return LockAttempt::kTakenByOther;
    *outError = errno;
    return LockAttempt::kUnavailable;
}

// Whether a lock refused with this error would be refused whatever this user may write: no lock service (ENOLCK),
// or none at all on this file system (ENOSYS, EOPNOTSUPP...). EBADF is the one refusal that writing would lift: a
// network file system locks only what is open for writing.
bool RefusedWhateverIsWritten(int lockError)
{
    return lockError != 0 && lockError != EBADF;
}

// Opens the lock file at path for reading and writing, made when missing. Where this user may not write it
// (another user's file, a read-only file or folder or file system), the file that is there is opened for reading,
// and *outWriteError says why it could not be written. -1, with *outError, where it cannot be opened at all. Never
// through a symbolic link, and never waiting: a FIFO opened this way does not block.
int OpenLockFile(const char* path, int* outError, int* outWriteError)
{
    const int how = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int opened = open(path, O_RDWR | O_CREAT | how, 0666);
    if (opened < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        *outWriteError = errno;
        opened = open(path, O_RDONLY | how);
        // None there to read, and none can be made.
        if (opened < 0 && errno == ENOENT)
            errno = *outWriteError;
    }
    if (opened < 0)
        *outError = errno;
    return opened;
}

bool IsAbsolute(const char* path)
{
    return path && path[0] == '/';
}

} // namespace

void RPlatformLayer::OpenClosedStandardStreams()
{
    for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(stream, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is the closed one.
        const int opened = open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != stream)
            close(opened);
    }
}

void RPlatformLayer::IgnoreBrokenPipes()
{
    signal(SIGPIPE, SIG_IGN);
}

RPlatformLayer::LockResult RPlatformLayer::LockUserFolder(const char* folder, const char* lockPath, int* outError)
{
    UnlockUserFolder();
    *outError = 0;

    // The folder first: where another copy holds it, nothing in the folder is touched. folderError says why it
    // could not be opened or locked; folderLockError, when it was opened, why the lock was refused.
    int folderError = 0;
    int folderLockError = 0;
    int lockedFolder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lockedFolder < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            *outError = errno;
            return kLockNoFolder;
        }
        folderError = errno;
    } else {
        const LockAttempt attempt = TryExclusiveLock(lockedFolder, &folderLockError);
        folderError = folderLockError;
        if (attempt == LockAttempt::kTakenByOther) {
            close(lockedFolder);
            return kLockHeldByOther;
        }
        if (attempt == LockAttempt::kUnavailable) {
            close(lockedFolder);
            lockedFolder = -1;
        }
    }

    int fileError = 0;
    int fileLockError = 0;
    int writeError = 0;
    int lockedFile = OpenLockFile(lockPath, &fileError, &writeError);
    struct stat info;
    const bool blocked = lockedFile >= 0 ? fstat(lockedFile, &info) != 0 || !S_ISREG(info.st_mode)
                                         : lstat(lockPath, &info) == 0 && !S_ISREG(info.st_mode);
    LockAttempt attempt = LockAttempt::kUnavailable;
    if (lockedFile >= 0 && !blocked) {
        attempt = TryExclusiveLock(lockedFile, &fileLockError);
        // Opened for reading only, the file could not be locked because this user may not write it (unless the
        // file system refuses locks whatever is written, below): that is what the player can change.
        if (attempt == LockAttempt::kUnavailable)
            fileError = writeError != 0 ? writeError : fileLockError;
    }
    if (blocked || attempt != LockAttempt::kTaken) {
        if (lockedFile >= 0)
            close(lockedFile);
        lockedFile = -1;
    }
    if (blocked || attempt == LockAttempt::kTakenByOther) {
        if (lockedFolder >= 0)
            close(lockedFolder);
        return blocked ? kLockBlocked : kLockHeldByOther;
    }

    s_lockedFolder = lockedFolder;
    s_lockedFile = lockedFile;
    if (lockedFolder >= 0 || lockedFile >= 0)
        return kLockHeld;
    // The reason is what kept the lock away. A lock refused whatever is written (no lock service) is that reason,
    // even where "Running.lock" could not be written or made: writing would not have brought a lock. Otherwise
    // the file's reason, why it could not be opened for writing or made, which the player can change.
    if (RefusedWhateverIsWritten(fileLockError))
        *outError = fileLockError;
    else if (RefusedWhateverIsWritten(folderLockError))
        *outError = folderLockError;
    else
        *outError = fileError != 0 ? fileError : folderError;
    return kLockUnavailable;
}

const char* RPlatformLayer::DescribeFileType(const char* path)
{
    struct stat info;
    if (lstat(path, &info) != 0)
        return "nothing";
    if (S_ISREG(info.st_mode))
        return "a file";
    if (S_ISDIR(info.st_mode))
        return "a folder";
    if (S_ISLNK(info.st_mode))
        return "a symbolic link";
    if (S_ISFIFO(info.st_mode))
        return "a FIFO";
    if (S_ISSOCK(info.st_mode))
        return "a socket";
    return "a device";
}

void RPlatformLayer::UnlockUserFolder()
{
    for (int* locked : {&s_lockedFile, &s_lockedFolder}) {
        if (*locked >= 0)
            close(*locked);
        *locked = -1;
    }
}

bool RPlatformLayer::GetApplicationSupportFolder(char* outPath, size_t outSize)
{
    if (!outPath || outSize == 0)
        return false;
    outPath[0] = 0;

    const char* dataHome = getenv("XDG_DATA_HOME");
    if (IsAbsolute(dataHome))
        return RFile::JoinPath(outPath, outSize, dataHome, "");

    const char* home = getenv("HOME");
    if (IsAbsolute(home))
        return RFile::JoinPath(outPath, outSize, home, "/.local/share");
    return false;
}

bool RPlatformLayer::TakesPath(const char* path, size_t room)
{
    if (!IsAbsolute(path) || strlen(path) + room >= PATH_MAX)
        return false;
    for (const char* name = path; *name; ) {
        const size_t length = strcspn(name, "/");
        if (length > NAME_MAX)
            return false;
        name += length;
        name += strspn(name, "/");
    }
    return true;
}

bool RPlatformLayer::GetResourcesFolder(char* outPath, size_t outSize)
{
    if (!outPath || outSize == 0)
        return false;
    outPath[0] = 0;

    char wanted[PATH_MAX];
    const char* fromEnvironment = getenv("ROLT_RESOURCE_DIR");
    if (fromEnvironment && fromEnvironment[0]) {
        if (!RFile::JoinPath(wanted, sizeof wanted, fromEnvironment, ""))
            return false;
    } else {
        char executable[PATH_MAX];
        ssize_t length = readlink("/proc/self/exe", executable, sizeof executable - 1);
        if (length <= 0 || (size_t)length >= sizeof executable - 1)
            return false;
        executable[length] = 0;
        char* lastSlash = strrchr(executable, '/');
        if (!lastSlash)
            return false;
        lastSlash[1] = 0;
        if (!RFile::JoinPath(wanted, sizeof wanted, executable, "Resources"))
            return false;
    }

    char resolved[PATH_MAX];
    struct stat info;
    if (!realpath(wanted, resolved) || stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    return RFile::JoinPath(outPath, outSize, resolved, "");
}
