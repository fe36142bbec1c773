#include <windows.h>

#include <memory>
#include <utility>

#include "child_process.h"
#include "child_start_win32.h"
#include "platform/wide_text.h"

namespace twinscout::e2e {

namespace {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    Handle(Handle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    void reset() {
        if (valid()) ::CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle = nullptr;
};

std::string lastErrorText(const std::string& what) {
    return what + " failed, error " + std::to_string(::GetLastError());
}

// Quotes one argument so that the child's runtime splits it back unchanged
// (blanks and tabs separate, quotes group, backslashes escape only quotes).
// An empty argument must be quoted, or it would vanish.
std::string quoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote are doubled so they stay literal.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string commandLine(const Command& command) {
    // The program name is split by simpler rules: only quotes count, and a
    // path never holds one.
    const std::u8string program = command.program.u8string();
    std::string line = "\"" + std::string(program.begin(), program.end()) + "\"";
    for (const std::string& arg : command.args) line += " " + quoteArgument(arg);
    return line;
}

// Drains one pipe on a thread of its own, so that several children writing at
// once never stall on a full pipe.
struct Reader {
    Handle pipe;
    Handle thread;
    std::string data;
};

DWORD WINAPI readAll(LPVOID context) {
    Reader& reader = *static_cast<Reader*>(context);
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(reader.pipe.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        reader.data.append(buffer, got);
    }
    return 0;
}

bool startReader(Reader& reader, std::string& failure) {
    reader.thread = Handle(::CreateThread(nullptr, 0, readAll, &reader, 0, nullptr));
    if (!reader.thread.valid()) {
        failure = lastErrorText("CreateThread");
        // Nobody reads this pipe: break it, so the child can't block on it.
        reader.pipe.reset();
        return false;
    }
    return true;
}

// The parent's end is not inheritable; only the child's end is, and the
// parent closes that right after the child has started. Children started one
// after the other therefore never inherit each other's pipes.
bool makeOutputPipe(Handle& parentEnd, Handle& childEnd, std::string& failure) {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    if (!::CreatePipe(&read, &write, nullptr, 0)) {
        failure = lastErrorText("CreatePipe");
        return false;
    }
    parentEnd = Handle(read);
    childEnd = Handle(write);
    if (!::SetHandleInformation(write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        failure = lastErrorText("SetHandleInformation");
        return false;
    }
    return true;
}

struct Child {
    Handle process;
    std::unique_ptr<Reader> out = std::make_unique<Reader>();
    std::unique_ptr<Reader> err = std::make_unique<Reader>();
};

bool start(const Command& command, Child& child, RunResult& result) {
    Handle outChild;
    Handle errChild;
    if (!makeOutputPipe(child.out->pipe, outChild, result.failure) ||
        !makeOutputPipe(child.err->pipe, errChild, result.failure)) {
        return false;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle input(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr));
    if (!input.valid()) {
        result.failure = lastErrorText("CreateFileA NUL");
        return false;
    }

    PROCESS_INFORMATION info{};
    if (!startChild(command, input.get(), outChild.get(), errChild.get(), info, result.failure)) {
        return false;
    }
    child.process = Handle(info.hProcess);
    Handle thread(info.hThread);

    // Only the child may hold the write ends now, so the readers see the end
    // of the output when the child exits.
    outChild.reset();
    errChild.reset();
    input.reset();

    result.started = true;
    return startReader(*child.out, result.failure) && startReader(*child.err, result.failure);
}

void finish(Child& child, RunResult& result) {
    for (Reader* reader : {child.out.get(), child.err.get()}) {
        if (reader->thread.valid()) ::WaitForSingleObject(reader->thread.get(), INFINITE);
    }
    result.out = std::move(child.out->data);
    result.err = std::move(child.err->data);
    if (!child.process.valid()) return;

    ::WaitForSingleObject(child.process.get(), INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(child.process.get(), &code)) {
        result.exitCode = static_cast<int>(code);
    } else {
        result.failure = lastErrorText("GetExitCodeProcess");
    }
}

}  // namespace

std::vector<RunResult> runTogether(const std::vector<Command>& commands) {
    std::vector<RunResult> results(commands.size());
    std::vector<Child> children(commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i) start(commands[i], children[i], results[i]);
    for (std::size_t i = 0; i < commands.size(); ++i) finish(children[i], results[i]);
    return results;
}

bool startChild(const Command& command, HANDLE input, HANDLE output, HANDLE error,
                PROCESS_INFORMATION& info, std::string& failure) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;

    // Arguments are UTF-8, as the program holds them: any name reaches it.
    const std::wstring program = command.program.wstring();
    const std::wstring dir = command.workDir.wstring();
    const std::string line = commandLine(command);
    std::wstring wideLine = platform::toWide<wchar_t>(line);
    // Wine under heavy load now and then fails a start with an internal error; a
    // start that fails three times in a row is a real failure.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::CreateProcessW(program.c_str(), wideLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
            return true;
        }
    }
    failure = lastErrorText("CreateProcessW " + line + " in " + command.workDir.string());
    return false;
}

}  // namespace twinscout::e2e
