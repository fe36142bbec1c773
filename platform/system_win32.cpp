#include <share.h>
#include <windows.h>

#include "platform/flag_rules.h"
#include "platform/system.h"

// The C runtime must hand parameters over as typed: "*.txt" is a value, not a glob.
int _dowildcard = 0;

namespace platform {

const char kSeparator = '\\';

bool startFramework() {
    return GetModuleHandleA(nullptr) != nullptr && GetCommandLineA() != nullptr;
}

bool isFlagParameter(const char* param) { return isFlagByWindowsRule(param); }

void toLowerCase(std::string& text) {
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

bool isLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

bool localTime(std::time_t seconds, std::tm& calendar) {
    return localtime_s(&calendar, &seconds) == 0;
}

std::FILE* openTraceFile() {
    // Share-deny: nobody else reads or writes the file while one record is written.
    const ULONGLONG deadline = GetTickCount64() + 100;
    for (;;) {
        std::FILE* file = _fsopen("debug.log", "a+", _SH_DENYRW);
        if (file != nullptr) return file;
        if (GetLastError() != ERROR_SHARING_VIOLATION || GetTickCount64() > deadline) {
            return nullptr;
        }
        Sleep(1);
    }
}

void closeTraceFile(std::FILE* file) { std::fclose(file); }

std::size_t openFileBudget() { return 4096; }

}  // namespace platform
