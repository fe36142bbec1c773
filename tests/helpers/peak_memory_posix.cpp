// peak_memory PROGRAM [ARGS...]
// Runs PROGRAM as a child of this small process and then writes
// "peak resident KiB: N" as the last line of standard error, N being the most
// memory the child held at once; ends as the child ended. A child forked by a
// large test program would count that program's pages as its own until its
// exec, so a test that measures a run asks this helper instead.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program> [argument ...]\n", argv[0]);
        return 2;
    }
    const pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "fork: %s\n", std::strerror(errno));
        return 125;
    }
    if (child == 0) {
        execv(argv[1], argv + 1);
        std::fprintf(stderr, "cannot run %s: %s\n", argv[1], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) return 125;
    }
    std::fprintf(stderr, "peak resident KiB: %ld\n", usage.ru_maxrss);
    if (WIFSIGNALED(status)) {
        std::signal(WTERMSIG(status), SIG_DFL);
        std::raise(WTERMSIG(status));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 125;
}
