#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "finder/content_classes.h"
#include "finder/read_ahead.h"
#include "platform/file_system.h"

// Reads the distinct files of one run for its classification: each file once for all
// its names, by the first name that still leads to it, kept open between chunks
// within a budget, and through the read-ahead where there is one.
class FileReaders {
public:
    FileReaders(platform::FileSystem& fileSystem, std::vector<RunMember>& members,
                std::size_t openFiles, ReadAhead* ahead);

    std::size_t size() const { return m_readers.size(); }
    std::size_t readerOf(std::size_t member) const { return m_readerOf[member]; }

    // Reads `count` bytes at `offset` of each of `readers` into `buffer(k)` for the
    // k-th, which has room for one byte more: a read that reaches the end asks for it,
    // so that a file grown since the listing never passes. `last`: nothing more will be
    // read of these files. Returns, for each, whether it was read whole; a reader that
    // was not has failed for good.
    template <typename Buffer>
    std::vector<bool> read(const std::vector<std::size_t>& readers, std::int64_t offset,
                           std::size_t count, bool last, Buffer buffer) {
        std::vector<char*> buffers;
        buffers.reserve(readers.size());
        for (std::size_t k = 0; k < readers.size(); ++k) buffers.push_back(buffer(k));
        return readInto(readers, offset, count, last, buffers);
    }

    bool failed(std::size_t reader) const { return m_readers[reader].failed; }
    // The reader's file is not needed any more.
    void release(std::size_t reader);
    // Once every read is done, the names that could pair are checked: a name that no
    // longer leads to the file listed is gone, and a file whose status moved since the
    // listing may have been read while written, so its reader fails. `opened` is then
    // set for every member.
    void checkNames(const std::vector<bool>& mustCheck);

private:
    static constexpr std::size_t kNone = SIZE_MAX;

    struct Reader {
        std::vector<std::size_t> members;
        platform::File file;
        std::size_t opener = kNone;  // the member whose name the file is opened by
        EarlyRead* early = nullptr;  // what the read-ahead read of it
        bool failed = false;         // not read whole, or changed since listed
    };

    std::vector<bool> readInto(const std::vector<std::size_t>& readers, std::int64_t offset,
                               std::size_t count, bool last, const std::vector<char*>& buffers);
    // `early`, if given, is set to what the read-ahead read through the file returned.
    platform::File openName(std::size_t member, EarlyRead** early = nullptr);
    platform::File reopen(Reader& reader);

    platform::FileSystem& m_fileSystem;
    std::vector<RunMember>& m_members;
    const std::size_t m_openFiles;
    // Files opened for one batch of reads, on top of those kept.
    const std::size_t m_batch;
    ReadAhead* const m_ahead;
    std::vector<Reader> m_readers;
    std::vector<std::size_t> m_readerOf;
    std::vector<bool> m_gone;  // the member's name no longer leads to the file listed
    std::size_t m_kept = 0;
};
