// The whole finder over the in-memory file system: which pairs a run reports when
// one file is reached twice, when names are replaced or files rewritten while the
// run compares them, and how far it walks graphs of links.
#include "finder/finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "fake_file_system.h"
#include "memory_output.h"
#include "platform/entry_attributes.h"
#include "platform/system.h"

namespace {

// A path written with '/', in the platform's separators.
std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', platform::kSeparator);
    return path;
}

class FinderTest : public testing::Test {
protected:
    struct Outcome {
        std::vector<std::string> listed;  // file lines of the listing, in order
        std::vector<std::string> pairs;   // "A #### B" with '/' separators
        std::size_t catalogued = 0;
    };

    // Lists the sources, lets `between` change the tree, then compares.
    Outcome findAndCompare(const std::vector<std::string>& sources,
                           const std::function<void()>& between = {}) {
        StringList sourceList;
        for (const std::string& source : sources) sourceList.push_back(native(source));
        StringList extensions;
        StringList exclusions;
        Outcome outcome;
        MemoryOutput output;
        {
            CFinder finder(sourceList, extensions, exclusions, output, m_fs);
            finder.find();
            outcome.catalogued = finder.files().size();
            if (between) between();
            finder.compareFiles();
        }
        std::istringstream out(output.console);
        bool listing = true;
        for (std::string line; std::getline(out, line);) {
            std::replace(line.begin(), line.end(), platform::kSeparator, '/');
            if (line.find(" found files!") != std::string::npos) listing = false;
            const std::size_t tail = line.find(" are the same file");
            if (tail != std::string::npos) {
                outcome.pairs.push_back(line.substr(0, tail));
            } else if (listing && line.find("progress") == std::string::npos) {
                outcome.listed.push_back(line);
            }
        }
        EXPECT_EQ(m_fs.openNow, 0) << "every file is closed again";
        EXPECT_EQ(m_fs.specialOpens, 0) << "no FIFO or device is opened";
        EXPECT_EQ(m_fs.placeholderOpens, 0) << "nothing is fetched from the cloud";
        return outcome;
    }

    void file(const std::string& path, const std::string& bytes) {
        m_fs.addFile(native(path), bytes);
    }
    void link(const std::string& path, const std::string& target) {
        m_fs.addLink(native(path), native(target));
    }

    FakeFileSystem m_fs;
};

using Pairs = std::vector<std::string>;

