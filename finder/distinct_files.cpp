#include "finder/distinct_files.h"

#include <algorithm>
#include <numeric>

std::vector<std::vector<std::size_t>> distinctFiles(
    const std::vector<platform::FileStatus>& listed) {
    std::vector<std::size_t> order(listed.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const platform::FileIdentity& x = listed[a].identity;
        const platform::FileIdentity& y = listed[b].identity;
        return x.volume != y.volume ? x.volume < y.volume : x.index < y.index;
    });
    std::vector<std::vector<std::size_t>> files;
    for (const std::size_t name : order) {
        const platform::FileStatus* previous =
            files.empty() ? nullptr : &listed[files.back().front()];
        const bool sameFile = previous != nullptr && listed[name].identity.known() &&
                              listed[name].identity == previous->identity &&
                              listed[name].stamps == previous->stamps;
        if (!sameFile) files.emplace_back();
        files.back().push_back(name);
    }
    return files;
}

bool isAsListed(const platform::FileStatus& now, const platform::FileStatus& listed) {
    return listed.identity.known() && now.identity == listed.identity && now.size == listed.size;
}
