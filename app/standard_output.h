#pragma once

#include <cstddef>

#include "finder/finder_output.h"

// The program's own output: console lines on standard output, records in debug.log,
// notices and the progress line on standard error.
class StandardOutput final : public FinderOutput {
public:
    // `showProgress`: where someone watches standard error while standard output goes
    // elsewhere.
    explicit StandardOutput(bool showProgress) : m_showProgress(showProgress) {}
    ~StandardOutput() override { progress({}); }

    void line(std::initializer_list<std::string_view> pieces) override;
    void notice(std::initializer_list<std::string_view> pieces) override;
    bool showsProgress() const override { return m_showProgress; }
    void progress(std::string_view line) override;
    bool tracing() const override;
    void record(std::int32_t level, const std::string& message) override;

private:
    const bool m_showProgress;
    std::size_t m_shown = 0;  // columns of the progress line on show
};
