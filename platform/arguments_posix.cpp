#include "platform/arguments.h"

namespace platform {

// Names are bytes here, and parameters reach the program as they were given.
std::vector<std::string> utf8Parameters(int argc, char* argv[]) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace platform
