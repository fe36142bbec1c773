// Runs of the program that never reach the finder: no source is given, or a
// parameter error stops the run. Each case fixes the exact console bytes, the
// exit status and the exact trace (or its absence).
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "messages.h"
#include "platform_facts.h"
#include "platform_text.h"
#include "program_test.h"
#include "trace_records.h"

namespace twinscout::e2e {
namespace {

constexpr int kOk = 0;
constexpr int kParameterError = 87;

struct CommandLineCase {
    const char* name;
    std::vector<std::string> args;
    std::string console;  // with "\n" line ends
    int exitCode;
    // The trace messages in order; nullopt when debug.log must not appear.
    std::optional<std::vector<std::string>> trace;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::string> repeated(const std::string& arg, int times) {
    return std::vector<std::string>(static_cast<std::size_t>(times), arg);
}

std::vector<std::string> concat(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::string framed() { return std::string(text::kStart) + std::string(text::kFinished); }

std::string usageThenFramed() { return std::string(text::kUsage) + framed(); }

std::vector<std::string> tracedOk() { return {std::string(text::kRunStart), text::runEnd(kOk)}; }

std::vector<std::string> tracedError() {
    return {std::string(text::kRunStart), std::string(text::kParameterError),
            text::runEnd(kParameterError)};
}

std::vector<CommandLineCase> cases() {
    // Where absolute paths begin with "/", "/" alone and "/debug" are values, here dropped.
    const bool slashFlags = longSlashParametersAreFlags();
    return {
        {"NoArguments", {}, framed(), kOk, std::nullopt},
        {"OnlyDebug", {"/d"}, framed(), kOk, tracedOk()},
        {"DebugUpperCase", {"/D"}, framed(), kOk, tracedOk()},
        {"DebugWithHyphen", {"-d"}, framed(), kOk, tracedOk()},
        // Only the first letter of a flag counts.
        {"DebugLongForm", {"-debug"}, framed(), kOk, tracedOk()},
        {"SlashDebugLongForm",
         {"/debug"},
         framed(),
         kOk,
         slashFlags ? std::optional(tracedOk()) : std::nullopt},
        {"ValuesBeforeAnyFlagDropped", {"X", "Y", "/d"}, framed(), kOk, tracedOk()},
        {"ValueAfterDebugDropped", {"/d", "B"}, framed(), kOk, tracedOk()},
        {"EmptyValueDropped", {"", "/d", ""}, framed(), kOk, tracedOk()},
        {"ValueWithBlanksDropped", {"/d", "a b", "\t"}, framed(), kOk, tracedOk()},
        // Flags without a source: nothing to search, so no finder.
        {"SourceFlagWithoutValue", {"/s", "/d"}, framed(), kOk, tracedOk()},
        {"ExtensionsAndExclusionsOnly",
         {"/e", "txt", "/w", "tmp", "/d"},
         framed(),
         kOk,
         tracedOk()},
        {"UnknownFlag", {"/x"}, usageThenFramed(), kParameterError, std::nullopt},
        {"DebugThenUnknownFlag", {"/d", "/x"}, usageThenFramed(), kParameterError, tracedError()},
        // Nothing after the bad flag is looked at, so this /d switches nothing on.
        {"UnknownFlagThenDebug", {"/x", "/d"}, usageThenFramed(), kParameterError, std::nullopt},
        {"TwoUnknownFlagsUsageOnce",
         {"/x", "/y"},
         usageThenFramed(),
         kParameterError,
         std::nullopt},
        {"DebugAroundUnknownFlags",
         {"/d", "/x", "/y", "/d"},
         usageThenFramed(),
         kParameterError,
         tracedError()},
        // The bad flag also voids the sources given after it.
        {"UnknownFlagThenSource",
         {"/x", "/s", "A"},
         usageThenFramed(),
         kParameterError,
         std::nullopt},
        {"LoneSlash",
         {"/"},
         slashFlags ? usageThenFramed() : framed(),
         slashFlags ? kParameterError : kOk,
         std::nullopt},
        {"LoneHyphen", {"-"}, usageThenFramed(), kParameterError, std::nullopt},
        {"DoubleHyphen", {"--s"}, usageThenFramed(), kParameterError, std::nullopt},
        {"QuestionMark", {"/?"}, usageThenFramed(), kParameterError, std::nullopt},
        {"HelpLetter", {"/h"}, usageThenFramed(), kParameterError, std::nullopt},
        // The parse status is a signed byte: 127 raises are fine, the 128th
        // overflows into an error that prints no usage text.
        {"DebugGiven127Times", repeated("/d", 127), framed(), kOk, tracedOk()},
        {"DebugGiven128Times", repeated("/d", 128), framed(), kParameterError, tracedError()},
        {"DebugGiven300Times", repeated("/d", 300), framed(), kParameterError, tracedError()},
        {"UnknownFlagAfter127Debug", concat(repeated("/d", 127), {"/x"}), usageThenFramed(),
         kParameterError, tracedError()},
        {"UnknownFlagAfter128Debug", concat(repeated("/d", 128), {"/x"}), framed(), kParameterError,
         tracedError()},
    };
}

class CommandLineTest : public ProgramTest,
                        public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLineTest, ConsoleExitStatusAndTrace) {
    const CommandLineCase& c = GetParam();
    const ChildResult result = runProgram(c.args);
    ASSERT_TRUE(endedNormally(result));

    EXPECT_EQ(result.out, consoleText(c.console));
    EXPECT_EQ(result.exitCode, c.exitCode);
    if (!c.trace) {
        EXPECT_FALSE(logExists());
        return;
    }
    std::string expected;
    for (const std::string& message : *c.trace) expected += traceRecord(message);
    EXPECT_EQ(maskTimestamps(readLog()), expected);
}

INSTANTIATE_TEST_SUITE_P(SpineOnly, CommandLineTest, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<CommandLineCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace twinscout::e2e
