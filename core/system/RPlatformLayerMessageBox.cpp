// RPlatformLayer's error box: drawn by a child process in a process group of its own, which a quit signal and this
// process's death take down whole. The window system's box (SDL's, on X) is drawn by a process that it forks and
// waits for; a caller ended while the box is up would otherwise leave that process, and its box, on the screen.
#include "core/system/RPlatformLayer.h"

#include <SDL.h>
#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The box's process group while it may be up; 0 otherwise. Read by the signal handler.
volatile sig_atomic_t s_boxGroup = 0;

// Ends the box's process group, then, with the signal's default action, this process (in the box's own process,
// the first step already has). Async-signal-safe calls only.
void EndBoxAndProcess(int signal)
{
    if (s_boxGroup > 0)
        kill(-s_boxGroup, SIGKILL);
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    // Held until the handler returns, then delivered with the default action.
    raise(signal);
}

} // namespace

void RPlatformLayer::ShowErrorBoxUntilQuit(const char* title, const char* message)
{
    // The handler is in place and the signals held before the box's process exists, so that no request to stop
    // falls between the two.
    sigset_t quit;
    sigset_t previous;
    sigemptyset(&quit);
    for (int signal : kQuitSignals)
        sigaddset(&quit, signal);
    pthread_sigmask(SIG_BLOCK, &quit, &previous);
    struct sigaction action = {};
    action.sa_handler = EndBoxAndProcess;
    action.sa_mask = quit;
    for (int signal : kQuitSignals)
        sigaction(signal, &action, nullptr);

    const pid_t parent = getpid();
    const pid_t box = fork();
    if (box == 0) {
        setpgid(0, 0);
        s_boxGroup = getpid();
        // The caller's end, however it comes (SIGKILL too), is a quit signal here, which takes the group down.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(0);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, message, nullptr);
        // Not exit(): the handlers that run at exit belong to the process that goes on.
        _exit(0);
    }
    if (box > 0) {
        // Also here, so that the group exists whichever process runs first.
        setpgid(box, box);
        s_boxGroup = box;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (box < 0)
        return;
    int status = 0;
    while (waitpid(box, &status, 0) == -1 && errno == EINTR) {
    }
    s_boxGroup = 0;
}
