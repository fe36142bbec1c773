#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "broken_output.h"
#include "child_process_posix.h"
#include "exec_arguments_posix.h"

namespace twinscout::e2e {

namespace {

std::string errorText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Runs in the forked child: async-signal-safe calls only.
bool setUpStreams(BrokenOutput how, const char* program, int errWrite) {
    if (how == BrokenOutput::everyStreamClosed) {
        return ::close(0) == 0 && ::close(1) == 0 && ::close(2) == 0;
    }
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(errWrite, 2) < 0) return false;
    switch (how) {
        case BrokenOutput::closed:
            return ::close(1) == 0;
        case BrokenOutput::readOnly: {
            const int file = ::open(program, O_RDONLY);
            return file >= 0 && ::dup2(file, 1) >= 0;
        }
        case BrokenOutput::full: {
            const int full = ::open("/dev/full", O_WRONLY);
            return full >= 0 && ::dup2(full, 1) >= 0;
        }
        case BrokenOutput::everyStreamClosed:
            break;
    }
    return false;
}

}  // namespace

std::vector<BrokenOutput> brokenOutputsHere() {
    return {BrokenOutput::closed, BrokenOutput::everyStreamClosed, BrokenOutput::readOnly,
            BrokenOutput::full};
}

ChildResult runChildWithBrokenOutput(const Command& command, BrokenOutput how) {
    ChildResult result;
    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0) {
        result.failure = errorText("pipe");
        return result;
    }

    ExecArguments exec(command);

    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!exec.enterWorkDir() || !setUpStreams(how, exec.program(), err[1])) ::_exit(126);
        exec.exec();
        ::_exit(127);
    }
    ::close(err[1]);
    if (pid < 0) {
        result.failure = errorText("fork");
        ::close(err[0]);
        return result;
    }
    result.started = true;

    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(err[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        result.err.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(err[0]);

    reapChild(pid, result);
    return result;
}

}  // namespace twinscout::e2e
