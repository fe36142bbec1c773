#include <windows.h>

#include "platform/arguments.h"
#include "platform/wide_text.h"

namespace {

struct StartupInfo {
    int newMode;
};

}  // namespace

// The C runtime's own splitting, on the wide command line: the rules that made the
// narrow argv, which the runtime's start-up built with the same call for narrow text.
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int expand,
                              StartupInfo* startup);

namespace platform {

std::vector<std::string> utf8Parameters(int argc, char* argv[]) {
    int count = 0;
    wchar_t** wide = nullptr;
    wchar_t** environment = nullptr;
    StartupInfo startup{0};
    std::vector<std::string> parameters;
    // No wildcard expansion, as for the narrow parameters: "*.txt" is a value.
    if (__wgetmainargs(&count, &wide, &environment, 0, &startup) >= 0 && wide != nullptr &&
        count == argc) {
        for (int k = 0; k < count; ++k) parameters.push_back(toUtf8(std::wstring_view(wide[k])));
        return parameters;
    }
    // Without them, the narrow ones, from the ANSI code page.
    for (int k = 0; k < argc; ++k) {
        const int length = MultiByteToWideChar(CP_ACP, 0, argv[k], -1, nullptr, 0);
        std::wstring text(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
        if (length > 0) MultiByteToWideChar(CP_ACP, 0, argv[k], -1, text.data(), length);
        text.pop_back();
        parameters.push_back(toUtf8(std::wstring_view(text)));
    }
    return parameters;
}

}  // namespace platform
