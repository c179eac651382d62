// The platform layer's handling of a lost display, on a private X server killed under a process connected to it.
#include "core/system/RPlatformLayer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Reads one byte from fd within the time; 0 when none came.
char ReadByte(int fd, int timeoutMs)
{
    pollfd waiting = {fd, POLLIN, 0};
    char byte = 0;
    if (poll(&waiting, 1, timeoutMs) == 1 && read(fd, &byte, 1) == 1)
        return byte;
    return 0;
}

// Waits for the process to end within the time: its wait status, or -1 when it is still running.
int WaitWithin(pid_t pid, double seconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until)
            return -1;
        usleep(20000);
    }
    return status;
}

int s_reportFd = -1;

// A save that never returns: it tells the test it was reached, then waits for ever.
void SaveThatBlocks()
{
    const char lost = 'L';
    (void)!write(s_reportFd, &lost, 1);
    for (;;)
        pause();
}

// A save that waits for ever once the display is lost does not keep the program alive: the alarm ends it within
// its ten seconds.
TEST(PlatformLayer, ASaveThatBlocksAfterTheDisplayIsLostIsEndedByTheAlarm)
{
    int display[2];
    ASSERT_EQ(pipe(display), 0);
    const pid_t server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        close(display[0]);
        const std::string fd = std::to_string(display[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "320x200x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(display[1]);
    std::string number;
    for (char c; (c = ReadByte(display[0], 10000)) != 0 && c != '\n';)
        number += c;
    close(display[0]);
    if (number.empty()) {
        kill(server, SIGKILL);
        waitpid(server, nullptr, 0);
        FAIL() << "no private X server started (Xvfb)";
    }

    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        close(report[0]);
        s_reportFd = report[1];
        setenv("DISPLAY", (":" + number).c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            _exit(2);
        RPlatformLayer::SetDisplayLostHandler(SaveThatBlocks);
        const char ready = 'R';
        (void)!write(s_reportFd, &ready, 1);
        for (int i = 0; i < 3000; ++i) {
            SDL_PumpEvents();
            SDL_Delay(10);
        }
        _exit(3);
    }
    close(report[1]);
    const char ready = ReadByte(report[0], 10000);
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
    const auto lostAt = std::chrono::steady_clock::now();
    const char lost = ready == 'R' ? ReadByte(report[0], 5000) : 0;
    close(report[0]);
    const int status = WaitWithin(program, 15.0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - lostAt).count();
    if (status == -1) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
    }
    EXPECT_EQ(ready, 'R') << "the program did not connect to the private X server";
    EXPECT_EQ(lost, 'L') << "the display-lost callback was not reached";
    ASSERT_NE(status, -1) << "the program still ran 15 s after its display was lost";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) << "wait status " << status;
    EXPECT_LT(seconds, 12.0);
}

} // namespace
