#include "app/standard_output.h"

#include "trace/trace_log.h"

void StandardOutput::line(std::initializer_list<std::string_view> pieces) {
    platform::printLine(pieces);
}

void StandardOutput::notice(std::initializer_list<std::string_view> pieces) {
    platform::printErrorLine(pieces);
}

bool StandardOutput::tracing() const { return traceEnabled(); }

void StandardOutput::record(std::int32_t level, const std::string& message) {
    traceLog(level, "%s", message.c_str());
}
