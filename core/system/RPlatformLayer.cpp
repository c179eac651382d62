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

// The user folder's lock file, open and locked while this process holds it; -1 otherwise.
int s_userFolderLock = -1;

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

RPlatformLayer::LockResult RPlatformLayer::LockUserFolder(const char* path, int* outError)
{
    UnlockUserFolder();
    *outError = 0;
    // Not through a link, and never waiting: a FIFO opened for reading and writing does not block, and it is
    // refused below with whatever else is not a regular file.
    const int opened = open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (opened < 0) {
        const int error = errno;
        struct stat info;
        if (lstat(path, &info) == 0 && !S_ISREG(info.st_mode))
            return kLockBlocked;
        *outError = error;
        switch (error) {
        case ENOENT:
        case ENOTDIR:
            return kLockNoFolder;
        case EROFS:
        case ENOSPC:
        case EDQUOT:
            return kLockUnsupported;
        default:
            return kLockFailed;
        }
    }
    struct stat info;
    if (fstat(opened, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(opened);
        return kLockBlocked;
    }
    if (flock(opened, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(opened);
        if (error == EWOULDBLOCK)
            return kLockHeldByOther;
        *outError = error;
        return error == ENOLCK || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL ? kLockUnsupported
                                                                                           : kLockFailed;
    }
    s_userFolderLock = opened;
    return kLockHeld;
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
    if (s_userFolderLock < 0)
        return;
    close(s_userFolderLock);
    s_userFolderLock = -1;
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
