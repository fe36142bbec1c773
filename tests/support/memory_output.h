// The finder's console lines and trace records, kept in memory for a test to read.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "finder/finder_output.h"

class MemoryOutput final : public FinderOutput {
public:
    explicit MemoryOutput(bool tracing = false, bool showsProgress = false)
        : m_tracing(tracing), m_showsProgress(showsProgress) {}

    void line(std::initializer_list<std::string_view> pieces) override;
    void notice(std::initializer_list<std::string_view> pieces) override;
    bool showsProgress() const override { return m_showsProgress; }
    void progress(std::string_view line) override { progressLines.emplace_back(line); }
    bool tracing() const override { return m_tracing; }
    void record(std::int32_t level, const std::string& message) override;

    // Every line with its "\n", as a console shows them.
    std::string console;
    struct Record {
        std::int32_t level;
        std::string message;
        friend bool operator==(const Record&, const Record&) = default;
        // For test failures: the level, then the message quoted, its line ends shown.
        friend void PrintTo(const Record& record, std::ostream* os);
    };
    std::vector<Record> records;
    // Every notice, each a line without its end.
    std::vector<std::string> notices;
    // Every progress line given, "" where it was taken away.
    std::vector<std::string> progressLines;

private:
    bool m_tracing;
    bool m_showsProgress;
};
