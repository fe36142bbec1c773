// The console lines and trace records of a finder, written down step by step in the
// order in which it produces them, from its construction to its destruction. The steps
// are shared by the expectation of a finder in memory (ExpectedOutput, as MemoryOutput
// keeps it) and of a whole run of the program (ExpectedRun), so each step returns the
// builder it was called on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "memory_output.h"
#include "messages.h"
#include "platform/console.h"
#include "platform_text.h"

namespace twinscout::e2e {

template <typename Self>
class FinderSteps {
public:
    // Listing phase.
    Self& source(const std::string& source) {
        note(8, text::walkingSource(source));
        return self();
    }
    Self& enterDirectory(const std::string& dir) {
        note(2, text::parseDirectoryIn(dir));
        return self();
    }
    Self& leaveDirectory(const std::string& dir) {
        note(4, text::parseDirectoryOut(dir));
        return self();
    }
    Self& listingFails(const std::string& dir, std::uint32_t error) {
        char code[16];
        std::snprintf(code, sizeof code, "%x", static_cast<unsigned>(error));
        enterDirectory(dir);
        note(4, text::listingFailed(dir + std::string(pathSeparator()) + "*.*", code));
        note(4, std::string(text::kParseDirectoryFailedOut));
        return self();
    }
    // A source that can't be listed: traced as any directory, and named on standard
    // error with the system's words for the error.
    Self& sourceFails(const std::string& source, std::uint32_t error) {
        this->source(source);
        listingFails(source, error);
        m_notices.push_back("twinscout: can't search \"" + source +
                            "\": " + platform::errorText(error));
        return self();
    }
    Self& loopSkipped(const std::string& dir) {
        note(4, text::loopSkipped(dir));
        return self();
    }
    // A file that passes the filters, whether or not the catalogue keeps it.
    Self& found(const std::string& path) {
        note(2, std::string(text::kAddNewFileIn));
        note(4, std::string(text::kAddNewFileOut));
        note(8, text::fileFound(path));
        say(text::line(path));
        return self();
    }
    // A source directory holding just these files, found in this order.
    Self& flatSource(const std::string& source, std::initializer_list<std::string> files) {
        this->source(source);
        enterDirectory(source);
        for (const std::string& file : files) found(file);
        leaveDirectory(source);
        return self();
    }
    Self& listed(int catalogued) {
        say(text::foundFiles(catalogued));
        note(4, std::string(text::kFindOut));
        note(2, std::string(text::kCompareFilesIn));
        say(text::kChecking);
        return self();
    }

    // Comparison phase.
    Self& first(const std::string& path) {
        note(8, text::analysing(path));
        say(text::line(path));
        return self();
    }
    Self& compared(const std::string& first, const std::string& second, bool identical) {
        note(4, std::string(text::kCompareContentIn));
        note(4, text::compareContentOut(identical ? 1 : 0));
        if (identical) {
            note(8, text::sameFileTrace(first, second));
            say(text::sameFile(first, second));
        }
        return self();
    }
    // The report of the groups, the end of the comparison and the finder's destruction.
    Self& report(const std::vector<std::vector<std::string>>& groups) {
        note(2, std::string(text::kPrintResultsIn));
        for (const std::vector<std::string>& group : groups) note(8, text::duplicateReport(group));
        note(4, std::string(text::kPrintResultsOut));
        note(4, std::string(text::kCompareFilesOut));
        note(2, std::string(text::kDestructorIn));
        note(4, std::string(text::kDestructorOut));
        return self();
    }

protected:
    // The finder built and its listing begun.
    FinderSteps() {
        note(2, std::string(text::kConstructorIn));
        note(4, std::string(text::kConstructorOut));
        note(2, std::string(text::kFindIn));
        say(text::kListing);
    }

    std::string m_console;  // lines end in "\n"
    std::vector<MemoryOutput::Record> m_records;
    std::vector<std::string> m_notices;

private:
    Self& self() { return static_cast<Self&>(*this); }
    // Plain appends: the constructor calls them before a Self exists.
    void say(std::string_view line) { m_console += line; }
    void note(std::int32_t level, std::string message) {
        m_records.push_back({level, std::move(message)});
    }
};

// What a MemoryOutput holds once the finder is gone.
class ExpectedOutput final : public FinderSteps<ExpectedOutput> {
public:
    const std::string& console() const { return m_console; }
    const std::vector<MemoryOutput::Record>& records() const { return m_records; }
    const std::vector<std::string>& notices() const { return m_notices; }
};

}  // namespace twinscout::e2e
