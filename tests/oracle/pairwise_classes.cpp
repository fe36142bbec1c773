#include "pairwise_classes.h"

#include <cstring>

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// The file as the listing saw it, or nothing when its name now leads elsewhere.
platform::File openAsListed(platform::FileSystem& fileSystem, const RunMember& member) {
    platform::FileStatus now;
    platform::File file = fileSystem.open(member.path, now);
    if (!file || !member.listed.identity.known() || now.identity != member.listed.identity ||
        now.size != member.listed.size) {
        return {};
    }
    return file;
}

bool unchanged(const platform::File& file, const RunMember& member) {
    platform::FileStatus now;
    return file.status(now) && now.size == member.listed.size && now.stamps == member.listed.stamps;
}

bool sameContent(const platform::File& first, std::int64_t size, const platform::File& second) {
    std::vector<char> a(kChunk);
    std::vector<char> b(kChunk);
    for (std::int64_t offset = 0; offset < size; offset += kChunk) {
        const auto count = static_cast<std::size_t>(
            size - offset < static_cast<std::int64_t>(kChunk) ? size - offset : kChunk);
        if (first.readAt(offset, a.data(), count) != static_cast<std::int64_t>(count) ||
            second.readAt(offset, b.data(), count) != static_cast<std::int64_t>(count) ||
            std::memcmp(a.data(), b.data(), count) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Every member is opened, whether or not the trace asks for it.
void classifyRunPairwise(platform::FileSystem& fileSystem, std::int64_t size,
                         std::vector<RunMember>& members, const ClassifierLimits&, bool,
                         ReadAhead*) {
    std::vector<bool> classed(members.size(), false);
    std::uint32_t nextClass = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (classed[i]) continue;
        classed[i] = true;
        members[i].contentClass = nextClass++;
        const platform::File first = openAsListed(fileSystem, members[i]);
        members[i].opened = static_cast<bool>(first);
        if (!first) continue;
        for (std::size_t j = i + 1; j < members.size(); ++j) {
            if (classed[j]) continue;
            const platform::File later = openAsListed(fileSystem, members[j]);
            if (later && sameContent(first, size, later) && unchanged(first, members[i]) &&
                unchanged(later, members[j])) {
                classed[j] = true;
                members[j].contentClass = members[i].contentClass;
                members[j].opened = true;
            }
        }
    }
}
