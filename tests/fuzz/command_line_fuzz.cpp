// The command-line walk and the options it fills. The input is the argument vector after
// the program name, its parameters separated by NUL bytes. Which parameters count as flags
// is the walk's business: the checks take that from the isFlag each call receives.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line_walk.h"
#include "app/ts_command_line_info.h"
#include "fuzz_check.h"

using twinscout::fuzz::require;

namespace {

// Checks the options after every parameter the walk hands over.
class CheckedCommandLineInfo : public CTSCommandLineInfo {
public:
    explicit CheckedCommandLineInfo(const std::vector<std::string>& params) : m_params(params) {}

    void ParseParam(const char* param, bool isFlag, bool isLast) override {
        const std::size_t index = m_calls++;
        require(index < m_params.size(), "one call per parameter");
        const std::string& given = m_params[index];
        require(isLast == (index + 1 == m_params.size()), "isLast on the final parameter only");
        if (isFlag) {
            require(!given.empty() && (given[0] == '-' || given[0] == '/'),
                    "a flag is written with a prefix");
            require(given.compare(1, std::string::npos, param) == 0,
                    "a flag's text is the parameter without its one-character prefix");
        } else {
            require(given == param, "a value is handed over whole");
        }

        const std::int8_t status = m_status;
        const std::uint8_t debug = m_debug;
        const std::uint8_t collecting[3] = {m_inSources, m_inExtensions, m_inExclusions};
        const std::size_t sizes[3] = {m_sources.size(), m_extensions.size(), m_exclusions.size()};

        CTSCommandLineInfo::ParseParam(param, isFlag, isLast);

        const std::uint8_t nowCollecting[3] = {m_inSources, m_inExtensions, m_inExclusions};
        const StringList* lists[3] = {&m_sources, &m_extensions, &m_exclusions};
        int set = 0;
        for (std::uint8_t flag : nowCollecting) {
            require(flag <= 1, "a collecting flag is 0 or 1");
            set += flag;
        }
        require(set <= 1, "at most one collecting flag");
        require(m_debug <= 1 && m_debug >= debug, "the debug switch is only ever switched on");
        if (m_status < 0) require(set == 0, "no collecting after a parameter error");
        if (status < 0) {
            require(m_status < 0, "a parameter error stays one");
            require(m_debug == debug, "nothing changes after a parameter error");
        }
        if (!isFlag) {
            require(m_status == status && m_debug == debug, "a value changes no status");
            for (int i = 0; i < 3; ++i) {
                require(nowCollecting[i] == collecting[i], "a value changes no collecting flag");
            }
        }

        for (int i = 0; i < 3; ++i) {
            const std::size_t size = lists[i]->size();
            require(size >= sizes[i], "lists only grow");
            if (size == sizes[i]) continue;
            require(size == sizes[i] + 1, "one value at most per parameter");
            require(!isFlag, "a flag is never stored");
            require(status >= 0 && collecting[i] == 1, "only the collecting list grows");
            require(lists[i]->back() == given, "the value stored is the parameter as given");
            m_expected[i].push_back(given);
        }
    }

    // After the walk: every parameter was seen, and the lists hold exactly the values
    // appended along the way, none changed since.
    void checkEnd() const {
        require(m_calls == m_params.size(), "every parameter reaches ParseParam");
        require(m_sources == m_expected[0], "sources keep every value as appended");
        require(m_extensions == m_expected[1], "extensions keep every value as appended");
        require(m_exclusions == m_expected[2], "exclusions keep every value as appended");
    }

private:
    const std::vector<std::string>& m_params;
    std::size_t m_calls = 0;
    StringList m_expected[3];
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // An unknown flag prints the usage text; writing it each time would slow the fuzzer.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::perror("stdout");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> params = twinscout::fuzz::splitOnNul(data, size);
    std::vector<const char*> argv{"twinscout"};
    for (const std::string& param : params) argv.push_back(param.c_str());

    CheckedCommandLineInfo info(params);
    require(info.m_status == 0 && info.m_debug == 0 && info.m_inSources == 0 &&
                info.m_inExtensions == 0 && info.m_inExclusions == 0 && info.m_sources.empty() &&
                info.m_extensions.empty() && info.m_exclusions.empty(),
            "a new options object starts empty");
    walkCommandLine(static_cast<int>(argv.size()), argv.data(), info);
    info.checkEnd();
    return 0;
}
