#include "core/system/RLogger.h"

#include "core/system/RCore.h"
#include "core/files/RFile.h"
#include "core/system/RThreadTagger.h"
#include "core/system/RTimer.h"

#include <SDL_mutex.h>
#include <SDL_thread.h>
#include <SDL_timer.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <sys/stat.h>

namespace {

RLogger* s_instance = nullptr;

// How long the Stats Thread sleeps between passes, and how long Shutdown waits for it to stop (a flush
// callback may still be running when the stop is asked for).
const uint32_t kPassIntervalMs = 1000;
const uint32_t kStopTimeoutMs = 5000;

char* CopyText(const char* text)
{
    size_t length = strlen(text);
    char* copy = new char[length + 1];
    memcpy(copy, text, length + 1);
    return copy;
}

// Waits on the condition, with the mutex held, until done() or the deadline; true when done() holds.
template <typename Done> bool WaitUntil(SDL_cond* condition, SDL_mutex* mutex, uint32_t timeoutMs, Done done)
{
    uint64_t deadline = SDL_GetTicks64() + timeoutMs;
    while (!done()) {
        uint64_t now = SDL_GetTicks64();
        if (now >= deadline)
            return false;
        SDL_CondWaitTimeout(condition, mutex, (Uint32)(deadline - now));
    }
    return true;
}

} // namespace

RLogger* RLogger::GetInstance()
{
    if (!s_instance)
        s_instance = new RLogger();
    return s_instance;
}

RLogger* RLogger::GetExisting()
{
    return s_instance;
}

void RLogger::DestroyInstance()
{
    if (!s_instance)
        return;
    RLogger* logger = s_instance;
    s_instance = nullptr;
    logger->Shutdown();
    if (!logger->m_statsThreadAbandoned)
        delete logger;
}

RLogger::RLogger()
    : m_fileLock(nullptr), m_safeLogStarted(false), m_fastLogOpened(false), m_fastLog(nullptr),
      m_queueLock(nullptr), m_stateChanged(nullptr), m_flushRequested(false), m_stopRequested(false),
      m_stopped(false), m_flushCallback(nullptr), m_statsThread(nullptr), m_statsThreadAbandoned(false)
{
    m_safeLogPath[0] = 0;
    m_fastLogPath[0] = 0;

    RCore* core = RCore::GetInstance();
    char logsFolder[PATH_MAX];
    int userFolderError = 0;
    if (core && RCore::MakeUserFolder(logsFolder, sizeof logsFolder, core->GetLocalAppDataPathName(),
                                      core->GetLogsFolderName(), false, &userFolderError)) {
        // Why the folder could not be made is why its logs cannot be opened (a read-only file system); where the
        // user folder above it is missing, why that could not be made (a parent this user may not write).
        if (mkdir(logsFolder, 0777) != 0 && errno != EEXIST)
            m_logsFolderError = errno == ENOENT && userFolderError != 0 ? userFolderError : errno;
        // A path that does not fit stays empty, and its lines are dropped.
        RFile::JoinPath(m_safeLogPath, sizeof m_safeLogPath, logsFolder, "DebugLog_Safe.txt");
        RFile::JoinPath(m_fastLogPath, sizeof m_fastLogPath, logsFolder, "DebugLog_Fast.txt");
    }

    m_fileLock = SDL_CreateMutex();
    m_queueLock = SDL_CreateMutex();
    m_stateChanged = SDL_CreateCond();

    if (!core || core->IsCommandLineTool()) {
        m_stopped = true;
        return;
    }
    m_statsThread = RThreadTagger::GetInstance()->CreateThread(StatsThreadMain, this, "Stats Thread");
    if (!m_statsThread)
        m_stopped = true;
}

RLogger::~RLogger()
{
    Shutdown();
    DropLinesLocked();  // no thread is left to share the queue
    SDL_DestroyCond(m_stateChanged);
    SDL_DestroyMutex(m_queueLock);
    SDL_DestroyMutex(m_fileLock);
}

