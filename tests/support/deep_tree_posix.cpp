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

// Down to the bottom, then up through "..", removing the level just left.
DeepTree::~DeepTree() {
    int dir = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int levels = 0;
    while (dir >= 0) {
        const int below = ::openat(dir, m_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (below < 0) break;
        ::close(dir);
        dir = below;
        ++levels;
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
