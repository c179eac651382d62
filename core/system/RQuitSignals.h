// RQuitSignals: SIGTERM, SIGINT and SIGHUP become a request to quit that the main loop reads, so that a signal
// never ends the program in the middle of start-up or while it saves. The program installs the handling first
// thing; it stays for the life of the process (SDL leaves a handler that is not the default one in place), unless
// an error box that the process ends after takes the signals over (RPlatformLayer::ShowErrorBoxUntilQuit).
// A blocking call that the signal finds waiting (an open, a read) is not resumed: it fails with EINTR, so that
// the request is never held up behind it.
#pragma once

class RQuitSignals {
public:
    // Installs the handler for the three signals. Safe to call more than once.
    static void Install();
    // True once one of the signals has arrived.
    static bool IsRequested();
};
