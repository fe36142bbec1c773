#include "child_process_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "child_process.h"
#include "exec_arguments_posix.h"

namespace twinscout::e2e {

namespace {

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

struct Pipe {
    Fd read;
    Fd write;
};

std::string errorText(const char* what, int code) {
    return std::string(what) + ": " + std::strerror(code);
}

// Close-on-exec, so that one child never holds another child's pipe open.
bool makePipe(Pipe& pipe, std::string& failure) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        failure = errorText("pipe", errno);
        return false;
    }
    pipe.read = Fd(fds[0]);
    pipe.write = Fd(fds[1]);
    return true;
}

struct Child {
    pid_t pid = -1;
    Fd out;
    Fd err;
};

enum Stage : int { kStageRedirect = 1, kStageChdir = 2, kStageExec = 3 };

// Runs in the forked child: async-signal-safe calls only.
[[noreturn]] void failInChild(int report, int stage) {
    const int message[2] = {stage, errno};
    ssize_t written = ::write(report, message, sizeof message);
    (void)written;
    ::_exit(127);
}

bool start(const Command& command, Child& child, ChildResult& result) {
    Pipe out;
    Pipe err;
    Pipe report;
    if (!makePipe(out, result.failure) || !makePipe(err, result.failure) ||
        !makePipe(report, result.failure)) {
        return false;
    }
    Fd input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!input.valid()) {
        result.failure = errorText("open /dev/null", errno);
        return false;
    }

    // Everything the child touches is prepared before the fork.
    ExecArguments exec(command);

    const pid_t pid = ::fork();
    if (pid < 0) {
        result.failure = errorText("fork", errno);
        return false;
    }
    if (pid == 0) {
        if (::dup2(input.get(), 0) < 0 || ::dup2(out.write.get(), 1) < 0 ||
            ::dup2(err.write.get(), 2) < 0) {
            failInChild(report.write.get(), kStageRedirect);
        }
        if (!exec.enterWorkDir()) failInChild(report.write.get(), kStageChdir);
        exec.exec();
        failInChild(report.write.get(), kStageExec);
    }

    out.write.reset();
    err.write.reset();
    report.write.reset();

    // A successful exec closes the report pipe without writing to it.
    int message[2] = {0, 0};
    ssize_t got;
    do {
        got = ::read(report.read.get(), message, sizeof message);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof message)) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        const char* stage = message[0] == kStageChdir ? "chdir to " : "exec ";
        result.failure =
            std::string(stage) +
            (message[0] == kStageChdir ? command.workDir.string() : command.program.string()) +
            ": " + std::strerror(message[1]);
        return false;
    }

    child.pid = pid;
    child.out = std::move(out.read);
    child.err = std::move(err.read);
    result.started = true;
    return true;
}

// Reads every child's stdout and stderr together, so no child blocks on a full
// pipe while another one is being read.
void drain(std::vector<Child>& children, std::vector<ChildResult>& results) {
    struct Source {
        Fd* fd;
        std::string* sink;
    };
    std::vector<Source> sources;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i].out.valid()) sources.push_back({&children[i].out, &results[i].out});
        if (children[i].err.valid()) sources.push_back({&children[i].err, &results[i].err});
    }

    char buffer[65536];
    while (!sources.empty()) {
        std::vector<pollfd> polled;
        for (const Source& source : sources) polled.push_back({source.fd->get(), POLLIN, 0});
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR) continue;
            for (Source& source : sources) source.fd->reset();
            break;
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents == 0) continue;
            const ssize_t got = ::read(sources[i].fd->get(), buffer, sizeof buffer);
            if (got > 0) {
                sources[i].sink->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                sources[i].fd->reset();
            }
        }
        std::erase_if(sources, [](const Source& source) { return !source.fd->valid(); });
    }
}

}  // namespace

std::vector<ChildResult> runChildrenTogether(const std::vector<Command>& commands) {
    std::vector<ChildResult> results(commands.size());
    std::vector<Child> children(commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i) start(commands[i], children[i], results[i]);
    drain(children, results);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (results[i].started) reapChild(children[i].pid, results[i]);
    }
    return results;
}

void reapChild(pid_t pid, ChildResult& result) {
    int status = 0;
    rusage usage{};
    pid_t done;
    do {
        done = ::wait4(pid, &status, 0, &usage);
    } while (done < 0 && errno == EINTR);
    if (done >= 0) result.peakResidentKb = usage.ru_maxrss;
    if (done < 0) {
        result.failure = errorText("waitpid", errno);
    } else if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
        if (result.exitCode == 126 || result.exitCode == 127) {
            result.failure = "the child could not be started";
        }
    } else if (WIFSIGNALED(status)) {
        result.exitCode = 128 + WTERMSIG(status);
        result.failure = "killed by signal " + std::to_string(WTERMSIG(status));
    }
}

}  // namespace twinscout::e2e
