// What execv needs to start a command, prepared before the fork: between fork and
// exec the child may not allocate (POSIX test support only).
#pragma once

#include <unistd.h>

#include <string>
#include <vector>

#include "child_process.h"

namespace twinscout::e2e {

class ExecArguments {
public:
    explicit ExecArguments(const Command& command)
        : m_program(command.program.string()),
          m_dir(command.workDir.string()),
          m_args(command.args) {
        m_argv.push_back(m_program.data());
        for (std::string& arg : m_args) m_argv.push_back(arg.data());
        m_argv.push_back(nullptr);
    }
    ExecArguments(const ExecArguments&) = delete;
    ExecArguments& operator=(const ExecArguments&) = delete;

    const char* program() const { return m_program.c_str(); }
    // Into the command's working directory, if it names one; false when that fails.
    bool enterWorkDir() const { return m_dir.empty() || ::chdir(m_dir.c_str()) == 0; }
    // Returns only when the exec failed.
    void exec() { ::execv(m_program.c_str(), m_argv.data()); }

private:
    std::string m_program;
    std::string m_dir;
    std::vector<std::string> m_args;
    std::vector<char*> m_argv;
};

}  // namespace twinscout::e2e
