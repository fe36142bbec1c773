#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "deep_tree.h"

namespace twinscout::e2e {

DeepTree::DeepTree(const std::filesystem::path& root, std::string name, int depth)
    : m_root(root), m_name(std::move(name)) {
    int dir = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (dir >= 0 && m_made < depth) {
        if (::mkdirat(dir, m_name.c_str(), 0755) != 0) break;
        ++m_made;
        const int below = ::openat(dir, m_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = below;
    }
    if (m_made < depth) {
        ADD_FAILURE() << "made " << m_made << " of " << depth
                      << " levels: " << std::strerror(errno);
    }
    if (dir >= 0) ::close(dir);
}

int DeepTree::openBottom() const {
    int dir = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; dir >= 0 && level < m_made; ++level) {
        const int below = ::openat(dir, m_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = below;
    }
    return dir;
}

bool DeepTree::writeAtBottom(const std::string& name, std::string_view bytes) {
    const int dir = openBottom();
    if (dir < 0) return false;
    const int file = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ::close(dir);
    if (file < 0) return false;
    const bool written =
        ::write(file, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(file);
    m_files.push_back(name);
    return written;
}

// Down to the bottom, then up through "..", removing the level just left.
DeepTree::~DeepTree() {
    int dir = openBottom();
    int levels = dir >= 0 ? m_made : 0;
    for (const std::string& name : m_files) {
        if (dir >= 0) ::unlinkat(dir, name.c_str(), 0);
    }
    for (; dir >= 0 && levels > 0; --levels) {
        const int above = ::openat(dir, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = above;
        if (dir >= 0 && ::unlinkat(dir, m_name.c_str(), AT_REMOVEDIR) != 0) break;
    }
    if (dir >= 0) ::close(dir);
    if (levels != 0) ADD_FAILURE() << levels << " levels left below " << m_root.string();
}

}  // namespace twinscout::e2e
