// Base fixture for tests that run the program in a fresh directory of their own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"
#include "temp_dir.h"

namespace twinscout::e2e {

class ProgramTest : public ::testing::Test {
protected:
    // Runs twinscout with args in the test's directory.
    ChildResult runProgram(const std::vector<std::string>& args) const;
    Command programCommand(const std::vector<std::string>& args) const;
    // The program as an unprivileged user (POSIX; the test must be root): the child
    // enters `workDir` first, so it may lie below directories that user can't search.
    static Command unprivilegedCommand(const std::vector<std::string>& args,
                                       const std::filesystem::path& workDir);

    std::filesystem::path logPath() const { return m_dir.path() / "debug.log"; }
    std::string readLog() const { return readFileBytes(logPath()); }
    bool logExists() const { return std::filesystem::exists(logPath()); }

    TempDir m_dir;
};

// For EXPECT/ASSERT: the child started and ended normally.
::testing::AssertionResult endedNormally(const ChildResult& result);

}  // namespace twinscout::e2e
