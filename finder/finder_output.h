#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/console.h"

// Where the finder's console lines and trace records go: standard output and debug.log
// in the program, memory in tests. Paths come as the walk built them.
class FinderOutput {
public:
    virtual ~FinderOutput() = default;

    // One console line: the pieces (paths, or plain ASCII text) one after the other. It
    // is out, and flushed, when the call returns, so the listing can be followed.
    virtual void line(std::initializer_list<std::string_view> pieces) = 0;
    // One line for the user on standard error, which no script reads: the pieces (paths,
    // or plain text) one after the other.
    virtual void notice(std::initializer_list<std::string_view> pieces) = 0;
    // Whether a line of progress is shown, rewritten in place as the run goes on.
    virtual bool showsProgress() const = 0;
    // The progress line now (plain text, paths in it as the walk built them); an empty
    // one takes it away.
    virtual void progress(std::string_view line) = 0;
    // Whether records are kept: work whose only product is records is skipped otherwise.
    virtual bool tracing() const = 0;
    // One record of the trace, its message complete.
    virtual void record(std::int32_t level, const std::string& message) = 0;

    // A record formatted printf-style, only while tracing: every text argument is a path,
    // spelled as names are spelled in the trace.
    template <typename... Args>
    void trace(std::int32_t level, const char* format, const Args&... args) {
        if (!tracing()) return;
        if constexpr (sizeof...(Args) == 0) {
            record(level, format);
        } else {
            record(level, formatRecord(format, printable(spelled(args))...));
        }
    }

private:
    static std::string spelled(std::string_view path) { return platform::spelledForOutput(path); }
    template <typename Number>
    requires std::is_arithmetic_v<Number>
    static Number spelled(Number number) { return number; }
    static const char* printable(const std::string& text) { return text.c_str(); }
    template <typename Number>
    requires std::is_arithmetic_v<Number>
    static Number printable(Number number) { return number; }
    static std::string formatRecord(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 1, 2)))
#endif
        ;
};
