#include "core/RSafeFileWriter.h"

#include "core/RByteOrder.h"
#include "core/RString.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RSafeFileWriter::RSafeFileWriter() : m_file(nullptr), m_tempPath(nullptr), m_targetPath(nullptr), m_failed(false) {}

RSafeFileWriter::~RSafeFileWriter()
{
    Discard();
}

bool RSafeFileWriter::Open(const char* path)
{
    Discard();
    if (!path || !path[0])
        return false;
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
        delete[] m_tempPath;
        m_tempPath = nullptr;
    }
    delete[] m_targetPath;
    m_targetPath = nullptr;
    m_failed = false;
}