// Pairs as sets of two paths, for runs whose order of equal sizes is not the point.
Pairs unordered(Pairs pairs) {
    for (std::string& pair : pairs) {
        const std::size_t cut = pair.find(" #### ");
        std::string first = pair.substr(0, cut);
        std::string second = pair.substr(cut + 6);
        if (second < first) pair = second + " #### " + first;
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// One entry reached twice is never its own copy, however it is reached: through a
// directory link, a link to the file, or a source that is another source again; and
// however the system shows a link to a file: as a link (Linux, Windows), where it may
// lead to any entry and pairs with no name of its file, or as a plain file with its
// target's identity (Wine), where the system names the entry it reached. Two names of
// one file in two directories (hard links) are a pair, and a real copy pairs with every
// name.
TEST_F(FinderTest, AnEntryReachedTwiceIsNeverItsOwnCopy) {
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        m_fs = FakeFileSystem();
        m_fs.windowsListing = mode > 0;
        m_fs.linksLookLikeFiles = mode == 2;
        file("src/sub/f", "same bytes");
        file("src/z/copy", "same bytes");
        link("src/alias", "src/sub/f");
        link("src/link", "src/sub");  // walked before sub itself
        m_fs.addHardLink(native("src/z/hard"), native("src/sub/f"));
        link("mirror", "src");  // its own link to sub is a directory walked already

        const Outcome outcome = findAndCompare({"src", "mirror"});
        EXPECT_EQ(outcome.catalogued, 9u);
        Pairs expected{"src/alias #### src/z/copy",       "src/alias #### mirror/z/copy",
                       "src/link/f #### src/z/copy",      "src/link/f #### src/z/hard",
                       "src/link/f #### mirror/z/copy",   "src/link/f #### mirror/z/hard",
                       "src/sub/f #### src/z/copy",       "src/sub/f #### src/z/hard",
                       "src/sub/f #### mirror/z/copy",    "src/sub/f #### mirror/z/hard",
                       "src/z/copy #### src/z/hard",      "src/z/copy #### mirror/alias",
                       "src/z/copy #### mirror/sub/f",    "src/z/copy #### mirror/z/hard",
                       "src/z/hard #### mirror/sub/f",    "src/z/hard #### mirror/z/copy",
                       "mirror/alias #### mirror/z/copy", "mirror/sub/f #### mirror/z/copy",
                       "mirror/sub/f #### mirror/z/hard", "mirror/z/copy #### mirror/z/hard"};
        if (mode == 2) {
            expected.insert(expected.end(),
                            {"src/alias #### src/z/hard", "src/alias #### mirror/z/hard",
                             "src/z/hard #### mirror/alias", "mirror/alias #### mirror/z/hard"});
        }
        EXPECT_EQ(unordered(outcome.pairs), unordered(expected));
    }

    // A link to a file of one name and the file itself, under Wine: its count of names
    // tells that the two are one entry.
    m_fs = FakeFileSystem();
    m_fs.windowsListing = m_fs.linksLookLikeFiles = true;
    file("wl/real", "1000 random bytes");
    link("wl/link", "wl/real");
    EXPECT_EQ(findAndCompare({"wl"}).pairs, Pairs{});
}

// X and H are one file holding OLD, Z holds NEW with the same head. While the run
// compares, H is replaced by a copy of NEW: X was never equal to Z, and H is no
// longer the file the listing saw, so nothing pairs.
TEST_F(FinderTest, ANameReplacedDuringTheComparisonLendsNothing) {
    const std::string head(5000, 'h');
    file("a/Z", head + "NEW");
    file("b/H", head + "OLD");
    m_fs.addHardLink(native("c/X"), native("b/H"));
    const Outcome outcome = findAndCompare({"a", "b", "c"}, [&] {
        m_fs.file(native("a/Z")).afterRead = [&] { m_fs.addFile(native("b/H"), head + "NEW"); };
    });
    EXPECT_EQ(outcome.pairs, Pairs{});

    // The hard links still pair when nothing is replaced, without being compared.
    FakeFileSystem fresh;
    m_fs = std::move(fresh);
    file("b/H", head + "OLD");
    m_fs.addHardLink(native("c/X"), native("b/H"));
    EXPECT_EQ(findAndCompare({"b", "c"}, [&] { m_fs.reads.clear(); }).pairs, Pairs{"b/H #### c/X"});
    EXPECT_TRUE(m_fs.reads.empty());

    // ... and not when one of the names was replaced by an equal copy since.
    m_fs = FakeFileSystem();
    file("b/H", head + "OLD");
    m_fs.addHardLink(native("c/X"), native("b/H"));
    EXPECT_EQ(findAndCompare({"b", "c"}, [&] { m_fs.addFile(native("c/X"), head + "OLD"); }).pairs,
              Pairs{});
}

// A file rewritten between two reads can look equal to a file it never equalled
// at any moment: A matches B's first chunk, then is changed to match B's second.
TEST_F(FinderTest, AFileChangedWhileReadIsNotIdentical) {
    const std::string first(4096, 'a');
    const std::string second(4096, 'b');
    file("a/A", first + std::string(4096, 'x'));
    file("b/B", first + second);
    const auto rewriteOnce = [&](bool moveStamps) {
        FakeFileSystem::FakeFile& a = m_fs.file(native("a/A"));
        a.afterRead = [&a, moveStamps, second] {
            a.bytes = std::string(4096, 'z') + second;
            if (moveStamps) ++a.stamps.modified;
            a.afterRead = nullptr;
        };
    };
    EXPECT_EQ(findAndCompare({"a", "b"}, [&] { rewriteOnce(true); }).pairs, Pairs{});

    // The same reads with stamps left alone would pass: the check above is what holds.
    m_fs.file(native("a/A")).bytes = first + std::string(4096, 'x');
    EXPECT_EQ(findAndCompare({"a", "b"}, [&] { rewriteOnce(false); }).pairs, Pairs{"a/A #### b/B"});
}

// Each level holds the next and two links to it: walked naively, 3^12 listings.
TEST_F(FinderTest, AGraphOfLinksIsWalkedOnceThroughItsLinks) {
    std::string level = "top";
    for (int depth = 0; depth < 12; ++depth) {
        link(level + "/a", level + "/x");
        link(level + "/b", level + "/x");
        link(level + "/self", level);
        level += "/x";
    }
    file(level + "/f", "deepest");
    const Outcome outcome = findAndCompare({"top"});
    // The directory at depth d is walked once through a link and once per walk of
    // its parent: d + 1 times, so the deepest file is found 13 times. Each walk above
    // the deepest opens four listings: a, b, self and x.
    EXPECT_EQ(outcome.catalogued, 13u);
    EXPECT_EQ(m_fs.listings, 1 + 4 * (12 * 13 / 2));
    EXPECT_EQ(outcome.pairs, Pairs{});
}

// FIFOs and devices are listed like any file and never opened; the first file of
// a run is catalogued even then.
TEST_F(FinderTest, SpecialFilesAreListedButNeverOpened) {
    m_fs.addSpecial(native("src/a-fifo"));
    file("src/b", "bytes");
    m_fs.addSpecial(native("src/c-device"));
    const Outcome outcome = findAndCompare({"src"});
    EXPECT_EQ(outcome.listed, (Pairs{"src/a-fifo", "src/b", "src/c-device"}));
    EXPECT_EQ(outcome.catalogued, 2u);
}

// A file kept online only, or held by an archive, is listed and never opened, even
// by the comparison, whose names it would share: copies of it never pair, with it or
// with each other. Found first, it is catalogued without a size, as an unreadable
// file would be. A directory carrying such bits is walked.
TEST_F(FinderTest, FilesWhoseContentLiesElsewhereAreListedButNeverOpened) {
    const std::uint32_t elsewhere[] = {platform::kAttributeOffline,
                                       platform::kAttributeRecallOnOpen,
                                       platform::kAttributeRecallOnDataAccess};
    for (const bool tracing : {false, true}) {
        for (const std::uint32_t bits : elsewhere) {
            SCOPED_TRACE(bits);
            m_fs = FakeFileSystem();
            for (const char* name : {"a/cloud", "b/local", "b/cloud", "c/local"}) {
                file(name, "the same bytes");
            }
            m_fs.file(native("a/cloud")).attributes = bits | 0x20;
            m_fs.file(native("b/cloud")).attributes = bits;
            file("d/sub/inside", "the same bytes");
            m_fs.file(native("d/sub/inside")).attributes = bits;

            StringList sources{native("a"), native("b"), native("c"), native("d")};
            StringList extensions;
            StringList exclusions;
            MemoryOutput output(tracing);
            {
                CFinder finder(sources, extensions, exclusions, output, m_fs);
                finder.find();
                // The first file, then the two local copies.
                EXPECT_EQ(finder.files().size(), 3u);
                finder.compareFiles();
            }
            EXPECT_EQ(output.console, "Listing files in progress ...\n" + native("a/cloud") + "\n" +
                                          native("b/cloud") + "\n" + native("b/local") + "\n" +
                                          native("c/local") + "\n" + native("d/sub/inside") +
                                          "\n3 found files!\nChecking files in progress ...\n" +
                                          native("a/cloud") + "\n" + native("b/local") + "\n" +
                                          native("b/local") + " #### " + native("c/local") +
                                          " are the same file\n" + native("c/local") + "\n");
            EXPECT_EQ(m_fs.placeholderOpens, 0);
            for (const auto& read : m_fs.reads)
                EXPECT_EQ(read.path.find("cloud"), std::string::npos);
        }
    }
}

// A file another program holds without sharing reads, or whose ACL denies reading, is
// listed and never paired, whether it can't be opened from the listing on or only
// from the comparison on (held by the listing or not, its name no longer opens when
// it is checked); the copies that can be read still pair, and the run goes on.
TEST_F(FinderTest, FilesThatCantBeOpenedAreListedButNeverPaired) {
    for (const bool hinder : {false, true}) {
        SCOPED_TRACE(hinder);
        m_fs = FakeFileSystem();
        m_fs.hinderOthers = hinder;
        for (const char* name : {"a/first", "b/denied", "c/later", "d/copy", "e/copy"}) {
            file(name, "the same bytes");
        }
        m_fs.file(native("b/denied")).openable = false;
        const Outcome outcome = findAndCompare(
            {"a", "b", "c", "d", "e"}, [&] { m_fs.file(native("c/later")).openable = false; });
        EXPECT_EQ(outcome.listed, (Pairs{"a/first", "b/denied", "c/later", "d/copy", "e/copy"}));
        EXPECT_EQ(outcome.catalogued, 4u);
        EXPECT_EQ(unordered(outcome.pairs),
                  unordered({"a/first #### d/copy", "a/first #### e/copy", "d/copy #### e/copy"}));
        for (const auto& read : m_fs.reads) EXPECT_NE(read.path, native("b/denied"));
    }
}

// The listing opens nothing. The comparison opens each file of a size met twice once,
// by name in its directory where the system keeps that, reads every head, the last
// blocks only where heads agree, the middles where the last blocks do too, and no byte
// twice, in whatever order the reads finish and whatever the listing tells; a file of a
// size no other file has is never opened.
TEST_F(FinderTest, EachFileIsOpenedOnceAndEachByteReadOnce) {
    const std::string big(100000, 'x');
    std::string headDiffers = big;
    headDiffers[0] = 'y';
    std::string tailDiffers = big;
    tailDiffers.back() = 'y';
    for (int mode = 0; mode < 8; ++mode) {
        SCOPED_TRACE(mode);
        m_fs = FakeFileSystem();
        m_fs.lateReads = (mode & 1) != 0;
        m_fs.hinderOthers = (mode & 2) != 0;
        m_fs.windowsListing = (mode & 4) != 0;
        file("d/a", big);
        file("d/b", big);
        file("d/c", headDiffers);
        file("d/d", tailDiffers);
        file("d/e", std::string(20, 'e'));
        file("d/f", std::string(20, 'e'));
        file("d/alone", std::string(30, 'z'));
        EXPECT_EQ(unordered(findAndCompare({"d"}).pairs),
                  unordered({"d/a #### d/b", "d/e #### d/f"}));
        std::size_t bytes = 0;
        for (const auto& read : m_fs.reads) bytes += read.count;
        // Four heads, the last blocks of a, b and d, the middles of a and b; e and f.
        EXPECT_EQ(bytes, 2 * big.size() + 3 * 4096 + 2 * 20);
        EXPECT_EQ(m_fs.opensOf.count(native("d/alone")), 0u);
        for (const auto& [path, opens] : m_fs.opensOf) EXPECT_EQ(opens, 1) << path;
        // Where the system keeps directories, no path is walked again.
        EXPECT_EQ(m_fs.opensByName, m_fs.windowsListing ? 0 : m_fs.opens);
    }
}

}  // namespace
