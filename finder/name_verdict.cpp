#include "finder/name_verdict.h"

#include <algorithm>
#include <optional>

namespace {

// Each name's class: its file's, or one of its own where the file failed.
void assignClasses(const BandState& band, const std::vector<std::uint32_t>& classes,
                   std::vector<BandName>& names) {
    std::uint32_t nextClass = 0;
    for (const std::uint32_t fileClass : classes) nextClass = std::max(nextClass, fileClass + 1);
    for (std::size_t f = 0; f < band.band.fileCount(); ++f) {
        for (const std::size_t name : band.band.namesOf(f)) {
            names[name - band.band.begin].contentClass =
                band.files[f].failed ? nextClass++ : classes[f];
        }
    }
}

}  // namespace

void judgeNames(platform::FileSystem& fileSystem, const Catalogue& files, BandState& band,
                const std::vector<std::uint32_t>& classes, bool everyName,
                std::vector<BandName>& names) {
    const Band& shape = band.band;
    names.assign(shape.end - shape.begin, BandName{});
    assignClasses(band, classes, names);
    std::uint32_t classCount = 0;
    for (const BandName& name : names) classCount = std::max(classCount, name.contentClass + 1);
    std::vector<std::size_t> classSize(classCount, 0);
    for (const BandName& name : names) ++classSize[name.contentClass];

    for (std::size_t f = 0; f < shape.fileCount(); ++f) {
        BandFile& file = band.files[f];
        const std::span<const std::size_t> fileNames = shape.namesOf(f);
        // The stamps the file showed first: at its first open, or to the first of its
        // names looked at where it was never opened.
        std::optional<platform::FileStamps> seen;
        if (file.opener != kNoName) seen = file.opened.stamps;
        for (std::size_t n = 0; n < fileNames.size(); ++n) {
            const std::size_t k = fileNames[n] - shape.begin;
            const Catalogue::Entry listed = files[fileNames[n]];
            BandName& name = names[k];
            name.identity = file.opener != kNoName ? file.opened.identity : listed.identity;
            name.links = file.opener != kNoName ? file.opened.links : 0;
            if (band.gone[k]) continue;
            const bool answered = n == file.opener && fileNames.size() == 1 && !file.checkByName;
            if (answered || (!everyName && classSize[name.contentClass] < 2)) continue;
            platform::FileStatus now;
            if (!fileSystem.statusAt(files.path(fileNames[n]), now, name.entry) ||
                !isAsListed(now, listed)) {
                band.gone[k] = true;
                continue;
            }
            // Stamps that moved may mean bytes read while they were written.
            if (!seen) seen = now.stamps;
            if (now.stamps != *seen) file.failed = true;
            name.identity = now.identity;
            name.links = now.links;
        }
    }
    assignClasses(band, classes, names);
    for (std::size_t k = 0; k < names.size(); ++k) names[k].opened = !band.gone[k];
}
