#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "finder/catalogue.h"
#include "finder/key_set.h"
#include "finder/queued_reads.h"
#include "platform/file_system.h"

// A file is read first at its head, then, while it is still undecided and longer than
// both, at its last block, then in the middle.
inline constexpr std::int64_t kHeadBytes = 4096;
inline constexpr std::int64_t kTailBytes = 4096;

// A band of catalogued files of one size that may pair, as the comparison takes it up.
struct Band {
    std::size_t begin = 0;  // catalogue positions [begin, end)
    std::size_t end = 0;
    std::int64_t size = 0;
    // Its distinct files, numbered from 0: file f has the names (positions, in listing
    // order) from names[firstName[f]] up to names[firstName[f + 1]].
    std::vector<std::size_t> names;
    std::vector<std::size_t> firstName{0};

    std::size_t fileCount() const { return firstName.size() - 1; }
    std::span<const std::size_t> namesOf(std::size_t file) const {
        return {names.data() + firstName[file], firstName[file + 1] - firstName[file]};
    }
};

// What the comparison found of one name of a band.
struct BandName {
    // False when the name no longer leads to the regular file of the identity and size
    // listed; a name that need not be read or checked counts as opened, as the listing
    // opened it.
    bool opened = true;
    // Names of equal classes have equal bytes.
    std::uint32_t contentClass = 0;
};

// Owns every file the finder holds open and every read of content: the files the
// listing opens, whose heads it reads where their size was met before; the files it
// holds for the comparison; the files read ahead of the comparison, many at a time,
// whatever band they belong to; and the files open between chunks. It walks the
// catalogue band by band, reads what the classification asks of a band's distinct
// files, and checks every name once the band's reads are done. Its open files stay
// within a budget, and give way when the system has no handle left.
class BandReader {
public:
    BandReader(platform::FileSystem& fileSystem, Catalogue& files, std::size_t budget);
    ~BandReader();
    BandReader(const BandReader&) = delete;
    BandReader& operator=(const BandReader&) = delete;

    // What the listing learnt of one of its files.
    struct ListedFile {
        bool opened = false;
        platform::FileStatus status;
        std::uint32_t held = Catalogue::kNotHeld;
        std::uint32_t head = 0;  // its head's digest; 0 where not read
    };
    // Opens the regular files `names` of `listing`, whose paths are `paths`; those
    // among the first `mayHold` may be held for the comparison.
    void openListed(platform::DirectoryListing& listing, const std::vector<std::string>& names,
                    const std::vector<std::string>& paths, std::size_t mayHold,
                    std::vector<ListedFile>& listed);
    // A directory could not be opened for want of handles: every held file is closed,
    // and none is held again. False when none was open.
    bool giveWay();
    // The catalogue is arranged: files of sizes no other file has are never read.
    void listingDone();

    // The next band, in catalogue order, with more than one name and a size above 0;
    // null after the last. The band before is left.
    const Band* nextBand();
    // The digest of a band file's head, where the listing read it, or 0: files whose
    // digests differ differ; equal digests tell nothing.
    std::uint32_t headDigest(std::size_t file) const;
    // Reads `count` bytes at `offset` of each of the band's `files` into `buffer(k)` for
    // the k-th, which has room for one byte more: a read that reaches the end asks for
    // it, so that a file grown since the listing never passes. Returns, for each,
    // whether it was read whole; a file that was not has failed for good.
    template <typename Buffer>
    std::vector<bool> read(const std::vector<std::size_t>& files, std::int64_t offset,
                           std::size_t count, Buffer buffer) {
        std::vector<char*> buffers;
        buffers.reserve(files.size());
        for (std::size_t k = 0; k < files.size(); ++k) buffers.push_back(buffer(k));
        return readInto(files, offset, count, buffers);
    }
    // Nothing more will be read of the file.
    void release(std::size_t file);
    // Once the classification put each band file in `classes`, the names that could
    // pair (every name, with `checkEveryName`) are checked: a name that no longer leads
    // to the file listed is gone, and a file whose status moved since the listing may
    // have been read while written, so its names are identical to none.
    void finishBand(const std::vector<std::uint32_t>& classes, bool checkEveryName,
                    std::vector<BandName>& names);

    // Whether a file could not be opened for want of handles, even with every other
    // file closed: the answer may miss pairs.
    bool incomplete() const { return m_incomplete; }

private:
    static constexpr std::size_t kNone = SIZE_MAX;

