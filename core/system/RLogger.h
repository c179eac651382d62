// RLogger: collects the program's report lines in an in-memory queue that its "Stats Thread" hands, joined, to a
// requester's callback, and offers three direct sinks writing one time-stamped line at once ("DebugLog_Safe.txt",
// "DebugLog_Fast.txt" in the user "Logs/" folder, and standard output). The logger owns the queued copies, the
// fast log file and its Stats Thread, which Shutdown stops and waits for.
#pragma once

#include "core/types/RString.h"
#include "core/types/RUtilVector.h"

#include <climits>
#include <cstdio>

struct SDL_mutex;
struct SDL_cond;
struct SDL_Thread;

// Receives every queued line, each followed by "\r\n"; runs on the Stats Thread with the queue lock held.
typedef void (*RLoggerFlushCallback)(const RString& text);

class RLogger {
public:
    // Created on first use, on the main thread: the base game's log header is the first queued line. Unless the
    // game object is a command-line tool, this starts the "Stats Thread".
    static RLogger* GetInstance();
    // The logger when one has been made, else null; never makes one.
    static RLogger* GetExisting();
    // Shutdown, then frees the logger; nothing when there is none.
    static void DestroyInstance();

    // Appends a copy of text (null counts as "") to the queue; any thread. Returns true.
    bool QueueLine(const char* text);
    // Asks the Stats Thread to hand the queued lines to callback at its next pass (replacing an earlier
    // request's callback). A request made just before Shutdown is still served.
    void RequestFlush(RLoggerFlushCallback callback);
    // Closes the fast log (naming it should its last lines fail to be written), stops the Stats Thread (lines never flushed are dropped) and waits for it to end,
    // a few seconds at most. Call it before waiting for the other threads to end: the Stats Thread is gone
    // when it returns. Later calls return at once.
    void Shutdown();

    // Each writes "<seconds of the global timer>: <text>\r\n"; the text is never a format, and its control
    // characters but the line feed are written escaped (RString::EscapeControls). All return true.
    // The log files are opened as regular files only, never waiting on what stands there: a log that cannot be
    // opened (a FIFO, a folder, a device, no permission), or whose write fails (a full disk), is named once on
    // standard error, and its lines go to standard error for the rest of the run (the fast log's lines still
    // waiting in its buffer are lost). Without a user folder the file lines are dropped. A log file that
    // has reached kMaxLogBytes is kept as "<name>_Old.txt" (replacing the one kept before) and started afresh,
    // so a long session cannot fill the disk. The first line of a run empties "DebugLog_Safe.txt"; every line
    // opens and closes the file.
    bool LogSafe(const char* text);
    // As LogSafe, for a line the caller has said on standard error itself: where the safe log cannot be written,
    // the line is not said there a second time.
    bool LogSafeAfterStandardError(const char* text);
    // "DebugLog_Fast.txt" is opened at the first line and kept open until Shutdown; later lines are dropped.
    bool LogFast(const char* text);
    bool LogConsole(const char* text);

    static constexpr long kMaxLogBytes = 1L << 20;

private:
    RLogger();
    ~RLogger();
    RLogger(const RLogger&) = delete;
    RLogger& operator=(const RLogger&) = delete;

    static int StatsThreadMain(void* loggerPointer);
    void ServeFlushLocked();
    void DropLinesLocked();
    // Returns the bytes written; 0 when the write failed.
    static long WriteLine(FILE* file, const char* text);
    // Renames the log at path to its "_Old.txt" name.
    static void KeepAsOld(const char* path);
    // Opens the log at path (emptied unless append); null, with the log named on standard error and *refused
    // set, when it cannot be.
    FILE* OpenLog(const char* path, bool append, bool* refused);
    // Writes text to the safe log; where the log cannot be written, to standard error when toStandardErrorInstead.
    void WriteSafeLine(const char* text, bool toStandardErrorInstead);
    // A write to the log at path failed with error: the log is named on standard error and *refused set.
    static void NameFailedLog(const char* path, int error, bool* refused);
    // Closes the fast log; a failure to write its last lines names it.
    void CloseFastLog();

    // The direct sinks, serialised by the file lock.
    SDL_mutex* m_fileLock;
    bool m_safeLogStarted;
    bool m_fastLogOpened;   // the first fast line was attempted; a failed open is not retried
    bool m_safeLogRefused = false;      // the log could not be opened or written: its lines go to standard error
    bool m_fastLogRefused = false;
    FILE* m_fastLog;
    int m_logsFolderError = 0;          // why the "Logs/" folder could not be made; 0 when it is there
    long m_safeLogBytes = 0;            // written to each file since it was started
    long m_fastLogBytes = 0;
    char m_safeLogPath[PATH_MAX];
    char m_fastLogPath[PATH_MAX];

    // Shared with the Stats Thread, under the queue lock.
    SDL_mutex* m_queueLock;
    SDL_cond* m_stateChanged;           // signalled when a stop is requested and when the thread has stopped
    RUtilVector<char*> m_lines;         // oldest first; new[] copies owned by the queue
    bool m_flushRequested;
    bool m_stopRequested;
    bool m_stopped;                     // the Stats Thread has finished, or was never started
    RLoggerFlushCallback m_flushCallback;

    SDL_Thread* m_statsThread;          // null once waited for or when never started
    bool m_statsThreadAbandoned;        // it did not stop in time; this logger must stay in memory for it
};
