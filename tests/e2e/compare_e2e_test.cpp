// Comparisons that need the real file system: files larger than any buffer, and files
// the system refuses to open. The rest of the comparison phase and the report are
// checked in-process (comparison_trace_test.cpp).
#include <gtest/gtest.h>

#include <string>

#include "expected_run.h"
#include "platform_facts.h"
#include "platform_text.h"
#include "program_test.h"
#include "unopenable_file.h"

namespace twinscout::e2e {
namespace {

class CompareTest : public ExpectedRunTest {};

// The whole contents decide, also past the first 256 MiB. Sparse files keep
// this cheap where the file system supports them.
TEST_F(CompareTest, FilesDifferingOnlyBeyond256MiBNotReported) {
    constexpr std::uintmax_t kLarge = (std::uintmax_t{1} << 28) + 4096;
    for (const char* dir : {"a", "b", "c", "d"}) m_dir.makeDir(dir);
    writeSparseFile(m_dir.path() / "a" / "big.dat", kLarge, 'x');
    writeSparseFile(m_dir.path() / "b" / "big.dat", kLarge, 'y');
    writeSparseFile(m_dir.path() / "c" / "big.dat", kLarge + 4096, 'z');
    writeSparseFile(m_dir.path() / "d" / "big.dat", kLarge + 4096, 'z');
    const std::string a = joinPath({"a", "big.dat"});
    const std::string b = joinPath({"b", "big.dat"});
    const std::string c = joinPath({"c", "big.dat"});
    const std::string d = joinPath({"d", "big.dat"});

    ExpectedRun run;
    run.flatSource("a", {a}).flatSource("b", {b}).flatSource("c", {c}).flatSource("d", {d});
    run.listed(4).first(a).compared(a, b, false).first(b);
    run.first(c).compared(c, d, true).first(d).report({{c, d}}).finish();
    expectRun({"/s", "a", "/s", "b", "/s", "c", "/s", "d"}, run);
}

// The first file of all is catalogued unopened; when it can't be opened it is still
// listed among the first files, and compared with nothing. A later one that can't be
// opened is listed, and not catalogued where the listing tells so; where only an open
// tells (Windows), it is catalogued and compared with nothing.
TEST_F(CompareTest, UnopenableFilesListedAndPassedOver) {
    m_dir.makeDir("held");
    m_dir.makeDir("c");
    const UnopenableFile held(m_dir.path() / "held" / "locked.dat");
    const UnopenableFile later(m_dir.path() / "c" / "locked.dat");
    m_dir.writeFile("a/x.dat", "held");
    m_dir.writeFile("b/x.dat", "held");
    const std::string locked = joinPath({"held", "locked.dat"});
    const std::string a = joinPath({"a", "x.dat"});
    const std::string b = joinPath({"b", "x.dat"});
    const std::string c = joinPath({"c", "locked.dat"});

    ExpectedRun run;
    run.flatSource("held", {locked}).flatSource("a", {a}).flatSource("b", {b});
    const bool told = listingTellsUnopenable();
    run.flatSource("c", {c}).listed(told ? 3 : 4);
    run.first(locked).first(a).compared(a, b, true).first(b);
    if (!told) run.first(c);
    run.report({{a, b}}).finish();
    expectRun({"/s", "held", "a", "b", "c"}, run);
}

}  // namespace
}  // namespace twinscout::e2e
