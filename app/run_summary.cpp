#include "app/run_summary.h"

#include <cstdio>

#include "finder/progress_meter.h"

std::string summaryLine(const RunTally& tally, double seconds) {
    std::string line = "twinscout: ";
    if (tally.groups == 0) {
        line += "no identical files";
    } else {
        line += countOf(tally.groups, "group", "groups") + " of identical files, " +
                countOf(tally.copies, "copy", "copies") + ", " + byteCount(tally.bytesFreed) +
                " to free by removing them";
    }
    if (tally.unreadFiles != 0 || tally.unlistedDirectories != 0) {
        line += "; not read: " + countOf(tally.unreadFiles, "file", "files") + " and " +
                countOf(tally.unlistedDirectories, "directory", "directories");
        if (tally.unlistedDirectories != 0) line += " (run with /d to see which directories)";
    }
    char time[32];
    std::snprintf(time, sizeof time, "; %.1f s", seconds);
    return line + time;
}
