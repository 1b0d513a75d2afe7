#include "platform/termination.h"

#include <SDL.h>
#include <signal.h>

#include <atomic>
#include <cstring>

namespace Zorva::Platform {
namespace {

std::atomic<bool> g_requested{false};

void OnTermination(int)
{
    g_requested.store(true);
}

} // namespace

void CatchTermination()
{
    // SDL would otherwise install its own handlers whenever a subsystem starts, and take them
    // away again (back to "terminate at once") whenever the last one stops.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnTermination;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

bool TerminationRequested()
{
    return g_requested.load();
}

} // namespace Zorva::Platform
