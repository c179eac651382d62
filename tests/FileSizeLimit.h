// Test helper: while it lives, the process may not write files past a size limit, so that a writer's writes fail
// (EFBIG, with SIGXFSZ ignored) the way they do on a full disk. The old limit and signal handler come back after.
#pragma once

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = signal(SIGXFSZ, SIG_IGN);
        m_restore = getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        struct rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_active = m_restore && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_restore)
            setrlimit(RLIMIT_FSIZE, &m_previous);
        signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // The limit is in force.
    bool IsActive() const { return m_active; }

private:
    struct rlimit m_previous = {};
    void (*m_previousHandler)(int) = nullptr;
    bool m_restore = false;
    bool m_active = false;
};
