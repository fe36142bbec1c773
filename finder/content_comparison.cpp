#include <memory>
#include <vector>

#include "finder/band_judge.h"
#include "finder/band_queue.h"
#include "finder/chunk_reader.h"
#include "finder/content_classes.h"
#include "finder/name_verdict.h"
#include "finder/open_ledger.h"
#include "finder/queued_reads.h"
#include "finder/read_ahead.h"
#include "platform/system.h"

namespace {

// The comparison proper: the bands are walked in catalogue order, each band's distinct
// files classified by their bytes as ChunkReader reads them, while ReadAhead opens and
// reads the next bands; once a band is classified, each of its names is judged.
class ContentComparison final : public BandJudge, private ChunkSource {
public:
    ContentComparison(platform::FileSystem& fileSystem, const Catalogue& files,
                      KeptDirectories& directories, std::size_t budget)
        : m_fileSystem(fileSystem),
          m_files(files),
          m_directories(directories),
          m_ledger(budget),
          m_closing(fileSystem),
          m_bands(files),
          m_reads(fileSystem.readQueue()),
          m_ahead(parts()),
          m_chunks(parts()) {}

    ~ContentComparison() override {
        m_reads.waitAll();
        while (m_bands.size() > 0) leaveBand();
    }
    ContentComparison(const ContentComparison&) = delete;
    ContentComparison& operator=(const ContentComparison&) = delete;

    const Band* nextBand() override {
        if (m_entered) leaveBand();
        BandState* band = m_bands.at(0);
        if (band == nullptr) return nullptr;
        m_ahead.enter(*band);
        m_entered = true;
        m_ahead.fill();
        return &band->band;
    }

    void judge(bool everyName, std::vector<BandName>& names) override {
        BandState& band = m_bands.front();
        std::vector<std::uint32_t> classes;
        classifyFiles(*this, band.band.fileCount(), band.band.size, classes);
        judgeNames(m_fileSystem, m_files, band, classes, everyName, names);
    }

    bool incomplete() const override { return m_chunks.incomplete(); }

private:
    std::vector<bool> read(const std::vector<std::size_t>& files, std::int64_t offset,
                           std::size_t count, const std::vector<char*>& buffers) override {
        m_ahead.fill();
        return m_chunks.read(m_bands.front(), files, offset, count, buffers);
    }

    ComparisonParts parts() {
        return {m_fileSystem, m_files, m_directories, m_ledger, m_closing, m_reads, m_bands};
    }

    void release(std::size_t file, bool paired) override {
        m_chunks.release(m_bands.front().files[file], paired);
    }

    // Its reads end before its files close and its buffers go.
    void leaveBand() {
        m_ahead.leave(m_bands.front());
        m_bands.popFront();
        m_entered = false;
    }

    platform::FileSystem& m_fileSystem;
    const Catalogue& m_files;
    KeptDirectories& m_directories;
    OpenLedger m_ledger;  // first: it outlives every file it counts
    ClosingFiles m_closing;
    BandQueue m_bands;
    QueuedReads m_reads;
    ReadAhead m_ahead;
    ChunkReader m_chunks;
    bool m_entered = false;  // the front band is taken up
};

}  // namespace

std::unique_ptr<BandJudge> makeContentComparison(platform::FileSystem& fileSystem,
                                                 const Catalogue& files,
                                                 KeptDirectories& directories) {
    return std::make_unique<ContentComparison>(fileSystem, files, directories,
                                               platform::openFileBudget());
}
