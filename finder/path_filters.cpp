#include "finder/path_filters.h"

#include "platform/system.h"

namespace {

std::string lowerFolded(std::string text) {
    platform::toLowerCase(text);
    return foldDoubledSeparators(text);
}

}  // namespace

std::string foldDoubledSeparators(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == platform::kSeparator && i + 1 < text.size() &&
            text[i + 1] == platform::kSeparator) {
            folded += platform::kSeparator;
            i += 2;
        } else {
            folded += text[i++];
        }
    }
    return folded;
}

// In UTF-8 no character's bytes occur inside another's, so a byte search finds only
// whole characters.
bool containsText(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool isExcluded(const std::string& dir, const StringList& exclusions) {
    if (exclusions.empty()) return false;
    const std::string path = lowerFolded(dir);
    for (const std::string& exclusion : exclusions) {
        if (containsText(path, lowerFolded(exclusion))) return true;
    }
    return false;
}

bool passesExtensions(std::string_view path, const StringList& extensions) {
    if (!extensions.empty() && extensions.front() == "*") return true;
    for (const std::string& extension : extensions) {
        if (path.find(extension) != std::string_view::npos) return true;
    }
    return false;
}
