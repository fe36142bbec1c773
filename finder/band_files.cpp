#include "finder/band_files.h"

#include <algorithm>
#include <string>

#include "finder/comparison_parts.h"

std::size_t headBytes(std::int64_t size) {
    return static_cast<std::size_t>(std::min(size, kHeadBytes));
}

std::size_t headAsked(std::int64_t size) {
    return size <= kHeadBytes ? static_cast<std::size_t>(size) + 1 : headBytes(size);
}

bool isAsListed(const platform::FileStatus& now, const Catalogue::Entry& listed) {
    const bool sameFile =
        listed.identity.known() ? now.identity == listed.identity : now.identity.known();
    return sameFile && now.size == listed.size;
}

namespace {

// The name to open the band's file by: again the one that opened it before, or else the
// first that still leads to the file listed; none when there is no such name.
std::size_t nameToOpen(const BandState& band, std::size_t f) {
    const BandFile& file = band.files[f];
    const std::span<const std::size_t> names = band.band.namesOf(f);
    const auto gone = [&](std::size_t n) { return band.gone[names[n] - band.band.begin]; };
    if (file.opener != kNoName) return gone(file.opener) ? kNoName : file.opener;
    for (std::size_t n = 0; n < names.size(); ++n) {
        if (!gone(n)) return n;
    }
    return kNoName;
}

}  // namespace

std::vector<std::size_t> openBandFiles(const ComparisonParts& parts, BandState& band,
                                       const std::vector<std::size_t>& files, OpenLedger::Use use) {
    const Catalogue& catalogue = parts.files;
    std::vector<std::size_t> refused;
    std::vector<platform::File> unused;
    std::vector<std::size_t> todo = files;
    while (!todo.empty()) {
        std::vector<platform::OpenRequest> requests;
        std::vector<std::string> paths;   // of files whose directories are not kept
        std::vector<std::size_t> trying;  // each file's name, as an index into its names
        std::vector<std::size_t> which;
        paths.reserve(todo.size());
        for (const std::size_t f : todo) {
            const std::size_t n = nameToOpen(band, f);
            if (band.files[f].file || band.files[f].failed || n == kNoName) continue;
            const std::size_t position = band.band.namesOf(f)[n];
            const Catalogue::Entry listed = catalogue[position];
            const platform::Directory* kept = parts.directories.at(listed.origin.directory);
            if (kept == nullptr) paths.push_back(catalogue.path(position));
            requests.push_back(
                {kept, catalogue.name(position), kept == nullptr ? paths.back().c_str() : ""});
            trying.push_back(n);
            which.push_back(f);
        }
        std::vector<platform::OpenedFile> opened;
        parts.fileSystem.openAll(requests, opened);
        todo.clear();
        for (std::size_t j = 0; j < which.size(); ++j) {
            BandFile& file = band.files[which[j]];
            const std::size_t name = band.band.namesOf(which[j])[trying[j]];
            const bool again = file.opener != kNoName;
            platform::OpenedFile& result = opened[j];
            if (result.error.kind == platform::OpenError::Kind::outOfHandles) {
                refused.push_back(which[j]);
            } else if (!result.file || !isAsListed(result.status, catalogue[name])) {
                band.gone[name - band.band.begin] = true;
                // The bytes read so far came from the file this name led to then.
                if (again) {
                    file.failed = true;
                } else {
                    todo.push_back(which[j]);
                }
            } else if (again && result.status.stamps != file.opened.stamps) {
                file.failed = true;
            } else {
                if (!again) {
                    file.opener = trying[j];
                    file.opened = result.status;
                }
                file.file = CountedFile(parts.ledger, std::move(result.file), use);
            }
            if (result.file) unused.push_back(std::move(result.file));
        }
    }
    parts.fileSystem.closeAll(unused);
    return refused;
}
