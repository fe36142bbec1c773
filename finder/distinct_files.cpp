#include "finder/distinct_files.h"

#include <algorithm>
#include <numeric>

void distinctFiles(const std::vector<platform::FileIdentity>& listed,
                   std::vector<std::size_t>& names, std::vector<std::size_t>& firstName) {
    names.resize(listed.size());
    std::iota(names.begin(), names.end(), std::size_t{0});
    std::stable_sort(names.begin(), names.end(),
                     [&](std::size_t a, std::size_t b) { return listed[a] < listed[b]; });
    firstName.assign(1, 0);
    for (std::size_t k = 1; k < names.size(); ++k) {
        const platform::FileIdentity& identity = listed[names[k]];
        if (!identity.known() || identity != listed[names[firstName.back()]])
            firstName.push_back(k);
    }
    if (!names.empty()) firstName.push_back(names.size());
}
