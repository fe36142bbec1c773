#include "finder/finder.h"

#include <algorithm>
#include <string>

#include "platform/system.h"

CFinder::CFinder(StringList& sources, StringList& extensions, StringList& exclusions,
                 FinderOutput& output, platform::FileSystem& fileSystem, RunClassifier classify)
    : m_sources(sources),
      m_extensions(extensions),
      m_exclusions(exclusions),
      m_output(output),
      m_fileSystem(fileSystem),
      m_classify(classify),
      m_openFiles(shareOut(platform::openFileBudget(), !fileSystem.openFilesHinderOthers())) {
    m_output.trace(2, "---> CFinder - Constructeur\n");
    m_output.trace(4, "<--- CFinder - Constructeur\n");
}

CFinder::OpenFileShares CFinder::shareOut(std::size_t budget, bool mayHold) {
    // A few hundred files ahead keep the disk busy; more would only hold memory.
    constexpr std::size_t kMostAhead = 256;
    constexpr std::size_t kMostKept = 4096;
    // Each held file costs the kernel some memory for the whole run.
    constexpr std::size_t kMostHeld = 65536;
    OpenFileShares shares{};
    shares.ahead = std::min(budget / 4, kMostAhead);
    shares.kept = std::min(budget / 2, kMostKept);
    const std::size_t batch = std::min<std::size_t>(shares.kept / 2, 64);
    shares.held = mayHold ? std::min(budget - shares.ahead - shares.kept - batch, kMostHeld) : 0;
    return shares;
}

CFinder::~CFinder() {
    m_output.trace(2, "---> CFinder - Destructeur\n");
    m_output.trace(4, "<--- CFinder - Destructeur\n");
}

void CFinder::find() {
    m_output.trace(2, "---> CFinder - find\n");
    m_output.line({"Listing files in progress ..."});
    for (const std::string& source : m_sources) {
        m_output.trace(8, "CFinder - find - Parcourt de la source : %s.\n", source);
        parseDirectory(source);
    }
    m_files.arrange();
    closeHeldFilesNoneWillRead();
    m_output.line({std::to_string(static_cast<int>(m_files.size())), " found files!"});
    m_output.trace(4, "<--- CFinder - find\n");
}

// `opened`: the file could be opened through its directory's listing, which read `status`
// and may have left it open as `file`.
void CFinder::addNewFile(const std::string& path, bool opened, const platform::FileStatus& status,
                         Catalogue::Origin origin, platform::File file) {
    m_output.trace(2, "---> CFinder - addNewFile\n");
    // The very first file is kept even when empty or unreadable; later ones are not.
    if (m_files.empty() && !opened) {
        m_files.add(path, {}, origin);
    } else if (opened && (status.size != 0 || m_files.empty())) {
        std::uint32_t held = Catalogue::kNotHeld;
        if (file) {
            held = static_cast<std::uint32_t>(m_heldFiles.size());
            m_heldFiles.push_back(std::move(file));
        }
        m_files.add(path, status, origin, held);
    }
    m_output.trace(4, "<--- CFinder - addNewFile\n");
}

// Files of a size no other file has are never read.
void CFinder::closeHeldFilesNoneWillRead() {
    std::vector<platform::File> unread;
    for (std::size_t begin = 0; begin < m_files.size();) {
        const std::size_t end = m_files.runEnd(begin);
        for (std::size_t k = begin; k < end; ++k) {
            if (m_files[k].held != Catalogue::kNotHeld && !m_files.isComparableRun(begin, end)) {
                unread.push_back(std::move(m_heldFiles[m_files[k].held]));
            }
        }
        begin = end;
    }
    m_fileSystem.closeAll(unread);
}
