// Fuzz target helpers: a private folder for each fuzzing process, made once and listed as a file source of the
// stream manager, into which a target writes its input under the name its reader expects; and the check that
// stops the run when a round trip loses or changes something.
#pragma once

#include "core/files/RStreamMgr.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// The folder, ending with "/": made under /dev/shm when it exists (fast), else under /tmp; removed at exit.
inline const std::string& FuzzFolder()
{
    static const std::string folder = [] {
        char pattern[64];
        snprintf(pattern, sizeof pattern, "%s/rolt-fuzz-XXXXXX", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        const char* made = mkdtemp(pattern);
        if (!made)
            abort();
        std::string path = std::string(made) + "/";
        static std::string removal = "rm -rf '" + path + "'";
        atexit([] { (void)system(removal.c_str()); });
        RStreamMgr::GetInstance()->AddSearchPath(path.c_str());
        return path;
    }();
    return folder;
}

// Writes the input to the folder under name and gives its full path.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
    std::string path = FuzzFolder() + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file || (size > 0 && fwrite(data, 1, size, file) != size) || fclose(file) != 0)
        abort();
    return path;
}

// The whole file at path as bytes; empty when it cannot be read.
inline std::string ReadOutput(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    char chunk[65536];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, count);
    fclose(file);
    return bytes;
}

// A failed round trip ends the run with a report, the way a crash does.
#define FUZZ_CHECK(condition)                                                                                     \
    do {                                                                                                          \
        if (!(condition)) {                                                                                       \
            fprintf(stderr, "round trip failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                   \
            abort();                                                                                              \
        }                                                                                                         \
    } while (0)
