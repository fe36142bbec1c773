#include "trace/trace_record.h"

#include <cstdio>

namespace {

// The format expanded; empty when it can't be.
std::string expand(const char* format, std::va_list arguments) {
    std::va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length <= 0) return {};
    std::string message(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(message.data(), message.size(), format, arguments);
    message.resize(static_cast<std::size_t>(length));
    return message;
}

}  // namespace

std::string traceRecord(std::string_view timestamp, std::string_view lineEnd, const char* format,
                        std::va_list arguments) {
    const std::string message = expand(format, arguments);
    std::string record;
    record.reserve(timestamp.size() + 4 + message.size());
    record.append(timestamp).append(" :: ");
    if (lineEnd == "\n") return record.append(message);
    for (const char c : message) {
        if (c == '\n') {
            record.append(lineEnd);
        } else {
            record.push_back(c);
        }
    }
    return record;
}
