#include "expected_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <system_error>

#include "messages.h"
#include "platform_text.h"
#include "trace_records.h"

namespace twinscout::e2e {

ExpectedRun::ExpectedRun() {
    say(std::string(text::kStart));
    note(std::string(text::kRunStart));
    note(std::string(text::kConstructorIn));
    note(std::string(text::kConstructorOut));
    note(std::string(text::kFindIn));
    say(std::string(text::kListing));
}

ExpectedRun& ExpectedRun::source(const std::string& source) {
    note(text::walkingSource(source));
    return *this;
}

ExpectedRun& ExpectedRun::enterDirectory(const std::string& dir) {
    note(text::parseDirectoryIn(dir));
    return *this;
}

ExpectedRun& ExpectedRun::leaveDirectory(const std::string& dir) {
    note(text::parseDirectoryOut(dir));
    return *this;
}

ExpectedRun& ExpectedRun::listingFails(const std::string& dir, std::uint32_t error) {
    char code[16];
    std::snprintf(code, sizeof code, "%x", static_cast<unsigned>(error));
    note(text::parseDirectoryIn(dir));
    note(text::listingFailed(dir + std::string(pathSeparator()) + "*.*", code));
    note(std::string(text::kParseDirectoryFailedOut));
    return *this;
}

ExpectedRun& ExpectedRun::loopSkipped(const std::string& dir) {
    note(text::loopSkipped(dir));
    return *this;
}

ExpectedRun& ExpectedRun::found(const std::string& path) {
    note(std::string(text::kAddNewFileIn));
    note(std::string(text::kAddNewFileOut));
    note(text::fileFound(path));
    say(text::line(path));
    return *this;
}

ExpectedRun& ExpectedRun::flatSource(const std::string& source,
                                     std::initializer_list<std::string> files) {
    this->source(source);
    enterDirectory(source);
    for (const std::string& file : files) found(file);
    return leaveDirectory(source);
}

ExpectedRun& ExpectedRun::listed(int catalogued) {
    say(text::foundFiles(catalogued));
    note(std::string(text::kFindOut));
    note(std::string(text::kCompareFilesIn));
    say(std::string(text::kChecking));
    return *this;
}

ExpectedRun& ExpectedRun::first(const std::string& path) {
    note(text::analysing(path));
    say(text::line(path));
    return *this;
}

ExpectedRun& ExpectedRun::compared(const std::string& first, const std::string& second,
                                   bool identical) {
    note(std::string(text::kCompareContentIn));
    note(text::compareContentOut(identical ? 1 : 0));
    if (identical) {
        note(text::sameFileTrace(first, second));
        say(text::sameFile(first, second));
    }
    return *this;
}

ExpectedRun& ExpectedRun::report(const std::vector<std::vector<std::string>>& groups) {
    note(std::string(text::kPrintResultsIn));
    for (const std::vector<std::string>& group : groups) note(text::duplicateReport(group));
    note(std::string(text::kPrintResultsOut));
    note(std::string(text::kCompareFilesOut));
    note(std::string(text::kDestructorIn));
    note(std::string(text::kDestructorOut));
    return *this;
}

ExpectedRun& ExpectedRun::finish(int status) {
    say(std::string(text::kFinished));
    note(text::runEnd(status));
    return *this;
}

std::string ExpectedRun::console() const { return consoleText(m_console); }

std::string ExpectedRun::trace() const {
    std::string log;
    for (const std::string& message : m_messages) log += traceRecord(message);
    return log;
}

void ExpectedRun::say(const std::string& line) { m_console += line; }

void ExpectedRun::note(std::string message) { m_messages.push_back(std::move(message)); }

void ExpectedRunTest::expectRun(std::vector<std::string> args, const ExpectedRun& expected) {
    args.push_back("/d");
    const RunResult result = runProgram(args);
    ASSERT_TRUE(ranToEnd(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, expected.console());
    EXPECT_EQ(maskTimestamps(readLog()), expected.trace());
}

std::vector<std::string> consoleLines(const std::string& out) {
    std::vector<std::string> lines;
    const std::string newline(consoleNewline());
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find(newline, start);
        if (end == std::string::npos) {
            lines.push_back(out.substr(start));
            break;
        }
        lines.push_back(out.substr(start, end - start));
        start = end + newline.size();
    }
    return lines;
}

std::vector<std::string> listedNames(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    if (error) ADD_FAILURE() << "cannot list " << dir.string() << ": " << error.message();
    return names;
}

void writeSparseFile(const std::filesystem::path& path, std::uintmax_t size, char last) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    std::error_code error;
    std::filesystem::resize_file(path, size, error);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(size - 1));
    file.put(last);
    file.close();
    if (error || !file) ADD_FAILURE() << "cannot write " << path.string();
}

}  // namespace twinscout::e2e
