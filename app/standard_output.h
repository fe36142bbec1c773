#pragma once

#include "finder/finder_output.h"

// The program's own output: console lines on standard output, records in debug.log.
class StandardOutput final : public FinderOutput {
public:
    void line(std::initializer_list<std::string_view> pieces) override;
    void notice(std::initializer_list<std::string_view> pieces) override;
    bool tracing() const override;
    void record(std::int32_t level, const std::string& message) override;
};
