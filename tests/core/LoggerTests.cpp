#include "TempUserData.h"

#include "core/system/RLogger.h"
#include "core/system/RThreadTagger.h"
#include "tests/FileSizeLimit.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <atomic>
#include <csignal>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <string>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// What flush callbacks received; callbacks are plain functions, so the record is global.
std::mutex g_flushMutex;
std::vector<std::string> g_flushes;
std::atomic<SDL_threadID> g_flushThread{0};

void RecordFlush(const RString& text)
{
    std::lock_guard<std::mutex> lock(g_flushMutex);
    g_flushes.push_back(text.GetString());
    g_flushThread = SDL_ThreadID();
}

size_t FlushCount()
{
    std::lock_guard<std::mutex> lock(g_flushMutex);
    return g_flushes.size();
}

std::string Flushed(size_t index)
{
    std::lock_guard<std::mutex> lock(g_flushMutex);
    return index < g_flushes.size() ? g_flushes[index] : "<none>";
}

// Bounded wait for the Stats Thread's next pass (it runs about once a second).
bool WaitForFlushes(size_t count)
{
    for (int waited = 0; waited < 5000; waited += 5) {
        if (FlushCount() >= count)
            return true;
        SDL_Delay(5);
    }
    return false;
}

template <bool CommandLineTool> class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::lock_guard<std::mutex> lock(g_flushMutex);
        g_flushes.clear();
        g_flushThread = 0;
    }
    void TearDown() override
    {
        RLogger::DestroyInstance();
        RThreadTagger::DestroyInstance();
    }
    std::string LogsFolder() const { return userData.root + "/data/Brasswick/Test Game/Logs/"; }

    TempUserData userData;
    TestCore core{CommandLineTool};
};
using GameLoggerTest = LoggerTest<false>;
using ToolLoggerTest = LoggerTest<true>;

TEST_F(GameLoggerTest, AFlushJoinsEveryQueuedLineWithCrLfOnTheStatsThread)
{
    RLogger* logger = RLogger::GetInstance();
    EXPECT_EQ(2u, RThreadTagger::GetInstance()->GetThreadCount());
    logger->QueueLine("a");
    logger->QueueLine("b");
    logger->RequestFlush(RecordFlush);
    ASSERT_TRUE(WaitForFlushes(1));
    EXPECT_EQ("a\r\nb\r\n", Flushed(0));
    EXPECT_NE(SDL_ThreadID(), g_flushThread.load());
    // An empty queue is still handed over, as an empty text.
    logger->RequestFlush(RecordFlush);
    ASSERT_TRUE(WaitForFlushes(2));
    EXPECT_EQ("", Flushed(1));
}

TEST_F(GameLoggerTest, LinesFromManyThreadsAllArriveInOneFlush)
{
    RLogger* logger = RLogger::GetInstance();
    const int threads = 4, perThread = 250;
    std::vector<SDL_Thread*> writers;
    for (int t = 0; t < threads; ++t) {
        writers.push_back(SDL_CreateThread(
            [](void* loggerPointer) {
                for (int i = 0; i < perThread; ++i)
                    static_cast<RLogger*>(loggerPointer)->QueueLine("line with 100% of %s %n in it");
                return 0;
            },
            "Writer", logger));
    }
    for (SDL_Thread* writer : writers)
        SDL_WaitThread(writer, nullptr);
    logger->RequestFlush(RecordFlush);
    ASSERT_TRUE(WaitForFlushes(1));
    std::string expectedLine = "line with 100% of %s %n in it\r\n";
    EXPECT_EQ(expectedLine.size() * threads * perThread, Flushed(0).size());
    EXPECT_EQ(0u, Flushed(0).find(expectedLine));
}

TEST_F(GameLoggerTest, AFlushRequestedWithTheStopIsServedAndShutdownEndsTheThreadPromptly)
{
    RLogger* logger = RLogger::GetInstance();
    SDL_Delay(50); // the Stats Thread reaches its sleep: an unprompted stop would wait out the period
    logger->QueueLine("[SessionShutdown]");
    logger->RequestFlush(RecordFlush);
    auto start = std::chrono::steady_clock::now();
    logger->Shutdown();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(1u, FlushCount());
    EXPECT_EQ("[SessionShutdown]\r\n", Flushed(0));
    EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    EXPECT_LT(seconds, 0.9);
}

