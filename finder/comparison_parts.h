#pragma once

#include "finder/band_queue.h"
#include "finder/catalogue.h"
#include "finder/kept_directories.h"
#include "finder/open_ledger.h"
#include "finder/queued_reads.h"
#include "platform/file_system.h"

// What the parts of the comparison work on together: the catalogue, the system its
// files lie on and the directories kept of them, the ledger of the files open and
// those waiting to be closed, the reads in flight, and the bands taken up.
struct ComparisonParts {
    platform::FileSystem& fileSystem;
    const Catalogue& files;
    KeptDirectories& directories;
    OpenLedger& ledger;
    ClosingFiles& closing;
    QueuedReads& reads;
    BandQueue& bands;
};
