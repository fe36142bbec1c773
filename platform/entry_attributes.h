#pragma once

#include <cstdint>

#include "platform/file_system.h"

// What a listed entry is, from the attribute bits a Windows listing gives for it.
// Pure, so that the fake file system of the tests goes through the same rule.
namespace platform {

// The bits of the Windows headers, so that the rule builds everywhere.
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeOffline = 0x1000;
inline constexpr std::uint32_t kAttributeRecallOnOpen = 0x40000;
inline constexpr std::uint32_t kAttributeRecallOnDataAccess = 0x400000;
// All bits: the attributes could not be read.
inline constexpr std::uint32_t kAttributesUnknown = 0xFFFFFFFF;

// A directory is walked whatever else it carries. A file whose content is not on
// this machine (a cloud file kept online only, a file an archive holds) is a
// placeholder: opening or reading it would make the system fetch it.
EntryKind entryKindOf(std::uint32_t attributes);

}  // namespace platform
