#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "finder/catalogue.h"
#include "finder/string_list.h"
#include "platform/file_system.h"

// Finds the files of identical content below the sources: find() lists and
// catalogues them, compareFiles() prints the identical pairs and reports the groups.
class CFinder {
public:
    CFinder(StringList& sources, StringList& extensions, StringList& exclusions,
            platform::FileSystem& fileSystem = platform::realFileSystem());
    ~CFinder();
    CFinder(const CFinder&) = delete;
    CFinder& operator=(const CFinder&) = delete;

    void find();
    void compareFiles();

    const Catalogue& files() const { return m_files; }

private:
    // Ends a group in m_results.
    static constexpr std::size_t kGroupEnd = SIZE_MAX;

    void parseDirectory(std::string dir);
    void addNewFile(const std::string& path, platform::DirectoryListing& listing,
                    const std::string& name);
    void compareRun(std::size_t begin, std::size_t end);
    bool compareContent(bool identical);
    void reportPair(std::size_t first, std::size_t second);
    void printResults();

    StringList& m_sources;
    StringList& m_extensions;
    StringList& m_exclusions;
    Catalogue m_files;
    // Catalogue indexes of each group, then kGroupEnd; kept only while tracing,
    // since the report is its only reader.
    std::vector<std::size_t> m_results;
    platform::FileSystem& m_fileSystem;
    const std::size_t m_openFileBudget;
    // Directories open on the current walk path, to stop at links that lead back.
    std::vector<platform::FileIdentity> m_walkPath;
    std::vector<char> m_headBuffer = std::vector<char>(kHeadBytes);
};
