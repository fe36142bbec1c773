#include "pairwise_classes.h"

#include <cstring>

namespace {

constexpr std::size_t kChunk = 64 * 1024;

bool sameContent(BandReader& reader, std::size_t first, std::int64_t size, std::size_t second) {
    std::vector<char> a(kChunk + 1);
    std::vector<char> b(kChunk + 1);
    for (std::int64_t offset = 0; offset < size; offset += kChunk) {
        const auto count = static_cast<std::size_t>(
            size - offset < static_cast<std::int64_t>(kChunk) ? size - offset : kChunk);
        if (!reader.read({first}, offset, count, [&](std::size_t) { return a.data(); })[0] ||
            !reader.read({second}, offset, count, [&](std::size_t) { return b.data(); })[0] ||
            std::memcmp(a.data(), b.data(), count) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Every file is read, whatever the digests of heads say.
void classifyBandPairwise(BandReader& reader, const Band& band,
                          std::vector<std::uint32_t>& classes) {
    const std::size_t count = band.fileCount();
    classes.assign(count, 0);
    std::vector<bool> classed(count, false);
    std::uint32_t nextClass = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (classed[i]) continue;
        classed[i] = true;
        classes[i] = nextClass++;
        for (std::size_t j = i + 1; j < count; ++j) {
            if (!classed[j] && sameContent(reader, i, band.size, j)) {
                classed[j] = true;
                classes[j] = classes[i];
            }
        }
    }
}
