// Runs a binary as a child process and collects what it wrote.
// (Not process.h: MinGW's pthread.h includes a system header of that name.)
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace twinscout::e2e {

struct Command {
    std::filesystem::path program;
    // Arguments after the program name, passed through unchanged: no shell is
    // involved, so "*.txt" or "" reach the child as written.
    std::vector<std::string> args;
    std::filesystem::path workDir;
};

struct ChildResult {
    bool started = false;  // false: the child could not be started, see failure
    int exitCode = -1;
    std::string out;           // standard output, byte for byte
    std::string err;           // standard error, kept apart so it never mixes into out
    std::string failure;       // why the child could not be started or waited for
    long peakResidentKb = -1;  // the most memory the child held at once, where known
};

// Starts every command before waiting for any, so the children overlap, then
// drains their output and waits for all of them. Standard input is empty.
std::vector<ChildResult> runChildrenTogether(const std::vector<Command>& commands);

inline ChildResult runChild(const Command& command) {
    return runChildrenTogether({command}).front();
}

}  // namespace twinscout::e2e
