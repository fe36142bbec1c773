#include "expected_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <system_error>

#include "messages.h"
#include "platform_text.h"
#include "trace_records.h"

namespace twinscout::e2e {

ExpectedRun& ExpectedRun::finish(int status) {
    m_finished = true;
    m_status = status;
    return *this;
}

std::string ExpectedRun::console() const {
    std::string console = std::string(text::kStart) + m_console;
    if (m_finished) console += text::kFinished;
    return consoleText(console);
}

std::string ExpectedRun::errors() const {
    std::string errors;
    for (const std::string& notice : m_notices) errors += notice + "\n";
    return consoleText(errors);
}

std::string ExpectedRun::trace() const {
    std::string log = traceRecord(text::kRunStart);
    for (const MemoryOutput::Record& record : m_records) log += traceRecord(record.message);
    if (m_finished) log += traceRecord(text::runEnd(m_status));
    return log;
}

void ExpectedRunTest::expectRun(std::vector<std::string> args, const ExpectedRun& expected) {
    args.push_back("/d");
    const ChildResult result = runProgram(args);
    ASSERT_TRUE(endedNormally(result));
    EXPECT_EQ(result.exitCode, expected.status());
    EXPECT_EQ(result.out, expected.console());
    EXPECT_EQ(result.err, expected.errors());
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
