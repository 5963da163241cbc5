#include "starttrace.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

struct StartClock
{
    StartClock() : enabled(std::getenv("QUADROTAG_START_TRACE") != nullptr) { clock.start(); }
    const bool enabled;
    QElapsedTimer clock;
    std::mutex lock;
};

StartClock& startClock()
{
    static StartClock started;
    return started;
}

} // namespace

void traceStartStep(const char* step)
{
    StartClock& started = startClock();
    if (!started.enabled)
        return;
    // Steps come from the worker too.
    const std::lock_guard<std::mutex> held(started.lock);
    std::fprintf(stderr, "start trace: %.1f %s\n", double(started.clock.nsecsElapsed()) / 1e6,
                 step);
    std::fflush(stderr);
}
