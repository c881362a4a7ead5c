// SPDX-License-Identifier: MIT
#include "DetachedStart.h"

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the children tell the parent through a pipe: the started program's pid, or why its exec
// failed. A report is smaller than PIPE_BUF, so the two never mix.
struct Report {
    enum Kind : int { Started, ExecFailed } kind;
    int value;
};

void tell(int pipe, Report report)
{
    [[maybe_unused]] const ssize_t told = ::write(pipe, &report, sizeof report);
}

// In the forked child: starts the program in a child of its own and ends, so that init adopts it.
// Only calls that are safe in a copy of a threaded process (fork, setsid, dup2, execv, write, _exit).
[[noreturn]] void startInGrandchild(const char *path, char *const argv[], int report, int quietFd,
                                    bool keepErrors)
{
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
        ::setsid();
        if (quietFd >= 0) {
            ::dup2(quietFd, STDIN_FILENO);
            ::dup2(quietFd, STDOUT_FILENO);
            if (!keepErrors)
                ::dup2(quietFd, STDERR_FILENO);
        }
        ::execv(path, argv);
        tell(report, {Report::ExecFailed, errno});
        ::_exit(127);
    }
    if (grandchild > 0)
        tell(report, {Report::Started, grandchild});
    ::_exit(grandchild < 0 ? 1 : 0);
}

// Reads the children's reports until the pipe closes: on the exec, or when both have ended.
pid_t readReports(int pipe)
{
    pid_t started = -EAGAIN;
    Report report{};
    for (;;) {
        const ssize_t got = ::read(pipe, &report, sizeof report);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != sizeof report)
            return started;
        if (report.kind == Report::ExecFailed)
            return -report.value;
        started = report.value;
    }
}

} // namespace

pid_t startDetached(const QByteArray &path, const QList<QByteArray> &argv, Streams streams)
{
    // Everything the children use is made before the fork.
    std::vector<char *> arguments;
    for (const QByteArray &argument : argv)
        arguments.push_back(const_cast<char *>(argument.constData()));
    arguments.push_back(nullptr);
    const int quietFd = streams == Streams::Quiet ? ::open("/dev/null", O_RDWR | O_CLOEXEC) : -1;
    const bool keepErrors = ::isatty(STDERR_FILENO);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -errno;

    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        startInGrandchild(path.constData(), arguments.data(), report[1], quietFd, keepErrors);
    }
    const int forkError = errno;
    ::close(report[1]);
    if (quietFd >= 0)
        ::close(quietFd);
    if (child < 0) {
        ::close(report[0]);
        return -forkError;
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    const pid_t started = readReports(report[0]);
    ::close(report[0]);
    return started;
}
