#include "stopsignals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void noteStopSignal(int signal)
{
    stopSignal = signal;
}

} // namespace

void StopSignals::install()
{
    struct sigaction action = {};
    action.sa_handler = noteStopSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on after the handler; the next check stops the import.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int StopSignals::received()
{
    return stopSignal;
}

void StopSignals::check()
{
    if (stopSignal != 0)
        throw Stopped();
}
