// Points a benchmark's game at a user folder of its own: a new temporary folder as XDG_DATA_HOME and HOME, the
// dummy audio driver, and the resource folder one level above the benchmark programs. The caller removes the
// folder when it wants it gone.
#pragma once

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// The temporary folder made under /tmp with the name prefix given; empty when none could be made.
inline std::string PointGameAtTemporaryUserFolder(const char* prefix)
{
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return std::string();
    setenv("XDG_DATA_HOME", (pattern + "/data").c_str(), 1);
    setenv("HOME", (pattern + "/home").c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char executable[PATH_MAX] = "";
    const ssize_t length = readlink("/proc/self/exe", executable, sizeof(executable) - 1);
    executable[length > 0 ? length : 0] = '\0';
    const std::filesystem::path resources = std::filesystem::path(executable).parent_path() / "../Resources";
    setenv("ROLT_RESOURCE_DIR", resources.c_str(), 1);
    return pattern;
}
