#include "app/run.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <new>

#include "app/command_line_walk.h"
#include "app/run_summary.h"
#include "app/standard_output.h"
#include "app/ts_command_line_info.h"
#include "finder/finder.h"
#include "platform/console.h"
#include "platform/system.h"
#include "trace/trace_log.h"

namespace {

// stdio keeps a stream's error indicator once a write has failed, so one look at
// the end covers every line of the run.
bool outputDelivered() {
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    return flushed && !std::ferror(stdout) && std::cout.good() &&
           !platform::standardOutputClosedAtStart() && !platform::consoleWriteFailed();
}

int search(const CTSCommandLineInfo& options, BandJudgeMaker makeJudge) {
    const auto start = std::chrono::steady_clock::now();
    const bool watched = platform::standardErrorIsTerminal();
    StandardOutput output(watched && !platform::standardOutputIsTerminal());
    auto finder =
        std::make_unique<CFinder>(options.m_sources, options.m_extensions, options.m_exclusions,
                                  output, platform::realFileSystem(), makeJudge);
    finder->find();
    finder->compareFiles();
    if (watched) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        platform::printErrorLine({summaryLine(finder->tally(), took.count())});
    }
    if (finder->incomplete()) {
        std::fputs(
            "twinscout: some directories or files could not be opened for want of "
            "file handles (raise the limit on open files): pairs may be missing\n",
            stderr);
        return kExitIncomplete;
    }
    return finder->sourceUnlisted() ? kExitNoInput : kExitSuccess;
}

}  // namespace

int reportOutOfMemory() {
    std::fputs("twinscout: out of memory: the search was given up and its output is incomplete\n",
               stderr);
    return kExitOutOfMemory;
}

int runTwinscout(int argc, const char* const argv[], BandJudgeMaker makeJudge) {
    int status = kExitParameterError;
    if (platform::startFramework()) {
        auto options = std::make_unique<CTSCommandLineInfo>();
        walkCommandLine(argc, argv, *options);
        g_debugMode = static_cast<std::int8_t>(options->m_debug);
        traceLog(2,
                 "*************** Ex\xE9"
                 "cution du programme ***************\n");
        platform::printLine({"Start ..."});
        if (options->m_status < 0) {
            traceLog(1,
                     "Erreur dans les param\xE8"
                     "tres pass\xE9"
                     "s en argument.\n");
        } else {
            status = kExitSuccess;
            // The one exception caught: a tree too large for the memory the system
            // grants ends the run with a word and a status, not an abort. Unwinding
            // has freed the catalogue by the time the handler writes.
            try {
                if (!options->m_sources.empty()) {
                    status = search(*options, makeJudge);
                } else if (platform::standardErrorIsTerminal()) {
                    platform::printErrorLine(
                        {"twinscout: nothing to search: name the directories "
                         "after /s, as in: twinscout /s Photos"});
                }
            } catch (const std::bad_alloc&) {
                status = reportOutOfMemory();
            }
        }
    }
    platform::printLine({"Finished ..."});
    // A script must not read lost output as "no duplicates".
    if (!outputDelivered()) status = kExitOutputError;
    traceLog(2,
             "*************** Fin de l'ex\xE9"
             "cution du programme - %d ***************\n",
             status);
    return status;
}
