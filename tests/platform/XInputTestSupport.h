// Tests that use the X server's shared focus, pointer or clipboard take turns through XInputTurn, a lock file per
// display.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace xinputtest {

// Holds the display's input lock while it lives; waits at most a minute for it.
class XInputTurn {
public:
    XInputTurn()
    {
        std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        for (char& c : display)
            c = (c == '/' || c == ':') ? '_' : c;
        m_fd = open(("/tmp/rolt-xinput" + display + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        for (int wait = 0; m_fd >= 0 && wait < 600 && !m_held; ++wait) {
            m_held = flock(m_fd, LOCK_EX | LOCK_NB) == 0;
            if (!m_held)
                SDL_Delay(100);
        }
    }
    ~XInputTurn()
    {
        if (m_fd >= 0)
            close(m_fd); // releases the lock
    }
    bool IsHeld() const { return m_held; }

private:
    int m_fd = -1;
    bool m_held = false;
};

// Runs an xdotool command line (arguments after "xdotool"), ended after ten seconds; true when it exited with 0.
inline bool Xdotool(const std::string& arguments)
{
    return std::system(("timeout 10 xdotool " + arguments).c_str()) == 0;
}

// Pumps SDL's events and calls step() until it returns true, for at most about a second.
template <typename Step> bool PumpUntil(Step step)
{
    for (int frame = 0; frame < 100; ++frame) {
        SDL_PumpEvents();
        if (step())
            return true;
        SDL_Delay(10);
    }
    return false;
}

} // namespace xinputtest
