// A chain of directories deeper than any path the system accepts (POSIX only).
// It is built and removed one level at a time relative to an open directory,
// since its full paths can't be named; std::filesystem::remove_all can't remove it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace twinscout::e2e {

class DeepTree {
public:
    // root/name/name/... `depth` levels below root; root must exist.
    DeepTree(const std::filesystem::path& root, std::string name, int depth);
    ~DeepTree();
    DeepTree(const DeepTree&) = delete;
    DeepTree& operator=(const DeepTree&) = delete;

    // Levels actually made.
    int depth() const { return m_made; }
    // A file in the deepest level, removed with the tree.
    bool writeAtBottom(const std::string& name, std::string_view bytes);

private:
    // The deepest level, opened level by level; -1 when it can't be reached.
    int openBottom() const;

    std::filesystem::path m_root;
    std::string m_name;
    int m_made = 0;
    std::vector<std::string> m_files;
};

}  // namespace twinscout::e2e
