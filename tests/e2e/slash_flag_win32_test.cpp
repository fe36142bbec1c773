// On Windows every parameter beginning with "/" is a flag, recognised by its first
// letter: "/source" is the flag s and "/debug" the flag d, whatever follows.
#include <gtest/gtest.h>

#include <string>

#include "expected_run.h"
#include "platform_text.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

class SlashFlagTest : public ExpectedRunTest {};

TEST_F(SlashFlagTest, LongSlashParametersAreFlags) {
    m_dir.writeFile("src/a.dat", "twin");
    m_dir.writeFile("other/b.dat", "twin");
    const std::string a = joinPath({"src", "a.dat"});
    const std::string b = joinPath({"other", "b.dat"});

    ExpectedRun run;
    run.flatSource("src", {a}).flatSource("other", {b}).listed(2);
    run.first(a).compared(a, b, true).first(b).report({{a, b}}).finish();
    expectRun({"/source", "src", "/sources", "other", "/without", "nothing", "/debug"}, run);
}

}  // namespace
}  // namespace twinscout::e2e
