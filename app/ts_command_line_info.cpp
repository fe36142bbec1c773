#include "app/ts_command_line_info.h"

#include <iostream>

void CTSCommandLineInfo::ParseParam(const char* param, bool isFlag, bool /*isLast*/) {
    if (m_status < 0) return;
    if (isFlag) {
        parseFlag(param[0]);
    } else if (m_inSources) {
        m_sources.emplace_back(param);
    } else if (m_inExtensions) {
        m_extensions.emplace_back(param);
    } else if (m_inExclusions) {
        m_exclusions.emplace_back(param);
    }
}

void CTSCommandLineInfo::parseFlag(char letter) {
    m_inSources = m_inExtensions = m_inExclusions = 0;
    switch (letter) {
        case 's':
        case 'S':
            m_inSources = 1;
            break;
        case 'e':
        case 'E':
            m_inExtensions = 1;
            break;
        case 'w':
        case 'W':
            m_inExclusions = 1;
            break;
        case 'd':
        case 'D':
            // Signed 8-bit on purpose: the 128th /d wraps to -128, a parameter error.
            m_status = static_cast<std::int8_t>(static_cast<std::uint8_t>(m_status) + 1);
            m_debug = 1;
            break;
        default:
            m_status = -1;
            printUsage();
            break;
    }
}

void printUsage() {
    static const char* const kLines[] = {
        "Programme de recherche de fichiers doubles.",
        "",
        "",
        "Utilisation : twinscout /s NomSource [/e Extension] [/d]",
        "",
        "Options : ",
        "/s\t Prefixe les sources ou la recherche doit avoir lieue.",
        "/e\t Precise les extensions recherchees.",
        "/w\t Precise les sources ou la recherche doit etre exlue.",
        "/d\t Active le mode debug du programme de recherche.",
        "",
        "",
    };
    for (const char* line : kLines) std::cout << line << std::endl;
}
