#include "random_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>
#include <system_error>

#include "platform_facts.h"
#include "platform_text.h"

namespace twinscout::e2e {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 9> kDirNames = {
    "a", "b", "Sub", "temp", "temporary", "x.txt.bak", "Photos", "deep", "100%"};
constexpr std::array<std::string_view, 11> kFileNames = {
    "f.dat",     "g.txt",         "Photo.jpg", "photo.jpg", "n.TXT", "debug.log",
    "Debug.log", "old.debug.log", "e.bin",     "h",         "%s.dat"};
// Sizes around the reference's 64 KiB chunk, many of them shared.
constexpr std::array<std::size_t, 12> kSmallSizes = {1, 1, 2, 3, 3, 4, 7, 64, 100, 100, 4095, 4096};
constexpr std::array<std::size_t, 4> kLargeSizes = {65535, 65536, 65537, 100000};
constexpr std::array<std::string_view, 7> kExtensions = {".dat", ".txt",  ".JPG",     "a",
                                                         "*",    "Photo", "debug.log"};

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class Generator {
public:
    Generator(const TempDir& dir, std::uint32_t seed) : m_root(dir.path()), m_random(seed) {}

    RandomTree make() {
        makeDir("t");
        const auto dirs = static_cast<int>(pick(7));
        for (int i = 0; i < dirs; ++i) {
            const fs::path parent = m_dirs[pick(m_dirs.size())];
            makeDir(uniqueName(parent, kDirNames[pick(kDirNames.size())]));
        }
        const auto files = static_cast<int>(4 + pick(21));
        for (int i = 0; i < files; ++i) makeFile();
        if (treesMayHoldLinks()) {
            const auto links = static_cast<int>(pick(5));
            for (int i = 0; i < links; ++i) makeLink(i);
        }
        chooseCommandLine();
        return std::move(m_tree);
    }

private:
    std::size_t pick(std::size_t count) { return m_random() % count; }
    bool chance(int percent) { return static_cast<int>(pick(100)) < percent; }

    // The path as the program spells it: pieces joined by its separator.
    static std::string spelled(const fs::path& relative) {
        std::string text;
        for (const fs::path& piece : relative) {
            if (!text.empty()) text += pathSeparator();
            text += piece.string();
        }
        return text;
    }

    // `name` below `parent`, made unique the way the file system compares names.
    fs::path uniqueName(const fs::path& parent, std::string_view name) {
        std::string candidate(name);
        for (int n = 1; taken(parent, candidate); ++n) {
            candidate = std::to_string(n) + std::string(name);
        }
        m_names.push_back(key(parent / candidate));
        return parent / candidate;
    }

    bool taken(const fs::path& parent, const std::string& name) const {
        return std::find(m_names.begin(), m_names.end(), key(parent / name)) != m_names.end();
    }

    static std::string key(const fs::path& path) {
        return namesIgnoreCase() ? lowered(path.generic_string()) : path.generic_string();
    }

    void makeDir(const fs::path& relative) {
        std::error_code error;
        fs::create_directory(m_root / relative, error);
        if (error) ADD_FAILURE() << "cannot create " << relative << ": " << error.message();
        m_dirs.push_back(relative);
        m_tree.description += "dir  " + relative.generic_string() + "\n";
    }

    std::string freshContent() {
        const std::size_t size = chance(12) ? kLargeSizes[pick(kLargeSizes.size())]
                                            : kSmallSizes[pick(kSmallSizes.size())];
        std::string bytes(size, '\0');
        // Few distinct bytes, so that small files of one size are sometimes equal.
        for (char& c : bytes) c = static_cast<char>('a' + pick(size < 8 ? 2 : 256));
        return bytes;
    }

    // A copy that differs in the first, a middle or the last byte.
    std::string nearCopy(std::string bytes) {
        const std::size_t where =
            std::array<std::size_t, 3>{0, bytes.size() / 2, bytes.size() - 1}[pick(3)];
        bytes[where] = static_cast<char>(bytes[where] ^ (1 + pick(255)));
        return bytes;
    }

    void makeFile() {
        const fs::path parent = m_dirs[pick(m_dirs.size())];
        const fs::path relative = uniqueName(parent, kFileNames[pick(kFileNames.size())]);
        const int kind = static_cast<int>(pick(100));
        if (kind < 6) {
            m_tree.unopenable.push_back(std::make_unique<UnopenableFile>(m_root / relative));
            m_tree.description += "held " + relative.generic_string() + "\n";
            return;
        }
        std::string bytes;
        if (kind < 16) {
            bytes.clear();
        } else if (kind < 42 && !m_contents.empty()) {
            bytes = m_contents[pick(m_contents.size())];
        } else if (kind < 62 && !m_contents.empty()) {
            bytes = nearCopy(m_contents[pick(m_contents.size())]);
        } else {
            bytes = freshContent();
        }
        std::ofstream file(m_root / relative, std::ios::binary);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) ADD_FAILURE() << "cannot write " << relative;
        if (!bytes.empty()) m_contents.push_back(bytes);
        m_files.push_back(relative);
        m_tree.description +=
            "file " + relative.generic_string() + " (" + std::to_string(bytes.size()) + " bytes)\n";
    }