bool RLogger::QueueLine(const char* text)
{
    char* copy = CopyText(text ? text : "");
    SDL_LockMutex(m_queueLock);
    m_lines.push(copy);
    SDL_UnlockMutex(m_queueLock);
    return true;
}

void RLogger::RequestFlush(RLoggerFlushCallback callback)
{
    SDL_LockMutex(m_queueLock);
    m_flushRequested = true;
    m_flushCallback = callback;
    SDL_UnlockMutex(m_queueLock);
}

void RLogger::Shutdown()
{
    SDL_LockMutex(m_fileLock);
    CloseFastLog();
    m_fastLogOpened = true;  // later fast lines are dropped
    m_fastLogRefused = false;
    SDL_UnlockMutex(m_fileLock);

    SDL_LockMutex(m_queueLock);
    m_stopRequested = true;
    SDL_CondBroadcast(m_stateChanged);
    bool stopped = WaitUntil(m_stateChanged, m_queueLock, kStopTimeoutMs, [this] { return m_stopped; });
    SDL_UnlockMutex(m_queueLock);

    if (!m_statsThread)
        return;
    if (stopped) {
        // It has left its loop; only its return through the thread tagger remains.
        SDL_WaitThread(m_statsThread, nullptr);
    } else {
        SDL_DetachThread(m_statsThread);
        m_statsThreadAbandoned = true;
    }
    m_statsThread = nullptr;
}

int RLogger::StatsThreadMain(void* loggerPointer)
{
    RLogger* logger = static_cast<RLogger*>(loggerPointer);
    srand((unsigned)time(nullptr));

    SDL_LockMutex(logger->m_queueLock);
    for (;;) {
        if (logger->m_flushRequested)
            logger->ServeFlushLocked();
        if (logger->m_stopRequested) {
            logger->DropLinesLocked();
            break;
        }
        // Sleep one period; a stop request cuts it short.
        WaitUntil(logger->m_stateChanged, logger->m_queueLock, kPassIntervalMs,
                  [logger] { return logger->m_stopRequested; });
    }
    logger->m_stopped = true;
    SDL_CondBroadcast(logger->m_stateChanged);
    SDL_UnlockMutex(logger->m_queueLock);
    return 0;
}

void RLogger::ServeFlushLocked()
{
    m_flushRequested = false;
    size_t total = 0;
    for (char* line : m_lines)
        total += strlen(line) + 2;
    char* joined = new char[total + 1];
    size_t used = 0;
    for (char* line : m_lines) {
        size_t length = strlen(line);
        memcpy(joined + used, line, length);
        memcpy(joined + used + length, "\r\n", 2);
        used += length + 2;
    }
    joined[used] = 0;
    DropLinesLocked();

    RString text(joined, (int)used);
    delete[] joined;
    if (m_flushCallback)
        m_flushCallback(text);
}

void RLogger::DropLinesLocked()
{
    for (char* line : m_lines)
        delete[] line;
    m_lines.free();
}

long RLogger::WriteLine(FILE* file, const char* text)
{
    // Lines carry names read from files: their control bytes go out escaped, never raw to a terminal.
    const RString shown = RString(text).EscapeControls();
    const int written =
        fprintf(file, "%010.4f: %s\r\n", (double)g_pGlobalTimer->GetElapsedSeconds(), shown.GetString());
    return written > 0 ? written : 0;
}

void RLogger::KeepAsOld(const char* path)
{
    const size_t length = strlen(path);
    const size_t stem = length >= 4 ? length - 4 : length; // without ".txt"
    char old[PATH_MAX + 8];
    snprintf(old, sizeof old, "%.*s_Old.txt", (int)stem, path);
    rename(path, old);
}

