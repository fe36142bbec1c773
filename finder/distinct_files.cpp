#include "finder/distinct_files.h"

#include <algorithm>
#include <numeric>

void distinctFiles(const std::vector<platform::FileStatus>& listed, std::vector<std::size_t>& names,
                   std::vector<std::size_t>& firstName) {
    names.resize(listed.size());
    std::iota(names.begin(), names.end(), std::size_t{0});
    std::stable_sort(names.begin(), names.end(), [&](std::size_t a, std::size_t b) {
        return listed[a].identity < listed[b].identity;
    });
    firstName.assign(1, 0);
    for (std::size_t k = 0; k < names.size(); ++k) {
        const platform::FileStatus& name = listed[names[k]];
        const platform::FileStatus* previous = k > 0 ? &listed[names[firstName.back()]] : nullptr;
        const bool sameFile = previous != nullptr && name.identity.known() &&
                              name.identity == previous->identity &&
                              name.stamps == previous->stamps;
        if (k > 0 && !sameFile) firstName.push_back(k);
    }
    if (!names.empty()) firstName.push_back(names.size());
}
