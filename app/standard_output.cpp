#include "app/standard_output.h"

#include <string>

#include "finder/progress_meter.h"
#include "trace/trace_log.h"

void StandardOutput::line(std::initializer_list<std::string_view> pieces) {
    platform::printLine(pieces);
}

void StandardOutput::notice(std::initializer_list<std::string_view> pieces) {
    progress({});
    platform::printErrorLine(pieces);
}

// Written over the line shown before, blanks covering what it had more.
void StandardOutput::progress(std::string_view line) {
    if (!m_showProgress || (line.empty() && m_shown == 0)) return;
    const std::size_t width = characterCount(line);
    std::string text = "\r";
    text += line;
    if (width < m_shown) text.append(m_shown - width, ' ');
    if (line.empty()) text += '\r';
    platform::writeErrorText(text);
    m_shown = width;
}

bool StandardOutput::tracing() const { return traceEnabled(); }

void StandardOutput::record(std::int32_t level, const std::string& message) {
    traceLog(level, "%s", message.c_str());
}
