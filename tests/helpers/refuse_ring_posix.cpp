// refuse_ring [--waits] PROGRAM [ARGS...]
// Runs PROGRAM the way some sandboxes do: io_uring_setup allowed, io_uring_enter
// refused with EPERM by a seccomp filter; every call, or with --waits only those
// that submit nothing and wait. Exits with 77 before running anything, saying why
// on standard error, where the system refuses the filter or io_uring itself, so
// that a caller can tell "nothing tested" apart.
#include <linux/filter.h>
#include <linux/io_uring.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

constexpr int kCannotRefuse = 77;

// The low 32 bits of a call's second argument: io_uring_enter's count to submit.
constexpr unsigned kToSubmit =
    offsetof(seccomp_data, args[1]) + (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 4 : 0);

// The io_uring calls have the same numbers on every architecture, so the filter
// needs no look at which one made the call.
bool refuseRingEnter(bool waitsOnly) {
    sock_filter everyCall[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_io_uring_enter, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_filter waits[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_io_uring_enter, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kToSubmit),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog filter =
        waitsOnly ? sock_fprog{static_cast<unsigned short>(std::size(waits)), waits}
                  : sock_fprog{static_cast<unsigned short>(std::size(everyCall)), everyCall};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

// A ring must still be set up, and then refuse to wait; otherwise the program never
// reaches the state this is for.
bool ringSetUpButRefused() {
    io_uring_params params{};
    const long ring = syscall(__NR_io_uring_setup, 4, &params);
    if (ring < 0) return false;
    const long entered =
        syscall(__NR_io_uring_enter, ring, 0, 1, IORING_ENTER_GETEVENTS, nullptr, 0);
    const bool refused = entered < 0 && errno == EPERM;
    close(static_cast<int>(ring));
    return refused;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    const bool waitsOnly = argc > 1 && std::strcmp(argv[1], "--waits") == 0;
    if (waitsOnly) ++first;
    if (first >= argc) {
        std::fprintf(stderr, "usage: %s [--waits] <program> [argument ...]\n", argv[0]);
        return 2;
    }
    if (!refuseRingEnter(waitsOnly)) {
        std::fprintf(stderr, "seccomp filter refused: %s\n", std::strerror(errno));
        return kCannotRefuse;
    }
    if (!ringSetUpButRefused()) {
        std::fprintf(stderr, "io_uring is not set up here, or its calls are not refused\n");
        return kCannotRefuse;
    }
    execv(argv[first], argv + first);
    std::fprintf(stderr, "cannot run %s: %s\n", argv[first], std::strerror(errno));
    return 127;
}
