#include "finder/finder.h"

#include <algorithm>
#include <string>

#include "platform/system.h"

namespace {

// Kept directories cost a handle each, and the walk and the comparison need theirs.
constexpr std::size_t kMostKept = 65536;

}  // namespace

CFinder::CFinder(const StringList& sources, const StringList& extensions,
                 const StringList& exclusions, FinderOutput& output,
                 platform::FileSystem& fileSystem, BandJudgeMaker makeJudge)
    : m_sources(sources),
      m_extensions(extensions),
      m_exclusions(exclusions),
      m_output(output),
      m_fileSystem(fileSystem),
      m_makeJudge(makeJudge),
      m_kept(std::min(platform::openFileBudget() / 2, kMostKept)) {
    m_output.trace(2, "---> CFinder - Constructeur\n");
    m_output.trace(4, "<--- CFinder - Constructeur\n");
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
    m_kept.keepOnlyThoseOf(m_files);
    m_output.line({std::to_string(static_cast<int>(m_files.size())), " found files!"});
    m_output.trace(4, "<--- CFinder - find\n");
}

bool CFinder::addNewFile(const ListedEntries::Entry& listed, Catalogue::Origin origin) {
    m_output.trace(2, "---> CFinder - addNewFile\n");
    // The very first file is catalogued even when empty or unreadable; later ones are not.
    const bool first = m_files.empty();
    const bool kept = listed.readable && (listed.status.size != 0 || first);
    if (kept) {
        m_files.add(listed.name, listed.status, origin);
    } else if (first) {
        m_files.add(listed.name, {}, origin);
    }
    m_output.trace(4, "<--- CFinder - addNewFile\n");
    return kept;
}