    // Bytes read before the comparison asked for them.
    struct EarlyRead {
        std::vector<char> bytes;
        std::int64_t offset = -1;
        QueuedRead read;
    };
    using EarlyReads = std::array<EarlyRead, 2>;  // the head and the last block
    struct BandFile {
        platform::File file;
        std::size_t opener = kNone;  // the name it was opened by, as an index into its names
        std::uint32_t head = 0;
        bool failed = false;                // not read whole, or changed since listed
        bool held = false;                  // some of its names were held by the listing
        bool openedAhead = false;           // counts among the files read ahead
        bool advised = false;               // for reading on sequentially
        std::int64_t readTo = 0;            // bytes read from the head on
        std::int64_t readFrom = 0;          // and from here to the end
        std::unique_ptr<EarlyReads> early;  // for files read ahead only
    };
    struct BandState {
        Band band;
        std::vector<BandFile> files;
        std::vector<bool> gone;  // by name: position - begin
        // Files whose heads' digests the listing did not read: read first.
        std::vector<std::size_t> unknown;
        std::size_t unknownNext = 0;  // those before were opened, or tried
        std::size_t unknownDone = 0;  // those before were read, or failed
        bool headsKnown = false;
        // Then the files whose heads may match another's.
        std::vector<std::size_t> mayPair;
        std::size_t aheadNext = 0;
        bool entered = false;
    };
    // How the budget is shared out: files read ahead, one batch of reads, and the rest for
    // files held; files open between chunks of the band compared, within their share, take
    // what held files leave.
    struct Shares {
        std::size_t ahead;
        std::size_t betweenChunks;
        std::size_t batch;
        std::size_t held;
    };
    static Shares shareOut(std::size_t budget, bool mayHold);

    std::vector<bool> readInto(const std::vector<std::size_t>& files, std::int64_t offset,
                               std::size_t count, const std::vector<char*>& buffers);
    bool copyEarly(BandFile& file, std::int64_t offset, char* buffer, std::size_t asked,
                   std::int64_t& got);
    void takeListed(std::vector<platform::OpenedFile>& opened,
                    const std::vector<std::size_t>& slice, std::size_t mayHold,
                    std::vector<ListedFile>& listed);
    bool addBand();
    void headsKnown(BandState& band);
    void fill();
    std::size_t startHeads(BandState& band, const std::vector<std::size_t>& files);
    std::size_t startMayPair(BandState& band, const std::vector<std::size_t>& files);
    std::vector<std::size_t> openAhead(BandState& band, const std::vector<std::size_t>& files);
    // Opens each of the band's `files` by the first of its names that still leads to
    // the file listed; returns those the system refused for want of handles.
    std::vector<std::size_t> openByName(BandState& band, std::vector<std::size_t> files,
                                        bool ahead);
    void countOpen(const BandState& band, BandFile& file);
    static EarlyReads& earlyOf(BandFile& file);
    void closeAnAloneHeld();
    platform::File takeHeld(std::size_t position);
    // Closes whatever the listing holds of the band's file.
    void closeHeld(BandState& band, std::size_t file);
    void leaveBand();
    void closeFile(BandFile& file);
    void closeNow();
    // Descriptors the budget still allows beside one batch of reads.
    std::size_t roomLeft() const;
    // The system refused an open for want of handles while `openAtRefusal` of ours were
    // open: every file held, read ahead or open between chunks is closed, and the budget
    // shrinks to what was open. False when nothing was, so that trying again is vain.
    bool relieve(std::size_t openAtRefusal);
    std::vector<char> buffer(std::size_t size);
    void giveBack(std::vector<char>& bytes);

    platform::FileSystem& m_fileSystem;
    Catalogue& m_files;
    std::size_t m_budget;
    bool m_mayHold;
    Shares m_shares;
    std::size_t m_open = 0;  // every file of ours open now
    std::size_t m_openAhead = 0;
    std::size_t m_openBetweenChunks = 0;
    // Files the listing left open, numbered by the catalogue entries' `held`.
    std::vector<platform::File> m_held;
    std::size_t m_heldOpen = 0;
    // The sizes of the files listed so far, with the high bit set for sizes met twice: a
    // file of a size met before is compared for sure. Then the sizes with the digests of
    // the heads read, mixed.
    KeySet m_sizesListed;
    KeySet m_headsListed;
    // Held files of sizes that no other file listed had yet, as sizes and indexes in
    // m_held, oldest first.
    std::deque<std::pair<std::int64_t, std::uint32_t>> m_aloneHeld;
    std::vector<char> m_headBuffer;
    // Reused from one read to the next, for their memory.
    std::vector<std::size_t> m_pending;
    std::vector<QueuedRead> m_batchReads;
    std::vector<std::size_t> m_toOpen;
    std::vector<platform::FileStatus> m_statuses;
    std::vector<std::uint32_t> m_heads;
    std::size_t m_nextBand = 0;     // catalogue position of the next band to look at
    std::deque<BandState> m_bands;  // the band compared first, then those read ahead
    // Bands at the front whose heads are all known, and whose reads ahead all started.
    std::size_t m_bandsKnown = 0;
    std::size_t m_bandsStarted = 0;
    std::vector<platform::File> m_toClose;
    // Buffers read into before, for the next files: fresh ones cost page faults.
    std::vector<std::vector<char>> m_spare;
    bool m_incomplete = false;
    QueuedReads m_reads;  // last: its reads end before the files and buffers go
};
