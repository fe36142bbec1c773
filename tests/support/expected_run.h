// The console bytes and the trace of a whole run with at least one source: the
// finder's steps (expected_output.h) framed as the run sequence frames them, in the
// platform's bytes, the trace with masked timestamps as maskTimestamps leaves a real log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "expected_output.h"
#include "program_test.h"

namespace twinscout::e2e {

class ExpectedRun final : public FinderSteps<ExpectedRun> {
public:
    // The end of the run, which reports `status`.
    ExpectedRun& finish(int status = 0);

    std::string console() const;
    std::string trace() const;
    // Standard error's bytes.
    std::string errors() const;
    int status() const { return m_status; }

private:
    bool m_finished = false;
    int m_status = 0;
};

// Base fixture for tests that check a whole run against an ExpectedRun.
class ExpectedRunTest : public ProgramTest {
protected:
    // Runs with /d added and checks the console, the exit status and the whole trace.
    void expectRun(std::vector<std::string> args, const ExpectedRun& expected);
};

// The console lines of a run, each without its line end.
std::vector<std::string> consoleLines(const std::string& out);

// The names in a directory in the order the system lists them, which is the
// order the program meets them in.
std::vector<std::string> listedNames(const std::filesystem::path& dir);

// A file of `size` bytes, all zero but the last, written without filling the
// rest, so large files cost little where the file system keeps them sparse.
void writeSparseFile(const std::filesystem::path& path, std::uintmax_t size, char last);

}  // namespace twinscout::e2e
