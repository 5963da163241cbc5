#ifndef QUADROTAG_EXITCODE_H
#define QUADROTAG_EXITCODE_H

// The exit codes of the command-line tools.
enum ExitCode { exitDone = 0, exitProblems = 1, exitUnusable = 2 };

#endif
