#include "platform/arguments.h"

namespace platform {

Arguments::Arguments(int argc, char* argv[]) : m_texts(utf8Parameters(argc, argv)) {
    for (const std::string& text : m_texts) m_values.push_back(text.c_str());
    m_values.push_back(nullptr);
}

}  // namespace platform
