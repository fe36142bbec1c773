// The console bytes and the trace of a finder run, written down step by step in
// the order in which the run produces them. Each step adds its console lines and
// its trace messages; console() and trace() give them in the platform's bytes
// (the trace with masked timestamps, as maskTimestamps leaves a real log).
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "program_test.h"

namespace twinscout::e2e {

class ExpectedRun {
public:
    // The start of a run with at least one source: framing, finder built, listing begun.
    ExpectedRun();

    // Listing phase.
    ExpectedRun& source(const std::string& source);
    ExpectedRun& enterDirectory(const std::string& dir);
    ExpectedRun& leaveDirectory(const std::string& dir);
    ExpectedRun& listingFails(const std::string& dir, std::uint32_t error);
    ExpectedRun& loopSkipped(const std::string& dir);
    // A file that passes the filters, whether or not the catalogue keeps it.
    ExpectedRun& found(const std::string& path);
    // A source directory holding just these files, found in this order.
    ExpectedRun& flatSource(const std::string& source, std::initializer_list<std::string> files);
    ExpectedRun& listed(int catalogued);

    // Comparison phase.
    ExpectedRun& first(const std::string& path);
    ExpectedRun& compared(const std::string& first, const std::string& second, bool identical);
    ExpectedRun& report(const std::vector<std::vector<std::string>>& groups);
    // The end of the run, which reports `status`.
    ExpectedRun& finish(int status = 0);

    std::string console() const;
    std::string trace() const;

private:
    void say(const std::string& line);
    void note(std::string message);

    std::string m_console;
    std::vector<std::string> m_messages;
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
