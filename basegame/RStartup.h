// RStartup and RShutdown: the first and the last thing the engine does. RStartup prepares the process (working
// directory, first file source, SDL, the global clock); RShutdown destroys the engine's singletons in their fixed
// order and quits SDL. The base game owns the RStartup object for the whole run.
#pragma once

class RStartup {
public:
    RStartup();

    // False when SDL could not be initialised; the game then does not start.
    bool IsReady() const { return m_ready; }

private:
    bool m_ready = false;
};

// Destroys every engine singleton that exists, in the engine's shut-down order, then quits SDL.
void RShutdown();

// The menu manager lives above the base game; when it is created it hands RShutdown the function that destroys it.
void RSetMenuManagerDestroyer(void (*destroy)());
