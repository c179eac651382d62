#include "core/files/RFile.h"

#include "core/types/RString.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

bool RFile::GetSize(FILE* file, uint32_t* outSize)
{
    if (!file || !outSize)
        return false;
    *outSize = 0;
    if (fseeko(file, 0, SEEK_END) != 0)
        return false;
    off_t end = ftello(file);
    if (fseeko(file, 0, SEEK_SET) != 0)
        return false;
    if (end < 0 || (uint64_t)end > UINT32_MAX)
        return false;
    *outSize = (uint32_t)end;
    return true;
}

bool RFile::ReadWhole(FILE* file, char** outBuffer, uint32_t* outSize)
{
    if (!outBuffer || !outSize)
        return false;
    *outBuffer = nullptr;
    *outSize = 0;
    uint32_t size = 0;
    if (!GetSize(file, &size))
        return false;

    char* buffer = new (std::nothrow) char[(uint64_t)size + 1];
    if (!buffer)
        return false;
    size_t bytesRead = fread(buffer, 1, size, file);
    if (ferror(file)) {
        delete[] buffer;
        return false;
    }
    buffer[bytesRead] = 0;
    *outBuffer = buffer;
    *outSize = (uint32_t)bytesRead;
    return true;
}

FILE* RFile::OpenRegular(const char* path, bool* outPresent, int* outError)
{
    bool ignoredPresent = false;
    int ignoredError = 0;
    bool& present = outPresent ? *outPresent : ignoredPresent;
    int& error = outError ? *outError : ignoredError;
    present = false;
    error = ENOENT;
    if (!path || !path[0])
        return nullptr;
    // Opening without blocking: a FIFO with no writer would otherwise hold the caller for ever. What was opened is
    // then checked, so that nothing can be swapped in between a check and the open.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        error = errno;
        // A link to nowhere counts as missing: what is written there lands at its target.
        present = error != ENOENT && error != ENOTDIR;
        return nullptr;
    }
    present = true;
    struct stat info;
    if (fstat(descriptor, &info) != 0) {
        error = errno;
        close(descriptor);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        fprintf(stderr, "%s is not a regular file: it is not read\n", RString(path).EscapeControls().GetString());
        error = 0;
        close(descriptor);
        return nullptr;
    }
    const int flags = fcntl(descriptor, F_GETFL);
    FILE* file = flags >= 0 && fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(descriptor, "rb") : nullptr;
    if (!file) {
        error = errno;
        close(descriptor);
        return nullptr;
    }
    error = 0;
    return file;
}

FILE* RFile::OpenRegularToWrite(const char* path, bool append, int* outError)
{
    int ignored = 0;
    int& error = outError ? *outError : ignored;
    error = EINVAL;
    if (!path || !path[0])
        return nullptr;
    // As for reading: a FIFO with no reader refuses a non-blocking open at once, one with a reader is refused
    // below, and nothing is emptied before it is known to be a regular file.
    const int descriptor =
        open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (append ? O_APPEND : 0), 0666);
    struct stat info;
    if (descriptor < 0) {
        error = errno;
        if (stat(path, &info) == 0 && !S_ISREG(info.st_mode))
            error = 0;
        return nullptr;
    }
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = 0;
        close(descriptor);
        return nullptr;
    }
    const int flags = fcntl(descriptor, F_GETFL);
    const bool ready = flags >= 0 && fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0 &&
                       (append || ftruncate(descriptor, 0) == 0);
    FILE* file = ready ? fdopen(descriptor, append ? "ab" : "wb") : nullptr;
    if (!file) {
        error = errno;
        close(descriptor);
    }
    return file;
}

bool RFile::Exists(const char* path)
{
    if (!path || !path[0])
        return false;
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, R_OK) == 0;
}

bool RFile::ReadWholeFile(const char* path, char** outBuffer, uint32_t* outSize)
{
    if (outBuffer)
        *outBuffer = nullptr;
    if (outSize)
        *outSize = 0;
    FILE* file = OpenRegular(path);
    if (!file)
        return false;
    bool ok = ReadWhole(file, outBuffer, outSize);
    fclose(file);
    return ok;
}

bool RFile::JoinPath(char* outPath, size_t outSize, const char* folder, const char* name)
{
    if (!outPath || outSize == 0)
        return false;
    int written = folder && name ? snprintf(outPath, outSize, "%s%s", folder, name) : -1;
    if (written < 0 || (size_t)written >= outSize) {
        outPath[0] = 0;
        return false;
    }
    return true;
}

bool RFile::GetChecksum(const char* path, uint32_t* outChecksum)
{
    if (!outChecksum)
        return false;
    *outChecksum = 0;
    FILE* file = OpenRegular(path);
    if (!file)
        return false;

    uint32_t checksum = 0;
    unsigned char chunk[65536];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0) {
        // Chunks are whole words except at the end of the file, where the missing bytes count as zero.
        for (size_t i = 0; i < count; i += 4) {
            uint32_t word = 0;
            for (size_t b = 0; b < 4 && i + b < count; ++b)
                word |= (uint32_t)chunk[i + b] << (8 * b);
            checksum ^= word;
        }
    }
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed)
        return false;
    *outChecksum = checksum;
    return true;
}
