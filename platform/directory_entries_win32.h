// The entries of one directory as Windows enumerates them (Windows builds only).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace platform {

class DirectoryEntries {
public:
    virtual ~DirectoryEntries() = default;
    // False when there are no more entries.
    virtual bool next(DirectoryEntry& entry) = 0;
    virtual bool directoryIdentity(FileIdentity& identity) = 0;
};

// Every entry with its id, size and stamps, as the directory's own enumeration gives
// them, whole ids of 128 bits where the system has them. Null where the directory
// can't be opened, or the system serves no enumeration with ids.
std::unique_ptr<DirectoryEntries> enumerateDirectory(const std::wstring& self);

// Every entry with the size and write time of its find data: no ids, no change times.
// Null where the listing can't start, and `error` says why.
std::unique_ptr<DirectoryEntries> findEntries(const std::wstring& base, const std::wstring& self,
                                              OpenError& error);

// The identity of an open file or directory: the whole id where the system gives 128
// bits, since on ReFS two files may share the 64-bit index of the older call.
bool identityOf(HANDLE handle, FileIdentity& identity);

}  // namespace platform
