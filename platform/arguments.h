#pragma once

#include <string>
#include <vector>

namespace platform {

// The process's parameters, argv[0] included, in UTF-8 as the program holds every
// text. Windows hands a program its narrow parameters in the ANSI code page, where a
// name it can't spell is lost: there they come from the C runtime's wide parameters
// instead, split by the same rules. Elsewhere they are argv as the system passed it.
std::vector<std::string> utf8Parameters(int argc, char* argv[]);

// The parameters as main() takes them.
class Arguments {
public:
    Arguments(int argc, char* argv[]);
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    int count() const { return static_cast<int>(m_texts.size()); }
    // count() texts, then a null.
    const char* const* values() const { return m_values.data(); }

private:
    std::vector<std::string> m_texts;
    std::vector<const char*> m_values;
};

}  // namespace platform
