#include "finder/content_hash.h"

#include <cstring>

std::uint64_t hashBytes(const char* bytes, std::size_t count) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ count;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    for (; i < count; ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001B3ull;
    return hash ^ (hash >> 29);
}
