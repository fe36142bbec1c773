#include "app/command_line_info.h"

void walkCommandLine(int argc, const char* const argv[], CCommandLineInfo& info) {
    for (int i = 1; i < argc; ++i) {
        const char* param = argv[i];
        const bool isFlag = param[0] == '-' || param[0] == '/';
        info.ParseParam(isFlag ? param + 1 : param, isFlag, i == argc - 1);
    }
}
