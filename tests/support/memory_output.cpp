#include "memory_output.h"

void MemoryOutput::line(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) console += piece;
    console += '\n';
}

void MemoryOutput::notice(std::initializer_list<std::string_view> pieces) {
    std::string& notice = notices.emplace_back();
    for (const std::string_view piece : pieces) notice += piece;
}

void MemoryOutput::record(std::int32_t level, const std::string& message) {
    records.push_back({level, message});
}

void PrintTo(const MemoryOutput::Record& record, std::ostream* os) {
    *os << record.level << " \"";
    for (const char c : record.message) {
        if (c == '\n') {
            *os << "\\n";
        } else {
            *os << c;
        }
    }
    *os << '"';
}
