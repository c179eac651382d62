// A library the program tests load with LD_PRELOAD to give the answers of a network home folder's locks and renames
// on a local disk. ROLT_TEST_LOCKS chooses the locks' answers:
//   "nfs"   - as Linux's NFS client: an exclusive lock needs a descriptor open for writing, so flock(LOCK_EX) and a
//             write lock through fcntl on a descriptor opened read-only fail with EBADF; the others are the
//             system's own;
//   "nolck" - as NFS without its lock service: every lock taken with flock or fcntl fails with ENOLCK.
// ROLT_TEST_RENAMES chooses the renames':
//   "nfs"   - as Linux's NFS client: renameat2 with any flag (RENAME_NOREPLACE among them) fails with EINVAL; a
//             rename without flags is the system's own.
// Anything else, or nothing, changes nothing.
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <cstdio>
#include <sys/file.h>

namespace {

enum Mode { kSystem, kNetwork, kNoLocks };

Mode CurrentMode()
{
    const char* mode = getenv("ROLT_TEST_LOCKS");
    if (mode && strcmp(mode, "nfs") == 0)
        return kNetwork;
    if (mode && strcmp(mode, "nolck") == 0)
        return kNoLocks;
    return kSystem;
}

bool OpenReadOnly(int fd, int (*systemFcntl)(int, int, ...))
{
    const int flags = systemFcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) == O_RDONLY;
}

bool IsLockCommand(int command)
{
    return command == F_SETLK || command == F_SETLKW || command == F_OFD_SETLK || command == F_OFD_SETLKW;
}

using FcntlFunction = int (*)(int, int, ...);

// The answer of the network for a lock through fcntl; -1 with errno set, or 0 to pass the call on.
int NetworkFcntlAnswer(int fd, int command, void* argument, FcntlFunction systemFcntl)
{
    if (!IsLockCommand(command))
        return 0;
    const Mode mode = CurrentMode();
    const struct flock* lock = static_cast<const struct flock*>(argument);
    if (mode == kNoLocks && lock && lock->l_type != F_UNLCK) {
        errno = ENOLCK;
        return -1;
    }
    if (mode == kNetwork && lock && lock->l_type == F_WRLCK && OpenReadOnly(fd, systemFcntl)) {
        errno = EBADF;
        return -1;
    }
    return 0;
}

FcntlFunction SystemFcntl(const char* name)
{
    return reinterpret_cast<FcntlFunction>(dlsym(RTLD_NEXT, name));
}

int CallFcntl(FcntlFunction next, int fd, int command, void* argument)
{
    static const FcntlFunction systemFcntl = SystemFcntl("fcntl");
    if (!next || !systemFcntl) {
        errno = ENOSYS;
        return -1;
    }
    if (NetworkFcntlAnswer(fd, command, argument, systemFcntl) != 0)
        return -1;
    return next(fd, command, argument);
}

} // namespace

extern "C" {

int flock(int fd, int operation) noexcept
{
    using FlockFunction = int (*)(int, int);
    static FlockFunction systemFlock = reinterpret_cast<FlockFunction>(dlsym(RTLD_NEXT, "flock"));
    static const FcntlFunction systemFcntl = SystemFcntl("fcntl");
    if (!systemFlock || !systemFcntl) {
        errno = ENOSYS;
        return -1;
    }
    const Mode mode = CurrentMode();
    const bool taking = (operation & (LOCK_SH | LOCK_EX)) != 0;
    if (mode == kNoLocks && taking) {
        errno = ENOLCK;
        return -1;
    }
    if (mode == kNetwork && (operation & LOCK_EX) && OpenReadOnly(fd, systemFcntl)) {
        errno = EBADF;
        return -1;
    }
    return systemFlock(fd, operation);
}

// Every command's third argument, an int or a pointer, is passed on as the pointer-sized word it was given as.
int fcntl(int fd, int command, ...)
{
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    static const FcntlFunction next = SystemFcntl("fcntl");
    return CallFcntl(next, fd, command, argument);
}

int fcntl64(int fd, int command, ...)
{
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    static const FcntlFunction next = SystemFcntl("fcntl64");
    return CallFcntl(next, fd, command, argument);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) noexcept
{
    using RenameFunction = int (*)(int, const char*, int, const char*, unsigned int);
    static RenameFunction systemRename = reinterpret_cast<RenameFunction>(dlsym(RTLD_NEXT, "renameat2"));
    const char* mode = getenv("ROLT_TEST_RENAMES");
    if (flags != 0 && mode && strcmp(mode, "nfs") == 0) {
        errno = EINVAL;
        return -1;
    }
    if (!systemRename) {
        errno = ENOSYS;
        return -1;
    }
    return systemRename(fromFolder, from, toFolder, to, flags);
}

} // extern "C"
