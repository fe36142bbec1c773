#include "finder/band_files.h"

#include <algorithm>

std::size_t headBytes(std::int64_t size) {
    return static_cast<std::size_t>(std::min(size, kHeadBytes));
}

std::size_t headAsked(std::int64_t size) {
    return size <= kHeadBytes ? static_cast<std::size_t>(size) + 1 : headBytes(size);
}

bool isAsListed(const platform::FileStatus& now, const Catalogue::Entry& listed) {
    const bool sameFile = listed.identity.known() ? now.identity == listed.identity
                                                  : now.identity.known();
    return sameFile && now.size == listed.size;
}

std::vector<std::size_t> openBandFiles(platform::FileSystem& fileSystem, const Catalogue& catalogue,
                                       OpenLedger& ledger, BandState& band,
                                       const std::vector<std::size_t>& files,
                                       OpenLedger::Use use) {
    std::vector<std::size_t> refused;
    for (const std::size_t f : files) {
        BandFile& file = band.files[f];
        const std::span<const std::size_t> names = band.band.namesOf(f);
        const bool again = file.opener != kNoName;
        const std::size_t last = again ? file.opener + 1 : names.size();
        for (std::size_t n = again ? file.opener : 0; !file.file && !file.failed && n < last; ++n) {
            const std::size_t k = names[n] - band.band.begin;
            if (band.gone[k]) continue;
            platform::OpenedFile opened = fileSystem.open(catalogue[names[n]].path);
            if (opened.error.kind == platform::OpenError::Kind::outOfHandles) {
                refused.push_back(f);
                break;
            }
            if (!opened.file || !isAsListed(opened.status, catalogue[names[n]])) {
                band.gone[k] = true;
                // The bytes read so far came from the file this name led to then.
                if (again) file.failed = true;
                continue;
            }
            if (again && opened.status.stamps != file.opened.stamps) {
                file.failed = true;
                break;
            }
            if (!again) {
                file.opener = n;
                file.opened = opened.status;
            }
            file.file = CountedFile(ledger, std::move(opened.file), use);
        }
    }
    return refused;
}