TEST_F(ToolLoggerTest, ACommandLineToolStartsNoThreadAndWithoutAUserFolderDropsFileLines)
{
    RLogger* logger = RLogger::GetInstance();
    EXPECT_EQ(1u, RThreadTagger::GetInstance()->GetThreadCount());
    EXPECT_TRUE(logger->QueueLine("kept"));
    logger->RequestFlush(RecordFlush);
    logger->Shutdown();
    EXPECT_EQ(0u, FlushCount());

    RLogger::DestroyInstance();
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    logger = RLogger::GetInstance();
    EXPECT_TRUE(logger->LogSafe("dropped"));
}

TEST_F(ToolLoggerTest, FileAndConsoleLinesAreNeverFormats)
{
    std::filesystem::create_directories(LogsFolder());
    std::string safe = LogsFolder() + "DebugLog_Safe.txt", fast = LogsFolder() + "DebugLog_Fast.txt";
    std::ofstream(safe) << "left over from the last run\n";
    RLogger* logger = RLogger::GetInstance();
    EXPECT_TRUE(logger->LogSafe("first")); // the first safe line of a run empties the file
    EXPECT_EQ(std::string::npos, ReadBytes(safe).find("left over")); // complete after every line
    EXPECT_TRUE(logger->LogSafe("100% %s %n"));
    std::string text = ReadBytes(safe); // "%010.4f: " then the text unchanged
    ASSERT_EQ(43u, text.size());
    EXPECT_EQ(": first\r\n", text.substr(10, 9));
    EXPECT_EQ(": 100% %s %n\r\n", text.substr(29));

    testing::internal::CaptureStdout();
    logger->LogConsole("50% %s %x %n");
    fflush(stdout);
    std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(26u, printed.size());
    EXPECT_EQ(": 50% %s %x %n\r\n", printed.substr(10));

    // The fast log stays open until shutdown; after the close, lines are dropped.
    EXPECT_TRUE(logger->LogFast("fast %d line"));
    logger->Shutdown();
    text = ReadBytes(fast);
    EXPECT_EQ(": fast %d line\r\n", text.substr(10));
    EXPECT_TRUE(logger->LogFast("late"));
    EXPECT_EQ(text, ReadBytes(fast));
}

// A FIFO standing where a log goes (no reader would ever come) is named once; its lines go to standard error.
TEST_F(ToolLoggerTest, ALogThatIsNoRegularFileGoesToStandardErrorWithoutWaiting)
{
    std::filesystem::create_directories(LogsFolder());
    const std::string safe = LogsFolder() + "DebugLog_Safe.txt", fast = LogsFolder() + "DebugLog_Fast.txt";
    ASSERT_EQ(0, mkfifo(safe.c_str(), 0666));
    ASSERT_EQ(0, mkfifo(fast.c_str(), 0666));
    // Should a log open its FIFO after all, its lines must not end the test when the FIFO's reader goes.
    signal(SIGPIPE, SIG_IGN);
    RLogger* logger = RLogger::GetInstance();
    testing::internal::CaptureStderr();
    const bool finished = FinishesWithin(10.0, {safe, fast}, [logger] {
        for (int i = 0; i < 3; ++i) {
            logger->LogSafe("safe line");
            logger->LogFast("fast line");
        }
    });
    const std::string printed = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(finished) << "a log waited on its FIFO";
    for (const std::string& name : {safe, fast}) {
        const std::string message = name + " is not a regular file";
        const size_t at = printed.find(message);
        EXPECT_NE(std::string::npos, at) << printed;
        EXPECT_EQ(std::string::npos, printed.find(message, at + 1)) << "named more than once: " << printed;
    }
    size_t lines = 0;
    for (size_t at = printed.find(": safe line\r\n"); at != std::string::npos; at = printed.find(": safe line\r\n", at + 1))
        ++lines;
    EXPECT_EQ(3u, lines) << printed;
    lines = 0;
    for (size_t at = printed.find(": fast line\r\n"); at != std::string::npos; at = printed.find(": fast line\r\n", at + 1))
        ++lines;
    EXPECT_EQ(3u, lines) << printed;
}

