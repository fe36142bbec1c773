#include "finder/path_filters.h"

#include "platform/system.h"

namespace {

bool startsDoubleByte(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && platform::isLeadByte(static_cast<unsigned char>(text[i]));
}

std::string lowerFolded(std::string text) {
    platform::toLowerCase(text);
    return foldDoubledSeparators(text);
}

}  // namespace

std::string foldDoubledSeparators(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (startsDoubleByte(text, i)) {
            folded.append(text.substr(i, 2));
            i += 2;
        } else if (text[i] == platform::kSeparator && i + 1 < text.size() &&
                   text[i + 1] == platform::kSeparator) {
            folded += platform::kSeparator;
            i += 2;
        } else {
            folded += text[i++];
        }
    }
    return folded;
}

bool containsText(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) return false;
    for (std::size_t i = 0; i + part.size() <= text.size();) {
        if (text.compare(i, part.size(), part) == 0) return true;
        i += startsDoubleByte(text, i) ? 2 : 1;
    }
    return false;
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
