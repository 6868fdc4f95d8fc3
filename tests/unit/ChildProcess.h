// Runs a piece of code in a child process and reports how it ended and what it
// printed: for the paths that end the program.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <string>

struct ChildResult {
    int exitCode = -1; // -1 when the child did not exit normally
    std::string output;
};

inline ChildResult runInChild(const std::function<void()>& body)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], STDOUT_FILENO);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        body();
        std::fflush(stdout);
        _exit(0);
    }
    close(pipeFds[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}