// What work wrote to standard error, read through a pipe (no file-size limit applies to a pipe; the text must fit
// in its buffer).
template <typename Work> std::string StandardErrorOf(Work work)
{
    int ends[2];
    if (pipe(ends) != 0)
        return "<no pipe>";
    fflush(stderr);
    const int saved = dup(2);
    dup2(ends[1], 2);
    close(ends[1]);
    work();
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    fcntl(ends[0], F_SETFL, O_NONBLOCK);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    close(ends[0]);
    return text;
}

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// On a full disk (writes past a file-size limit fail the same way) each log is named once on standard error and
// its lines go there; none is lost without a word.
TEST_F(ToolLoggerTest, ALogWhoseWritesFailIsNamedOnceAndItsLinesGoToStandardError)
{
    RLogger* logger = RLogger::GetInstance();
    bool limited = false;
    const std::string printed = StandardErrorOf([logger, &limited] {
        FileSizeLimit limit(0);
        limited = limit.IsActive();
        for (int i = 0; i < 3; ++i) {
            logger->LogSafe("safe line");
            logger->LogFast("fast line");
        }
        logger->Shutdown();  // the fast log's buffered lines fail here
    });
    ASSERT_TRUE(limited);
    for (const char* name : {"DebugLog_Safe.txt", "DebugLog_Fast.txt"}) {
        const std::string message = LogsFolder() + name + " could not be written";
        EXPECT_EQ(1u, CountOf(printed, message)) << printed;
    }
    EXPECT_EQ(3u, CountOf(printed, ": safe line\r\n")) << printed;
}

// Bind-mounts folder read-only onto itself, as root; umount2(folder, MNT_DETACH) undoes it.
void MountReadOnly(const std::string& folder)
{
    ASSERT_EQ(0, mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr)) << strerror(errno);
    ASSERT_EQ(0, mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr))
        << strerror(errno);
}

// A log that is a regular file but cannot be opened for writing is named with the real reason, not as something
// other than a regular file: a read-only file system (the logs' folder bound read-only onto itself, as root) or,
// without root, no permission.
TEST_F(ToolLoggerTest, ALogThatCannotBeOpenedIsNamedWithTheReason)
{
    const std::string logs = LogsFolder();
    std::filesystem::create_directories(logs);
    const std::string safe = logs + "DebugLog_Safe.txt";
    WriteBytes(safe, "an earlier session's line\r\n");
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_NO_FATAL_FAILURE(MountReadOnly(logs));
    } else {
        ASSERT_EQ(0, chmod(safe.c_str(), 0444));
    }
    RLogger* logger = RLogger::GetInstance();
    const std::string printed = StandardErrorOf([logger] {
        logger->LogSafe("safe line");
        logger->LogSafe("safe line");
    });
    if (root)
        umount2(logs.c_str(), MNT_DETACH);
    const std::string reason = root ? "Read-only file system" : "Permission denied";
    EXPECT_EQ(1u, CountOf(printed, safe + " could not be written (" + reason + ")")) << printed;
    EXPECT_EQ(0u, CountOf(printed, "not a regular file")) << printed;
    EXPECT_EQ(2u, CountOf(printed, ": safe line\r\n")) << printed;
}

// A "Logs/" folder that cannot be made (a read-only file system; without root, a user folder that may not be
// written) is why its logs cannot be opened: they are named with that reason, not the missing folder's.
TEST_F(ToolLoggerTest, ALogsFolderThatCannotBeMadeNamesItsLogsWithWhy)
{
    const std::string user = userData.root + "/data/Brasswick/Test Game";
    std::filesystem::create_directories(user);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_NO_FATAL_FAILURE(MountReadOnly(user));
    } else {
        ASSERT_EQ(0, chmod(user.c_str(), 0555));
    }
    const std::string printed = StandardErrorOf([] { RLogger::GetInstance()->LogSafe("safe line"); });
    if (root)
        umount2(user.c_str(), MNT_DETACH);
    else
        chmod(user.c_str(), 0755);
    const std::string reason = root ? "Read-only file system" : "Permission denied";
    EXPECT_EQ(1u, CountOf(printed, LogsFolder() + "DebugLog_Safe.txt could not be written (" + reason + ")"))
        << printed;
    EXPECT_EQ(0u, CountOf(printed, "No such file or directory")) << printed;
    EXPECT_FALSE(std::filesystem::exists(LogsFolder()));
}

