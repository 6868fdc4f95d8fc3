// Runs a piece of code in a forked child to observe a fatal exit: its exit status and
// everything it printed on standard output. Standard input is /dev/null, so the
// fatal path never waits for a key. A child still running after 60 s is killed.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

struct ChildResult {
    int exitCode = -1; // -1 when the child was killed by a signal
    std::string output;
};

template <class Fn>
ChildResult runInChild(Fn fn)
{
    std::cout.flush();
    std::fflush(stdout);
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        alarm(60); // a hang ends the child, and the test fails instead of stalling
        fn();
        std::cout.flush();
        std::fflush(stdout);
        _exit(0);
    }
    close(fds[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t count;
    while ((count = read(fds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, static_cast<size_t>(count));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
