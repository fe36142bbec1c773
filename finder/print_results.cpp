#include <string>

#include "finder/finder.h"
#include "trace/trace_log.h"

// One trace record per group of identical files; the report has no other reader.
void CFinder::printResults() {
    traceLog(2, "---> CFinder - printResults\n");
    if (m_results.size() > 1) {
        std::string line;
        bool opensGroup = true;
        for (const std::size_t entry : m_results) {
            if (opensGroup) {
                line = "Le fichier ";
                line += m_files[entry].path;
                line += " est en doublon avec -";
                opensGroup = false;
            } else if (entry == kGroupEnd) {
                line += '\n';
                traceLog(8, "%s", line.c_str());
                opensGroup = true;
            } else {
                line += ' ';
                line += m_files[entry].path;
                line += " -";
            }
        }
    }
    traceLog(4, "<--- CFinder - printResults\n");
}