// A user folder that cannot be made (its parent another user's, which the player may not write) is why no log can be
// opened: each is named with the reason the folder could not be made, not as a missing folder. Run as a player who
// is not root; the folders above the user folder are the player's to enter, and none to write.
TEST_F(ToolLoggerTest, TheLogsOfAUserFolderThatCannotBeMadeAreNamedWithWhy)
{
    const std::string data = userData.root + "/data";
    std::filesystem::create_directories(data);
    ASSERT_EQ(0, chmod(userData.root.c_str(), 0711));
    ASSERT_EQ(0, chmod(data.c_str(), 0555));
    const std::string logs = LogsFolder();
    const int status = RunUnprivileged([&logs] {
        RLogger* logger = RLogger::GetInstance();
        const std::string printed = StandardErrorOf([logger] {
            logger->LogSafe("safe line");
            logger->LogFast("fast line");
        });
        bool named = CountOf(printed, "No such file or directory") == 0;
        for (const char* name : {"DebugLog_Safe.txt", "DebugLog_Fast.txt"})
            named = named && CountOf(printed, logs + name + " could not be written (Permission denied)") == 1;
        if (!named)
            fprintf(stderr, "%s", printed.c_str());
        return named ? 0 : 1;
    });
    chmod(data.c_str(), 0755);
    EXPECT_EQ(0, status);
    EXPECT_FALSE(std::filesystem::exists(userData.root + "/data/Brasswick"));
}

// A line its caller has said on standard error goes to the safe log, and where the log cannot be written it is not
// said on standard error a second time; the log's other lines still go there.
TEST_F(ToolLoggerTest, ALineSaidOnStandardErrorIsNotSaidThereAgainWhenTheLogFails)
{
    RLogger* logger = RLogger::GetInstance();
    const std::string before = StandardErrorOf([logger] { logger->LogSafeAfterStandardError("said first"); });
    EXPECT_EQ("", before);
    EXPECT_EQ(1u, CountOf(ReadBytes(LogsFolder() + "DebugLog_Safe.txt"), ": said first\r\n"));
    bool limited = false;
    const std::string printed = StandardErrorOf([logger, &limited] {
        FileSizeLimit limit(0);
        limited = limit.IsActive();
        logger->LogSafeAfterStandardError("said again");
        logger->LogSafe("a log line");
    });
    ASSERT_TRUE(limited);
    EXPECT_EQ(1u, CountOf(printed, LogsFolder() + "DebugLog_Safe.txt could not be written")) << printed;
    EXPECT_EQ(0u, CountOf(printed, "said again")) << printed;
    EXPECT_EQ(1u, CountOf(printed, ": a log line\r\n")) << printed;
}

// A long session keeps each log to its limit and the one before it, both whole lines, the newest last.
TEST_F(ToolLoggerTest, ALogAtItsLimitIsKeptAsTheOldOneAndStartedAfresh)
{
    RLogger* logger = RLogger::GetInstance();
    const std::string line(1000, 'x');
    const int lines = static_cast<int>(RLogger::kMaxLogBytes / 1000) * 3;
    for (int i = 0; i < lines; ++i) {
        logger->LogSafe((line + std::to_string(i)).c_str());
        logger->LogFast((line + std::to_string(i)).c_str());
    }
    logger->Shutdown();
    const std::string last = line + std::to_string(lines - 1) + "\r\n";
    for (const char* name : {"DebugLog_Safe", "DebugLog_Fast"}) {
        SCOPED_TRACE(name);
        const std::string now = ReadBytes(LogsFolder() + name + ".txt");
        const std::string old = ReadBytes(LogsFolder() + name + "_Old.txt");
        for (const std::string* text : {&now, &old}) {
            EXPECT_LE(text->size(), static_cast<size_t>(RLogger::kMaxLogBytes) + 1100);
            EXPECT_GT(text->size(), 1000u);
            EXPECT_EQ(text->substr(text->size() - 2), "\r\n");
        }
        EXPECT_EQ(now.substr(now.size() - last.size()), last);
    }
}

} // namespace
