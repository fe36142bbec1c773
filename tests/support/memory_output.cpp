#include "memory_output.h"

void MemoryOutput::line(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces) console += piece;
    console += '\n';
}

void MemoryOutput::record(std::int32_t level, const std::string& message) {
    records.push_back({level, message});
}
