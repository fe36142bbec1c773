// Absolute paths on POSIX: a parameter beginning with "/" is a flag only when it is
// two characters long, so sources and exclusions may be written from the root.
#include <gtest/gtest.h>

#include <string>

#include "expected_run.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

class AbsolutePathTest : public ExpectedRunTest {
protected:
    std::string absolute(const std::string& relative) const {
        return (m_dir.path() / relative).string();
    }
};

// The natural command: absolute sources, an absolute exclusion, the paths listed as given.
TEST_F(AbsolutePathTest, AbsoluteSourcesAndExclusion) {
    m_dir.writeFile("me/photo.jpg", "the same picture");
    m_dir.writeFile("me/.cache/thumb.jpg", "the same picture");
    m_dir.writeFile("backup/photo.jpg", "the same picture");
    const std::string me = absolute("me");
    const std::string backup = absolute("backup");
    ASSERT_EQ(me.front(), '/');
    const std::string first = me + "/photo.jpg";
    const std::string second = backup + "/photo.jpg";

    ExpectedRun run;
    run.flatSource(me, {first}).flatSource(backup, {second}).listed(2);
    run.first(first).compared(first, second, true).first(second);
    run.report({{first, second}}).finish();
    expectRun({"/s", me, backup, "/w", absolute("me/.cache")}, run);
}

// A one-letter directory at the root needs its trailing separator to be a value;
// the separator then stays in the paths, as with any source text.
TEST_F(AbsolutePathTest, TrailingSeparatorMakesAValue) {
    m_dir.writeFile("a/x.dat", "x");
    const std::string source = absolute("a") + "/";
    const std::string file = source + "/x.dat";

    ExpectedRun run;
    run.flatSource(source, {file}).listed(1).first(file).report({}).finish();
    expectRun({"/s", source}, run);
}

// "/" alone is the root: here an exclusion that leaves out every subdirectory.
TEST_F(AbsolutePathTest, LoneSlashIsAValue) {
    m_dir.writeFile("src/top.dat", "top");
    m_dir.writeFile("src/sub/below.dat", "below");
    const std::string top = "src/top.dat";

    ExpectedRun run;
    run.flatSource("src", {top}).listed(1).first(top).report({}).finish();
    expectRun({"/s", "src", "/w", "/"}, run);
}

}  // namespace
}  // namespace twinscout::e2e
