#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "finder/band_judge.h"
#include "finder/catalogue.h"
#include "finder/finder_output.h"
#include "finder/listed_entries.h"
#include "finder/progress_meter.h"
#include "finder/run_tally.h"
#include "finder/string_list.h"
#include "platform/file_system.h"

// Finds the files of identical content below the sources: find() lists and
// catalogues them, compareFiles() prints the identical pairs and reports the groups.
class CFinder {
public:
    CFinder(const StringList& sources, const StringList& extensions, const StringList& exclusions,
            FinderOutput& output, platform::FileSystem& fileSystem = platform::realFileSystem(),
            BandJudgeMaker makeJudge = makeContentComparison);
    ~CFinder();
    CFinder(const CFinder&) = delete;
    CFinder& operator=(const CFinder&) = delete;

    void find();
    void compareFiles();

    const Catalogue& files() const { return m_files; }
    // Whether some directory or file was passed over for want of handles, which the
    // system refused: the answer may then miss pairs.
    bool incomplete() const { return m_incomplete; }
    // Whether a source could not be listed: missing, not a directory, or unreadable.
    bool sourceUnlisted() const { return m_sourceUnlisted; }
    const RunTally& tally() const { return m_tally; }

private:
    // Ends a group in m_results.
    static constexpr std::size_t kGroupEnd = SIZE_MAX;

    // Walks the source depth first, one level of m_levels per directory below it.
    void parseDirectory(const std::string& source);
    // Starts the walk of the directory m_path names: `parent` and `entry`, the listing
    // that holds it and its entry there; none for a source.
    void enterDirectory(platform::DirectoryListing* parent, const ListedEntries::Entry* entry);
    void leaveDirectory();
    ListedEntries listEntries(platform::DirectoryListing& listing);
    // A directory being walked. Its entries are all read when it is entered, so while
    // the walk is below it only its listing stays open, for its subdirectories to open
    // relative to it whatever the depth: the depth costs no stack and little memory.
    struct Level {
        std::unique_ptr<platform::DirectoryListing> listing;
        std::size_t pathLength;   // of its path, which m_path begins with
        std::uint32_t directory;  // as the catalogue numbers it
        bool identified;
        platform::FileIdentity identity;
        ListedEntries entries;
        bool holdsFiles = false;  // files the catalogue keeps, which may be compared
    };
    bool leadsBack(const platform::FileIdentity& identity, bool throughLink) const;
    // Whether the file was catalogued.
    bool addNewFile(const ListedEntries::Entry& listed, Catalogue::Origin origin);
    // The files of the sizes shared and their bytes, for the progress line.
    struct ComparisonWork {
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;
    };
    ComparisonWork comparisonWork() const;
    // Prints the positions [begin, end) as first files that pair with nothing.
    void passOver(std::size_t begin, std::size_t end);
    void compareBand(const Band& band, const std::vector<BandName>& names);
    bool compareContent(const BandName& first, const BandName& second);
    // `firstPath`: of the first file, built once for all its pairs.
    void reportPair(const std::string& firstPath, std::size_t second);
    void printResults();

    const StringList& m_sources;
    // Without any, every file passes, as with "*" first.
    const StringList& m_extensions;
    const StringList& m_exclusions;
    Catalogue m_files;
    // Catalogue indexes of each group, then kGroupEnd; filled only while tracing,
    // since the report is its only reader.
    std::vector<std::size_t> m_results;
    FinderOutput& m_output;
    platform::FileSystem& m_fileSystem;
    const BandJudgeMaker m_makeJudge;
    KeptDirectories m_kept;
    // Directories open on the current walk path, and every directory walked: a link
    // may lead back up the walk, or into a graph that would be walked again and again.
    std::unordered_set<platform::FileIdentity, platform::FileIdentityHash> m_walkPath;
    std::unordered_set<platform::FileIdentity, platform::FileIdentityHash> m_walked;
    // The path of the directory or entry the walk is at; the levels' paths begin it.
    std::string m_path;
    std::vector<Level> m_levels;
    bool m_incomplete = false;
    bool m_sourceUnlisted = false;
    RunTally m_tally;
    ProgressMeter m_progress{m_output};
    std::uint64_t m_filesFound = 0;  // printed by the listing
    std::uint64_t m_directoriesListed = 0;
};