    // Links to files, to directories (an ancestor makes a loop), hard links and
    // links that lead nowhere.
    void makeLink(int index) {
        const fs::path parent = m_dirs[pick(m_dirs.size())];
        const int kind = static_cast<int>(pick(4));
        std::error_code error;
        if (kind == 2 && !m_files.empty()) {
            const fs::path at = uniqueName(parent, "hard" + std::to_string(index));
            const fs::path target = m_files[pick(m_files.size())];
            fs::create_hard_link(m_root / target, m_root / at, error);
            m_tree.description += "hard " + at.generic_string() + " = " + target.generic_string();
        } else {
            const fs::path at = uniqueName(parent, "link" + std::to_string(index));
            fs::path target = "nowhere";
            if (kind == 0 && !m_files.empty()) target = m_files[pick(m_files.size())];
            if (kind == 1) target = m_dirs[pick(m_dirs.size())];
            const fs::path relativeTarget = target.lexically_relative(parent);
            fs::create_symlink(relativeTarget, m_root / at, error);
            m_tree.description +=
                "link " + at.generic_string() + " -> " + relativeTarget.generic_string();
        }
        m_tree.description += "\n";
        if (error) ADD_FAILURE() << "cannot link: " << error.message();
    }

    std::string someSource() {
        const int kind = static_cast<int>(pick(100));
        if (kind < 35) return "t";
        const std::string dir = spelled(m_dirs[pick(m_dirs.size())]);
        if (kind < 60) return dir;
        if (kind < 72) return dir + std::string(pathSeparator());
        if (kind < 82 && !m_tree.args.empty() && m_tree.args.back() != "/s") {
            return m_tree.args.back();
        }
        if (kind < 88) {
            std::string upper = dir;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            return upper;
        }
        if (kind < 94 && !m_files.empty()) return spelled(m_files[pick(m_files.size())]);
        return "missing";
    }

    void chooseCommandLine() {
        m_tree.args.push_back("/s");
        const int sources = 1 + static_cast<int>(pick(3));
        for (int i = 0; i < sources; ++i) m_tree.args.push_back(someSource());
        if (chance(25)) {
            m_tree.args.push_back("/e");
            const int texts = 1 + static_cast<int>(pick(2));
            for (int i = 0; i < texts; ++i) {
                m_tree.args.emplace_back(kExtensions[pick(kExtensions.size())]);
            }
        }
        if (chance(25)) {
            const std::array<std::string, 6> exclusions = {
                "temp", "SUB", "x.TXT", spelled(fs::path("t") / "a"), "photos", "%"};
            m_tree.args.push_back("/w");
            const int fragments = 1 + static_cast<int>(pick(2));
            for (int i = 0; i < fragments; ++i) {
                m_tree.args.push_back(exclusions[pick(exclusions.size())]);
            }
        }
        m_tree.traced = chance(50);
        if (m_tree.traced) m_tree.args.push_back("/d");
    }

    fs::path m_root;
    std::mt19937 m_random;
    RandomTree m_tree;
    std::vector<fs::path> m_dirs;
    std::vector<fs::path> m_files;
    std::vector<std::string> m_names;
    std::vector<std::string> m_contents;
};

}  // namespace

RandomTree makeRandomTree(const TempDir& dir, std::uint32_t seed) {
    return Generator(dir, seed).make();
}

}  // namespace twinscout::e2e
