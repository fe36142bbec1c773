#include "program_test.h"

#include "e2e_env.h"

namespace twinscout::e2e {

ChildResult ProgramTest::runProgram(const std::vector<std::string>& args) const {
    return runChild(programCommand(args));
}

Command ProgramTest::programCommand(const std::vector<std::string>& args) const {
    return Command{programPath(), args, m_dir.path()};
}

Command ProgramTest::unprivilegedCommand(const std::vector<std::string>& args,
                                         const std::filesystem::path& workDir) {
    std::vector<std::string> all{"--reuid=65534", "--regid=65534", "--clear-groups",
                                 programPath().string()};
    all.insert(all.end(), args.begin(), args.end());
    return Command{"/usr/bin/setpriv", std::move(all), workDir};
}

::testing::AssertionResult endedNormally(const ChildResult& result) {
    if (!result.started) {
        return ::testing::AssertionFailure() << "not started: " << result.failure;
    }
    if (!result.failure.empty()) {
        return ::testing::AssertionFailure() << result.failure << "; stderr: " << result.err;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace twinscout::e2e
