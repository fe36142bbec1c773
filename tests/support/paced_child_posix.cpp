#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "child_process_posix.h"
#include "exec_arguments_posix.h"
#include "paced_child.h"

namespace twinscout::e2e {

namespace {

std::string errorText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

PacedChild::PacedChild(const Command& command) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        m_failure = errorText("pipe");
        return;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        m_failure = errorText("pipe");
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    // The kernel rounds up to its smallest size, one page.
    ::fcntl(out[1], F_SETPIPE_SZ, 1);
    const int capacity = ::fcntl(out[1], F_GETPIPE_SZ);
    m_capacity = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;

    ExecArguments exec(command);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int input = ::open("/dev/null", O_RDONLY);
        if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err[1], 2) < 0 ||
            !exec.enterWorkDir()) {
            ::_exit(126);
        }
        exec.exec();
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
        m_failure = errorText("fork");
        ::close(out[0]);
        ::close(err[0]);
        return;
    }
    m_pid = pid;
    m_out = out[0];
    m_err = err[0];
}

PacedChild::~PacedChild() {
    if (m_pid > 0) finish();
}

std::string PacedChild::read(std::size_t count) {
    std::string data(count, '\0');
    std::size_t done = 0;
    while (done < count && m_out >= 0) {
        const ssize_t got = ::read(m_out, data.data() + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    data.resize(done);
    return data;
}

ChildResult PacedChild::finish() {
    ChildResult result;
    result.started = m_pid > 0;
    result.failure = m_failure;
    if (m_pid <= 0) return result;

    struct Source {
        int* fd;
        std::string* sink;
    };
    std::vector<Source> sources{{&m_out, &result.out}, {&m_err, &result.err}};
    char buffer[65536];
    while (m_out >= 0 || m_err >= 0) {
        std::vector<pollfd> polled;
        std::vector<Source> open;
        for (const Source& source : sources) {
            if (*source.fd < 0) continue;
            polled.push_back({*source.fd, POLLIN, 0});
            open.push_back(source);
        }
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents == 0) continue;
            const ssize_t got = ::read(*open[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                open[i].sink->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                closeFd(*open[i].fd);
            }
        }
    }
    closeFd(m_out);
    closeFd(m_err);

    reapChild(m_pid, result);
    m_pid = -1;
    return result;
}

}  // namespace twinscout::e2e
