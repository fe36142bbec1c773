#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file_system.h"

// The comparison's open files, counted against a budget by what they are open for:
// files of bands read ahead, and files of the band compared, kept open between its
// chunks. Only a CountedFile opens or closes a count, so the counts are the files open.
// Shares: a few hundred ahead keep a disk busy, more would only hold memory; the band
// compared may hold more, and one batch of reads keeps room for its opens.
class OpenLedger {
public:
    enum class Use : std::uint8_t { ahead, band };

    explicit OpenLedger(std::size_t budget);
    OpenLedger(const OpenLedger&) = delete;
    OpenLedger& operator=(const OpenLedger&) = delete;

    std::size_t open() const { return m_open[0] + m_open[1]; }
    std::size_t openFor(Use use) const { return m_open[index(use)]; }
    std::size_t share(Use use) const { return m_share[index(use)]; }
    // How many more files may be opened for `use`, within its share and beside a batch.
    std::size_t room(Use use) const;
    // Whether a file open for `use` may stay open now, or must be closed.
    bool mayKeep(Use use) const {
        return openFor(use) <= share(use) && open() + m_batch <= m_budget;
    }
    // Files read at once, each opened for it where it is not open yet.
    std::size_t batch() const { return m_batch; }
    // The system refused an open while `openAtRefusal` of ours were open and every one
    // has been closed since: that many is all it allows from now on.
    void shrinkTo(std::size_t openAtRefusal);
    // Opens for `use` stop at what is open now.
    void stopAt(Use use) { m_share[index(use)] = openFor(use); }

private:
    friend class CountedFile;
    static std::size_t index(Use use) { return use == Use::ahead ? 0 : 1; }
    void shareOut();
    void count(Use use, bool opened);

    std::size_t m_budget;
    std::size_t m_share[2] = {};
    std::size_t m_batch = 1;
    std::size_t m_open[2] = {};
};

// An open file of the comparison, counted in its ledger for as long as it is open.
class CountedFile {
public:
    CountedFile() = default;
    CountedFile(OpenLedger& ledger, platform::File file, OpenLedger::Use use);
    CountedFile(CountedFile&& other) noexcept { *this = std::move(other); }
    CountedFile& operator=(CountedFile&& other) noexcept;
    CountedFile(const CountedFile&) = delete;
    CountedFile& operator=(const CountedFile&) = delete;
    ~CountedFile() { close(); }

    explicit operator bool() const { return static_cast<bool>(m_file); }
    const platform::File& file() const { return m_file; }
    OpenLedger::Use use() const { return m_use; }
    void setUse(OpenLedger::Use use);
    void close();
    // No longer counted: the file, to be closed with others.
    platform::File take();

private:
    OpenLedger* m_ledger = nullptr;
    platform::File m_file;
    OpenLedger::Use m_use = OpenLedger::Use::band;
};

// Files to close, closed together: many at once where the system allows. Emptied before
// anything is opened, so that the files counted are the files open.
class ClosingFiles {
public:
    explicit ClosingFiles(platform::FileSystem& fileSystem) : m_fileSystem(fileSystem) {}
    ~ClosingFiles() { closeNow(); }
    ClosingFiles(const ClosingFiles&) = delete;
    ClosingFiles& operator=(const ClosingFiles&) = delete;

    // Its reads must be done.
    void add(CountedFile& file) {
        if (file) m_files.push_back(file.take());
    }
    void closeNow() {
        if (!m_files.empty()) m_fileSystem.closeAll(m_files);
    }

private:
    platform::FileSystem& m_fileSystem;
    std::vector<platform::File> m_files;
};
