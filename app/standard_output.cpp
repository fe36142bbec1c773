#include "app/standard_output.h"

#include <string>

#include "trace/trace_log.h"

namespace {

// Columns a UTF-8 text takes: one for each character.
std::size_t columns(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

}  // namespace

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
    const std::size_t width = columns(line);
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
