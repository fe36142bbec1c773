// What a run says on standard error for someone reading a terminal: a progress line
// while standard output goes elsewhere, its summary, and a hint when nothing was named
// to search. None of it goes to a pipe or a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e_env.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

class TerminalTest : public ProgramTest {
protected:
    // The program with `args` under script(1), whose pseudo-terminal is its standard
    // input, output and error alike; everything shown on it comes back as `out`.
    ChildResult runOnTerminal(const std::string& args) const {
        const std::filesystem::path script = "/usr/bin/script";
        if (!std::filesystem::exists(script)) return {};
        return runChild(Command{
            script, {"-qec", "'" + programPath().string() + "' " + args, "/dev/null"},
            m_dir.path()});
    }
};

TEST_F(TerminalTest, SummaryAndHintOnlyOnATerminal) {
    m_dir.writeFile("t/a", "same");
    m_dir.writeFile("t/b", "same");
    m_dir.writeFile("t/c", "else");
    const ChildResult shown = runOnTerminal("/s t");
    if (!endedNormally(shown)) GTEST_SKIP() << "script(1) is needed";
    EXPECT_NE(shown.out.find("twinscout: 1 group of identical files, 1 copy, 4 bytes to free "
                             "by removing them; "),
              std::string::npos)
        << shown.out;
    EXPECT_NE(runOnTerminal("").out.find("twinscout: nothing to search"), std::string::npos);

    const ChildResult piped = runProgram({"/s", "t"});
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(piped.out.find("twinscout:"), std::string::npos);
    EXPECT_EQ(runProgram({}).err, "");
    EXPECT_EQ(shown.out.find("Listing: "), std::string::npos) << "output on the terminal";

    // Standard output to a file: the line shows each phase, then is taken away before
    // the summary, and the file holds what a pipe gets.
    const ChildResult watched = runOnTerminal("/s t > out.txt");
    ASSERT_TRUE(endedNormally(watched));
    const std::size_t listing = watched.out.find("\rListing: 0 files in 1 directory, in t");
    const std::size_t comparing = watched.out.find("\rComparing: 0 of 3 files, 0 bytes of 12 bytes, 0 pairs", listing);
    const std::size_t summary = watched.out.find("twinscout: 1 group", comparing);
    ASSERT_NE(summary, std::string::npos) << watched.out;
    EXPECT_EQ(watched.out.rfind('\r', summary), summary - 1) << "taken away first";
    EXPECT_EQ(readFileBytes(m_dir.path() / "out.txt"), piped.out);
}

}  // namespace
}  // namespace twinscout::e2e
