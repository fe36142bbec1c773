#include "finder/finder.h"

#include <string>

#include "platform/system.h"

CFinder::CFinder(StringList& sources, StringList& extensions, StringList& exclusions,
                 FinderOutput& output, platform::FileSystem& fileSystem, BandClassifier classify)
    : m_sources(sources),
      m_extensions(extensions),
      m_exclusions(exclusions),
      m_output(output),
      m_fileSystem(fileSystem),
      m_classify(classify),
      m_reads(fileSystem, m_files, platform::openFileBudget()) {
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
    m_reads.listingDone();
    m_output.line({std::to_string(static_cast<int>(m_files.size())), " found files!"});
    m_output.trace(4, "<--- CFinder - find\n");
}

void CFinder::addNewFile(const std::string& path, const BandReader::ListedFile& file,
                         Catalogue::Origin origin) {
    m_output.trace(2, "---> CFinder - addNewFile\n");
    // The very first file is catalogued even when empty or unreadable; later ones are not.
    if (m_files.empty() && !file.opened) {
        m_files.add(path, {}, origin);
    } else if (file.opened && (file.status.size != 0 || m_files.empty())) {
        m_files.add(path, file.status, origin, file.held, file.head);
    }
    m_output.trace(4, "<--- CFinder - addNewFile\n");
}
