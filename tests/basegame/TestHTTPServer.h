// The local HTTP server of the HTTP client's tests (http_test_server.py, run by python3) for the life of a test:
// started in a child process, its port read from its first output line, killed at the end. POST bodies land in
// its record folder.
#pragma once

#include "../core/TempUserData.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class TestHTTPServer {
public:
    TestHTTPServer()
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            const std::string script = std::string(ROLT_TEST_SOURCE_DIR) + "/tests/basegame/http_test_server.py";
            execlp("python3", "python3", script.c_str(), record.path.c_str(), (char*)nullptr);
            _exit(127);
        }
        close(out[1]);
        FILE* reader = fdopen(out[0], "r");
        char line[32] = "";
        if (reader && fgets(line, sizeof(line), reader))
            port = atoi(line);
        if (reader)
            fclose(reader);
    }
    ~TestHTTPServer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    TestHTTPServer(const TestHTTPServer&) = delete;
    TestHTTPServer& operator=(const TestHTTPServer&) = delete;

    // What the server recorded of the last POST to a path ending in part: "body" or "auth".
    std::string Recorded(const std::string& part, const char* what) const
    {
        std::ifstream in(record / (part + "." + what), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TempFolder record;
    int port = 0;

private:
    pid_t m_pid = -1;
};
