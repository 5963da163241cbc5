#include "childrun.h"

#include <QElapsedTimer>

#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

ChildRun measureRun(const std::vector<std::string>& arguments, bool quiet)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    ChildRun measured;
    QElapsedTimer clock;
    clock.start();
    // fork, not posix_spawn: the kernel carries the peak of the memory a process had before
    // exec into its own, and a forked child starts from this process's present size, which
    // stays below the measured tool's (both are printed).
    const pid_t child = fork();
    if (child < 0)
        return measured;
    if (child == 0) {
        if (quiet && !std::freopen("/dev/null", "w", stdout))
            _exit(127);
        execv(argv.front(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return measured;
    measured.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    measured.finished = WIFEXITED(status);
    measured.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    measured.peakKilobytes = usage.ru_maxrss;
    return measured;
}
