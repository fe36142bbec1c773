#include "finder_case.h"

#include <algorithm>

#include "finder/finder.h"
#include "platform/system.h"

namespace twinscout::e2e {

std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kSeparator);
    return path;
}

FakeFileSystem::FakeFile& FakeTree::file(const std::string& path, std::string bytes) {
    return m_fs.addFile(native(path), std::move(bytes));
}

void FakeTree::unopenable(const std::string& path, std::string bytes) {
    file(path, std::move(bytes)).openable = false;
}

void FakeTree::directory(const std::string& path) { m_fs.addDirectory(native(path)); }

void FakeTree::special(const std::string& path) { m_fs.addSpecial(native(path)); }

void FakeTree::link(const std::string& path, const std::string& target) {
    m_fs.addLink(native(path), native(target));
}

void FakeTree::hardLink(const std::string& path, const std::string& target) {
    m_fs.addHardLink(native(path), native(target));
}

void PrintTo(const FinderCase& c, std::ostream* os) { *os << c.name; }

std::string caseName(const ::testing::TestParamInfo<FinderCase>& info) { return info.param.name; }

MemoryOutput FinderCaseTest::outputOf(bool tracing) const {
    const FinderCase& c = GetParam();
    FakeFileSystem fs;
    FakeTree tree(fs);
    c.plant(tree);
    const auto nativeList = [](const std::vector<std::string>& paths) {
        StringList list;
        for (const std::string& path : paths) list.push_back(native(path));
        return list;
    };
    StringList sources = nativeList(c.sources);
    StringList extensions = c.extensions;
    StringList exclusions = nativeList(c.exclusions);
    MemoryOutput output(tracing);
    {
        CFinder finder(sources, extensions, exclusions, output, fs);
        finder.find();
        finder.compareFiles();
    }
    EXPECT_EQ(fs.openNow, 0) << "every file is closed again";
    EXPECT_EQ(fs.specialOpens, 0) << "no FIFO or device is opened";
    return output;
}

void FinderCaseTest::expectCase() const {
    ExpectedOutput expected;
    GetParam().expect(expected);
    std::vector<MemoryOutput::Record> records = expected.records();
    for (MemoryOutput::Record& record : records) record.message = native(record.message);

    const MemoryOutput traced = outputOf(true);
    EXPECT_EQ(traced.console, native(expected.console()));
    EXPECT_EQ(traced.records, records);
    EXPECT_EQ(traced.notices, expected.notices());

    const MemoryOutput untraced = outputOf(false);
    EXPECT_EQ(untraced.console, native(expected.console()));
    EXPECT_EQ(untraced.records, std::vector<MemoryOutput::Record>{});
    EXPECT_EQ(untraced.notices, expected.notices());
}

}  // namespace twinscout::e2e
