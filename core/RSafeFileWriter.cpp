#include "core/RSafeFileWriter.h"

#include "core/RByteOrder.h"
#include "core/RString.h"

#include <cstdarg>
#include <cstdlib>
#include <cstdio>
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
    char* tempPath = StringConcat(path, ".XXXXXX");
    int descriptor = mkstemp(tempPath);
    if (descriptor < 0) {
        delete[] tempPath;
        return false;
    }
    m_tempPath = tempPath;
    m_targetPath = StringDuplicate(path);
    // The mode a plain fopen would give, since the temporary file takes the target's place.
    mode_t mask = umask(0);
    umask(mask);
    m_file = fchmod(descriptor, 0666 & ~mask) == 0 ? fdopen(descriptor, "w+b") : nullptr;
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
