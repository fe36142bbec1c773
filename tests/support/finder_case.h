// Tables of cases for the whole finder over the in-memory file system: a tree, the
// option lists, and every console line and trace record expected, with its level.
// Paths are written with '/' throughout; the platform's separator stands in for it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "expected_output.h"
#include "fake_file_system.h"
#include "memory_output.h"

namespace twinscout::e2e {

// The path with the platform's separator for every '/'.
std::string native(std::string path);

// Plants entries in a FakeFileSystem by '/' paths.
class FakeTree {
public:
    explicit FakeTree(FakeFileSystem& fs) : m_fs(fs) {}

    FakeFileSystem::FakeFile& file(const std::string& path, std::string bytes);
    void unopenable(const std::string& path, std::string bytes);
    void directory(const std::string& path);
    // A FIFO or a device.
    void special(const std::string& path);
    // A symbolic link; `target` is a path from the root.
    void link(const std::string& path, const std::string& target);
    void hardLink(const std::string& path, const std::string& target);

private:
    FakeFileSystem& m_fs;
};

struct FinderCase {
    const char* name;
    std::function<void(FakeTree&)> plant;
    std::vector<std::string> sources;
    // The steps after the finder's start.
    std::function<void(ExpectedOutput&)> expect;
    std::vector<std::string> extensions = {};
    std::vector<std::string> exclusions = {};
};

void PrintTo(const FinderCase& c, std::ostream* os);

std::string caseName(const ::testing::TestParamInfo<FinderCase>& info);

// The case's tree searched by both phases of the finder twice, with the trace and
// without it: the console must be the same both times, every record as expected the
// first time and none the second, and no file left open or FIFO opened.
class FinderCaseTest : public ::testing::TestWithParam<FinderCase> {
protected:
    void expectCase() const;

private:
    MemoryOutput outputOf(bool tracing) const;
};

}  // namespace twinscout::e2e
