// The logger's queue, its Stats Thread and its direct sinks, with real threads and real files.
#include "TempUserData.h"

#include "core/RLogger.h"
#include "core/RThreadTagger.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
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

class LoggerTest : public ::testing::Test {
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
};

class GameLoggerTest : public LoggerTest {
protected:
    TestCore core{false};
};

class ToolLoggerTest : public LoggerTest {
protected:
    TestCore core{true};
};

TEST_F(GameLoggerTest, StartsTheStatsThreadAndMakesTheLogsFolder)
{
    RLogger::GetInstance();
    EXPECT_TRUE(std::filesystem::is_directory(LogsFolder()));
    RThreadTagger* tagger = RThreadTagger::GetInstance();
    EXPECT_EQ(2u, tagger->GetThreadCount());
    EXPECT_NE(std::string::npos, std::string(tagger->DumpThreads().GetString()).find("Stats Thread ["));
}

TEST_F(GameLoggerTest, AFlushJoinsEveryQueuedLineWithCrLfOnTheStatsThread)
{
    RLogger* logger = RLogger::GetInstance();
    logger->QueueLine("a");
    logger->QueueLine("b");
    logger->RequestFlush(RecordFlush);
    ASSERT_TRUE(WaitForFlushes(1));
    {
        std::lock_guard<std::mutex> lock(g_flushMutex);
        EXPECT_EQ("a\r\nb\r\n", g_flushes[0]);
    }
    EXPECT_NE(SDL_ThreadID(), g_flushThread.load());

    // The queue was emptied: a flush with nothing queued still calls back, with an empty text.
    logger->RequestFlush(RecordFlush);
    ASSERT_TRUE(WaitForFlushes(2));
    std::lock_guard<std::mutex> lock(g_flushMutex);
    EXPECT_EQ("", g_flushes[1]);
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
    std::lock_guard<std::mutex> lock(g_flushMutex);
    std::string expectedLine = "line with 100% of %s %n in it\r\n";
    EXPECT_EQ(expectedLine.size() * threads * perThread, g_flushes[0].size());
    EXPECT_EQ(0u, g_flushes[0].find(expectedLine));
}

TEST_F(GameLoggerTest, AFlushRequestedWithTheStopIsServedAndShutdownEndsTheThreadPromptly)
{
    RLogger* logger = RLogger::GetInstance();
    // Let the Stats Thread reach its sleep, so that an unprompted stop would have to wait out the period.
    SDL_Delay(50);
    logger->QueueLine("[SessionShutdown]");
    logger->RequestFlush(RecordFlush);
    auto start = std::chrono::steady_clock::now();
    logger->Shutdown();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The request made with the stop was served before the thread ended, and the thread is gone: the base
    // game's wait for other threads finds none.
    ASSERT_EQ(1u, FlushCount());
    EXPECT_EQ("[SessionShutdown]\r\n", g_flushes[0]);
    EXPECT_FALSE(RThreadTagger::HasRunningThreads());
    EXPECT_LT(seconds, 0.9);

    logger->Shutdown();  // a second call returns at once
    RLogger::DestroyInstance();
    EXPECT_EQ(1u, FlushCount());
}

TEST_F(GameLoggerTest, UnflushedLinesAreDroppedAtShutdown)
{
    RLogger* logger = RLogger::GetInstance();
    for (int i = 0; i < 100; ++i)
        logger->QueueLine("never delivered");
    RLogger::DestroyInstance();
    EXPECT_EQ(0u, FlushCount());
    EXPECT_FALSE(RThreadTagger::HasRunningThreads());
}

TEST_F(ToolLoggerTest, ACommandLineToolStartsNoThreadYetQueues)
{
    RLogger* logger = RLogger::GetInstance();
    EXPECT_EQ(1u, RThreadTagger::GetInstance()->GetThreadCount());
    EXPECT_TRUE(logger->QueueLine("kept"));
    logger->RequestFlush(RecordFlush);
    logger->Shutdown();
    EXPECT_EQ(0u, FlushCount());
}

TEST_F(ToolLoggerTest, TheFirstSafeLineOfARunEmptiesTheFileAndLaterOnesAppend)
{
    std::filesystem::create_directories(LogsFolder());
    std::string path = LogsFolder() + "DebugLog_Safe.txt";
    std::ofstream(path) << "left over from the last run\n";

    RLogger* logger = RLogger::GetInstance();
    EXPECT_TRUE(logger->LogSafe("first"));
    // Complete after every line, without any close or shutdown.
    std::string afterOne = ReadBytes(path);
    EXPECT_EQ(std::string::npos, afterOne.find("left over"));
    EXPECT_TRUE(logger->LogSafe("100% %s %n"));
    EXPECT_TRUE(logger->LogSafe(nullptr));

    std::string text = ReadBytes(path);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(3u, lines.size());
    // "%010.4f: " then the text unchanged.
    for (const std::string& line : lines) {
        ASSERT_GE(line.size(), 12u);
        EXPECT_EQ(':', line[10]);
        EXPECT_EQ('.', line[5]);
    }
    EXPECT_EQ(": first", lines[0].substr(10));
    EXPECT_EQ(": 100% %s %n", lines[1].substr(10));
    EXPECT_EQ(": ", lines[2].substr(10));
}

TEST_F(ToolLoggerTest, TheFastLogStaysOpenUntilShutdown)
{
    RLogger* logger = RLogger::GetInstance();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(logger->LogFast("fast %d line"));
    logger->Shutdown();
    std::string text = ReadBytes(LogsFolder() + "DebugLog_Fast.txt");
    size_t count = 0;
    for (size_t at = 0; (at = text.find(": fast %d line\r\n", at)) != std::string::npos; ++at)
        ++count;
    EXPECT_EQ(3u, count);
    // After the close, lines are dropped rather than written to a closed file.
    EXPECT_TRUE(logger->LogFast("late"));
    EXPECT_EQ(text, ReadBytes(LogsFolder() + "DebugLog_Fast.txt"));
}

TEST_F(ToolLoggerTest, WithoutAUserFolderTheFileSinksDropTheirLines)
{
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    RLogger* logger = RLogger::GetInstance();
    EXPECT_TRUE(logger->LogSafe("dropped"));
    EXPECT_TRUE(logger->LogFast("dropped"));
    logger->Shutdown();
}

TEST_F(ToolLoggerTest, TheConsoleLineIsNeverAFormat)
{
    RLogger* logger = RLogger::GetInstance();
    testing::internal::CaptureStdout();
    logger->LogConsole("50% %s %x %n");
    fflush(stdout);
    std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(26u, printed.size());
    EXPECT_EQ(": 50% %s %x %n\r\n", printed.substr(10));
}

} // namespace
