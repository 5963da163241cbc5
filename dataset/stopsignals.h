#ifndef QUADROTAG_STOPSIGNALS_H
#define QUADROTAG_STOPSIGNALS_H

#include <exception>

// SIGINT, SIGTERM and SIGHUP only note that they came; a tool stops at its next check, so
// that its scratch folders are removed as the stack unwinds.
class StopSignals
{
public:
    // Thrown at a check once a signal came.
    class Stopped : public std::exception
    {
    public:
        const char* what() const noexcept override { return "stopped by a signal"; }
    };

    static void install();
    // The signal that came, 0 while none did.
    static int received();
    // Throws Stopped once a signal came.
    static void check();
};

#endif
