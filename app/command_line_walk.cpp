#include "app/command_line_walk.h"
#include "platform/system.h"

void walkCommandLine(int argc, const char* const argv[], CCommandLineInfo& info) {
    for (int i = 1; i < argc; ++i) {
        const char* param = argv[i];
        const bool isFlag = platform::isFlagParameter(param);
        info.ParseParam(isFlag ? param + 1 : param, isFlag, i == argc - 1);
    }
}
