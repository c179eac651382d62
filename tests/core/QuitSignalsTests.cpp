#include "TempUserData.h"

#include "core/system/RQuitSignals.h"
#include "tests/TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A quit signal that finds a call waiting for ever (the open of a FIFO nobody writes to) ends that wait: the
// request reaches the program instead of being held behind the call.
TEST(QuitSignalsTest, ASignalEndsACallThatWouldWaitForEver)
{
    RQuitSignals::Install();
    TempFolder folder;
    const std::string fifo = folder / "fifo";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0666));

    std::atomic<bool> waiting{false};
    std::atomic<bool> stop{false};
    pthread_t opener{};
    int opened = 0;
    int error = 0;
    std::thread signaller([&] {
        // Again and again, since the first may come before the open has begun.
        while (!stop) {
            if (waiting)
                pthread_kill(opener, SIGTERM);
            usleep(50 * 1000);
        }
    });
    const bool finished = FinishesWithin(10.0, {fifo}, [&] {
        opener = pthread_self();
        waiting = true;
        opened = open(fifo.c_str(), O_RDONLY);
        error = errno;
        waiting = false;
    });
    stop = true;
    signaller.join();
    if (opened >= 0)
        close(opened);
    EXPECT_TRUE(finished) << "the open went on waiting after the signal";
    EXPECT_EQ(-1, opened);
    EXPECT_EQ(EINTR, error);
    EXPECT_TRUE(RQuitSignals::IsRequested());
}

} // namespace
