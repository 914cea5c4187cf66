// Runs work that must not hang - a read of a FIFO or a device - in a child
// process that an alarm ends, so a hang fails one test instead of the suite.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

// The child's exit code, or -1 when it did not finish within `seconds`.
inline int runWithin(unsigned seconds, const std::function<int()>& work) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(seconds);
        const int code = work();
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
