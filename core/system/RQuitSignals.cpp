#include "core/system/RQuitSignals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile sig_atomic_t s_requested = 0;

void OnQuitSignal(int)
{
    s_requested = 1;
}

} // namespace

void RQuitSignals::Install()
{
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a call that waits for ever (a FIFO's open, say) must give way to the request.
    action.sa_flags = 0;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool RQuitSignals::IsRequested()
{
    return s_requested != 0;
}
