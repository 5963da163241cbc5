#ifndef QUADROTAG_STARTTRACE_H
#define QUADROTAG_STARTTRACE_H

// Where the time from launch to the first image goes: with QUADROTAG_START_TRACE set in the
// environment, each step is written to standard error as "start trace: <ms> <step>", the
// milliseconds counted from the first step. Costs one check of a flag otherwise.
void traceStartStep(const char* step);

#endif
