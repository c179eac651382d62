#include "core/system/RPlatformLayer.h"

#include "core/files/RFile.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsAbsolute(const char* path)
{
    return path && path[0] == '/';
}

} // namespace

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
