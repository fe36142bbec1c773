// A symbolic link named debug.log on Windows: the run must not write through it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "messages.h"
#include "platform_text.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

// Lets a user in developer mode make links without the privilege.
constexpr DWORD kUnprivilegedLink = 0x2;

class WindowsTraceFileTest : public ProgramTest {};

// Making a link takes a privilege or developer mode, and Wine makes none (it
// answers success and creates nothing): the test runs only where a link is made.
TEST_F(WindowsTraceFileTest, LinkIsNeverWrittenThrough) {
    const std::string kept = "a file of the user's\n";
    const auto target = m_dir.writeFile("elsewhere/kept.txt", kept);
    ::CreateSymbolicLinkA(logPath().string().c_str(), target.string().c_str(), kUnprivilegedLink);
    const DWORD attributes = ::GetFileAttributesA(logPath().string().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "no symbolic link could be made here";
    }

    const ChildResult result = runProgram({"/d", "/x"});
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, 87);
    EXPECT_EQ(result.out, consoleText(std::string(text::kUsage) + std::string(text::kStart) +
                                      std::string(text::kFinished)));
    EXPECT_EQ(readFileBytes(target), kept);
}

}  // namespace
}  // namespace twinscout::e2e
