#include "finder/finder.h"

#include <cstdio>

#include "platform/system.h"
#include "trace/trace_log.h"

CFinder::CFinder(StringList& sources, StringList& extensions, StringList& exclusions,
                 platform::FileSystem& fileSystem, RunClassifier classify)
    : m_sources(sources),
      m_extensions(extensions),
      m_exclusions(exclusions),
      m_fileSystem(fileSystem),
      m_classify(classify),
      m_openFileBudget(platform::openFileBudget()) {
    traceLog(2, "---> CFinder - Constructeur\n");
    traceLog(4, "<--- CFinder - Constructeur\n");
}

CFinder::~CFinder() {
    traceLog(2, "---> CFinder - Destructeur\n");
    traceLog(4, "<--- CFinder - Destructeur\n");
}

void CFinder::find() {
    traceLog(2, "---> CFinder - find\n");
    std::printf("Listing files in progress ...\n");
    for (const std::string& source : m_sources) {
        traceLog(8, "CFinder - find - Parcourt de la source : %s.\n", source.c_str());
        parseDirectory(source);
    }
    m_files.arrange();
    std::printf("%d found files!\n", static_cast<int>(m_files.size()));
    std::fflush(stdout);
    traceLog(4, "<--- CFinder - find\n");
}

// `opened`: the file could be opened through its directory's listing, which read `status`.
void CFinder::addNewFile(const std::string& path, bool opened, const platform::FileStatus& status,
                         Catalogue::Origin origin) {
    traceLog(2, "---> CFinder - addNewFile\n");
    // The very first file is kept even when empty or unreadable; later ones are not.
    if (m_files.empty() && !opened) {
        m_files.add(path, {}, origin);
    } else if (opened && (status.size != 0 || m_files.empty())) {
        m_files.add(path, status, origin);
    }
    traceLog(4, "<--- CFinder - addNewFile\n");
}
