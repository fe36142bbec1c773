// A child whose standard output the test reads at its own pace (POSIX only).
// Its pipe is made as small as the system allows, so once the test stops
// reading, the child stops at a write as soon as the pipe is full: whatever the
// child does after that write can't happen until the test reads on. That lets a
// test change the tree at a known point of a run without timing anything.
#pragma once

#include <cstddef>
#include <string>

#include "child_process.h"

namespace twinscout::e2e {

class PacedChild {
public:
    explicit PacedChild(const Command& command);
    ~PacedChild();
    PacedChild(const PacedChild&) = delete;
    PacedChild& operator=(const PacedChild&) = delete;

    bool started() const { return m_pid > 0; }
    const std::string& failure() const { return m_failure; }
    // Bytes the pipe holds before the child's writes stop.
    std::size_t pipeCapacity() const { return m_capacity; }

    // Exactly `count` bytes of standard output, fewer only when the child ends first.
    std::string read(std::size_t count);
    // Everything the child writes from here on, and how it ended.
    ChildResult finish();

private:
    int m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::size_t m_capacity = 0;
    std::string m_failure;
};

}  // namespace twinscout::e2e
