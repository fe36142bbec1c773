#pragma once

#include <cstdint>

#include "app/command_line_info.h"
#include "finder/string_list.h"

// The options of one run, filled by the command-line walk.
class CTSCommandLineInfo : public CCommandLineInfo {
public:
    void ParseParam(const char* param, bool isFlag, bool isLast) override;

    std::int8_t m_status = 0;  // negative: a parameter error
    std::uint8_t m_debug = 0;
    std::uint8_t m_inSources = 0;
    std::uint8_t m_inExtensions = 0;
    std::uint8_t m_inExclusions = 0;
    StringList m_sources;
    StringList m_extensions;
    StringList m_exclusions;

private:
    void parseFlag(char letter);
};

void printUsage();
