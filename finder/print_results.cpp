#include <string>

#include "finder/finder.h"
#include "platform/console.h"

// One trace record per group of identical files; the report has no other reader.
void CFinder::printResults() {
    m_output.trace(2, "---> CFinder - printResults\n");
    if (m_results.size() > 1) {
        std::string line;
        bool opensGroup = true;
        for (const std::size_t entry : m_results) {
            if (opensGroup) {
                line = "Le fichier ";
                line += platform::spelledForOutput(m_files.path(entry));
                line += " est en doublon avec -";
                opensGroup = false;
            } else if (entry == kGroupEnd) {
                line += '\n';
                m_output.record(8, line);
                opensGroup = true;
            } else {
                line += ' ';
                line += platform::spelledForOutput(m_files.path(entry));
                line += " -";
            }
        }
    }
    m_output.trace(4, "<--- CFinder - printResults\n");
}
