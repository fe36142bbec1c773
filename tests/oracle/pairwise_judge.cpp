#include "pairwise_judge.h"

#include <optional>
#include <string>
#include <vector>

namespace {

// The name's whole content as read through one open, if it could be opened as the file
// listed and read whole without the file changing meanwhile.
std::optional<std::string> contentOf(platform::FileSystem& fileSystem,
                                     const Catalogue::Entry& listed, const std::string& path,
                                     BandName& name, bool& opened) {
    platform::OpenedFile file = fileSystem.open(path);
    const bool asListed = file.file && file.status.size == listed.size &&
                          (listed.identity.known() ? file.status.identity == listed.identity
                                                   : file.status.identity.known());
    opened = asListed;
    if (!asListed) return std::nullopt;
    name.identity = file.status.identity;
    name.links = file.status.links;
    platform::FileStatus seen;
    fileSystem.statusAt(path, seen, name.entry);

    std::string bytes;
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const std::int64_t got =
            file.file.readAt(static_cast<std::int64_t>(bytes.size()), chunk.data(), chunk.size());
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
    }
    platform::FileStatus after;
    if (!file.file.status(after) || after.stamps != file.status.stamps ||
        static_cast<std::int64_t>(bytes.size()) != listed.size) {
        return std::nullopt;
    }
    return bytes;
}

class PairwiseJudge final : public BandJudge {
public:
    PairwiseJudge(platform::FileSystem& fileSystem, const Catalogue& files)
        : m_fileSystem(fileSystem), m_files(files) {}

    const Band* nextBand() override {
        while (m_next < m_files.size()) {
            const std::size_t begin = m_next;
            m_next = m_files.bandEnd(begin);
            if (m_files.isComparableBand(begin, m_next)) {
                m_band.begin = begin;
                m_band.end = m_next;
                m_band.size = m_files[begin].size;
                return &m_band;
            }
        }
        return nullptr;
    }

    // Every name is read, whatever `everyName` says.
    void judge(bool, std::vector<BandName>& names) override {
        const std::size_t count = m_band.end - m_band.begin;
        names.assign(count, BandName{});
        std::vector<std::optional<std::string>> contents(count);
        std::uint32_t nextClass = 0;
        for (std::size_t k = 0; k < count; ++k) {
            BandName& name = names[k];
            const std::size_t position = m_band.begin + k;
            contents[k] = contentOf(m_fileSystem, m_files[position], m_files.path(position), name,
                                    name.opened);
            name.contentClass = nextClass++;
            if (!contents[k]) continue;
            for (std::size_t j = 0; j < k; ++j) {
                if (contents[j] && *contents[j] == *contents[k]) {
                    name.contentClass = names[j].contentClass;
                    break;
                }
            }
        }
    }

    bool incomplete() const override { return false; }

private:
    platform::FileSystem& m_fileSystem;
    const Catalogue& m_files;
    std::size_t m_next = 0;
    Band m_band;
};

}  // namespace

std::unique_ptr<BandJudge> makePairwiseJudge(platform::FileSystem& fileSystem,
                                             const Catalogue& files, KeptDirectories&) {
    return std::make_unique<PairwiseJudge>(fileSystem, files);
}
