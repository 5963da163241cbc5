#ifndef QUADROTAG_TESTS_CHILDRUN_H
#define QUADROTAG_TESTS_CHILDRUN_H

#include <string>
#include <vector>

// How a command-line tool ran: its exit, its wall time and its own peak resident size.
struct ChildRun
{
    bool finished = false;
    int exitCode = -1;
    double seconds = 0;
    long peakKilobytes = 0;
};

// Runs the program named first in arguments as a child and waits for it; quiet sends its
// standard output to /dev/null.
ChildRun measureRun(const std::vector<std::string>& arguments, bool quiet = false);

#endif
