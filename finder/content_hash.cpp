#include "finder/content_hash.h"

#include <cstring>

namespace {

std::uint64_t mix(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    return hash ^ (hash >> 32);
}

}  // namespace

// Four lanes over 32-byte blocks, so that their multiplications overlap.
std::uint64_t hashBytes(const char* bytes, std::size_t count) {
    std::uint64_t lanes[4] = {0x9E3779B97F4A7C15ull ^ count, 0xC2B2AE3D27D4EB4Full,
                              0x165667B19E3779F9ull, 0x27D4EB2F165667C5ull};
    std::size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        std::uint64_t words[4];
        std::memcpy(words, bytes + i, 32);
        for (int lane = 0; lane < 4; ++lane) lanes[lane] = mix(lanes[lane], words[lane]);
    }
    std::uint64_t hash = lanes[0];
    for (int lane = 1; lane < 4; ++lane) hash = mix(hash, lanes[lane]);
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        hash = mix(hash, word);
    }
    for (; i < count; ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001B3ull;
    return hash ^ (hash >> 29);
}
