// Test helpers shared by every test folder: whole files read and written as byte strings, 32-bit little-endian
// fields for building binary files by hand, checks run in a child process as an unprivileged user, and work that
// must not wait on a FIFO.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <initializer_list>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>
#include <unistd.h>

// The file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file with bytes, making any missing folders on its path first.
inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
}

// Appends value, least significant byte first.
inline void PutU32(std::string& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back((char)(value >> (8 * i)));
}

// The little-endian value at byte at (which the caller keeps inside bytes).
inline uint32_t GetU32(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | (unsigned char)bytes[at + i];
    return value;
}

// Runs check in a child process as an unprivileged user (nobody, when the test runs as root, which reads every
// file whatever its mode) and gives its exit status; -1 when the child could not run. The child shares nothing
// with the test but what it inherits, so it reports through its status: 0 for success.
template <typename Check> int RunUnprivileged(Check check)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(99);
        _exit(check());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The id of a process that has ended (a child already waited for), for temporary files no process owns.
inline pid_t EndedProcessId()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return child;
}

// Runs work on a thread of its own and gives whether it finished within the seconds. When it did not (it waits on
// one of the FIFOs), each FIFO is opened for reading and writing, which releases whoever waits to open it, so that
// the work still ends and the test reports a failure instead of hanging.
template <typename Work>
bool FinishesWithin(double seconds, std::initializer_list<std::string> fifos, Work work)
{
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool finished = done.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready;
    std::vector<int> releases;
    if (!finished) {
        for (const std::string& fifo : fifos)
            releases.push_back(open(fifo.c_str(), O_RDWR | O_NONBLOCK));
    }
    runner.join();
    for (int release : releases) {
        if (release >= 0)
            close(release);
    }
    return finished;
}
