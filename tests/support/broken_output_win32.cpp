#include <windows.h>

#include <memory>
#include <string>

#include "broken_output.h"
#include "child_process_win32.h"

namespace twinscout::e2e {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::string lastErrorText(const std::string& what) {
    return what + " failed, error " + std::to_string(::GetLastError());
}

}  // namespace

std::vector<BrokenOutput> brokenOutputsHere() {
    return {BrokenOutput::closed, BrokenOutput::everyStreamClosed, BrokenOutput::readOnly};
}

ChildResult runChildWithBrokenOutput(const Command& command, BrokenOutput how) {
    ChildResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
    Handle errRead;
    Handle errWrite;
    Handle nul;
    Handle readOnly;
    if (how != BrokenOutput::everyStreamClosed) {
        HANDLE read = nullptr;
        HANDLE write = nullptr;
        if (!::CreatePipe(&read, &write, nullptr, 0)) {
            result.failure = lastErrorText("CreatePipe");
            return result;
        }
        errRead.reset(read);
        errWrite.reset(write);
        ::SetHandleInformation(write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        nul.reset(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr));
        input = nul.get();
        error = write;
    }
    if (how == BrokenOutput::readOnly) {
        readOnly.reset(::CreateFileA(command.program.string().c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     &inherit, OPEN_EXISTING, 0, nullptr));
        if (readOnly.get() == INVALID_HANDLE_VALUE) {
            result.failure = lastErrorText("CreateFileA " + command.program.string());
            return result;
        }
        output = readOnly.get();
    } else if (how == BrokenOutput::full) {
        result.failure = "Windows has no device that is always full";
        return result;
    }

    PROCESS_INFORMATION info{};
    if (!startChild(command, input, output, error, info, result.failure)) return result;
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    result.started = true;

    // Only the child holds the write end now, so the read ends when it exits.
    errWrite.reset();
    if (errRead) {
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(errRead.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
            result.err.append(buffer, got);
        }
    }
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.get(), &code)) {
        result.exitCode = static_cast<int>(code);
    } else {
        result.failure = lastErrorText("GetExitCodeProcess");
    }
    return result;
}

}  // namespace twinscout::e2e