FILE* RLogger::OpenLog(const char* path, bool append, bool* refused)
{
    int error = 0;
    FILE* file = RFile::OpenRegularToWrite(path, append, &error);
    if (file)
        return file;
    if (error == ENOENT && m_logsFolderError != 0)
        error = m_logsFolderError;
    if (error != 0) {
        NameFailedLog(path, error, refused);
        return nullptr;
    }
    fprintf(stderr, "The log %s is not a regular file: its lines go to standard error\n", path);
    *refused = true;
    return nullptr;
}

void RLogger::NameFailedLog(const char* path, int error, bool* refused)
{
    fprintf(stderr, "The log %s could not be written (%s): its lines go to standard error\n", path, strerror(error));
    *refused = true;
}

void RLogger::CloseFastLog()
{
    if (m_fastLog && fclose(m_fastLog) != 0)
        NameFailedLog(m_fastLogPath, errno, &m_fastLogRefused);
    m_fastLog = nullptr;
}

bool RLogger::LogSafe(const char* text)
{
    WriteSafeLine(text, true);
    return true;
}

bool RLogger::LogSafeAfterStandardError(const char* text)
{
    WriteSafeLine(text, false);
    return true;
}

void RLogger::WriteSafeLine(const char* text, bool toStandardErrorInstead)
{
    SDL_LockMutex(m_fileLock);
    if (m_safeLogStarted && m_safeLogBytes >= kMaxLogBytes) {
        KeepAsOld(m_safeLogPath);
        m_safeLogStarted = false;
    }
    FILE* file = m_safeLogPath[0] && !m_safeLogRefused ? OpenLog(m_safeLogPath, m_safeLogStarted, &m_safeLogRefused)
                                                       : nullptr;
    if (file) {
        if (!m_safeLogStarted)
            m_safeLogBytes = 0;
        m_safeLogStarted = true;
        // The line is on its way to the disk once the file is closed; a full disk shows here at the latest.
        const long written = WriteLine(file, text);
        const int writeError = written > 0 ? 0 : errno;
        const bool closed = fclose(file) == 0;
        if (written > 0 && closed) {
            m_safeLogBytes += written;
        } else {
            NameFailedLog(m_safeLogPath, writeError ? writeError : errno, &m_safeLogRefused);
            if (toStandardErrorInstead)
                WriteLine(stderr, text);
        }
    } else if (m_safeLogRefused && toStandardErrorInstead) {
        WriteLine(stderr, text);
    }
    SDL_UnlockMutex(m_fileLock);
}

bool RLogger::LogFast(const char* text)
{
    SDL_LockMutex(m_fileLock);
    if (!m_fastLogOpened) {
        m_fastLogOpened = true;
        m_fastLog = m_fastLogPath[0] ? OpenLog(m_fastLogPath, false, &m_fastLogRefused) : nullptr;
    }
    if (m_fastLog && m_fastLogBytes >= kMaxLogBytes) {
        CloseFastLog();
        if (!m_fastLogRefused) {
            KeepAsOld(m_fastLogPath);
            m_fastLog = OpenLog(m_fastLogPath, false, &m_fastLogRefused);
            m_fastLogBytes = 0;
        }
    }
    // The file is buffered: a full disk shows when the buffer is written out, here or when the log is closed.
    const long written = m_fastLog ? WriteLine(m_fastLog, text) : 0;
    if (m_fastLog && (written == 0 || ferror(m_fastLog))) {
        const int error = errno;
        fclose(m_fastLog);
        m_fastLog = nullptr;
        NameFailedLog(m_fastLogPath, error, &m_fastLogRefused);
    }
    if (m_fastLog)
        m_fastLogBytes += written;
    else if (m_fastLogRefused)
        WriteLine(stderr, text);
    SDL_UnlockMutex(m_fileLock);
    return true;
}

bool RLogger::LogConsole(const char* text)
{
    SDL_LockMutex(m_fileLock);
    WriteLine(stdout, text);
    SDL_UnlockMutex(m_fileLock);
    return true;
}
