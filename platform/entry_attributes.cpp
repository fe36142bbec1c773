#include "platform/entry_attributes.h"

namespace platform {

EntryKind entryKindOf(std::uint32_t attributes) {
    constexpr std::uint32_t kElsewhere =
        kAttributeOffline | kAttributeRecallOnOpen | kAttributeRecallOnDataAccess;
    if (attributes == kAttributesUnknown) return EntryKind::unreadable;
    if ((attributes & kAttributeDirectory) != 0) return EntryKind::directory;
    if ((attributes & kElsewhere) != 0) return EntryKind::placeholder;
    return EntryKind::file;
}

}  // namespace platform
