// The path filters on fuzzed texts. The input's NUL-separated pieces are a path followed by
// a list (of exclusions, of extensions); the second piece also serves as a text to search.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "finder/path_filters.h"
#include "fuzz_check.h"
#include "platform/system.h"

using twinscout::fuzz::require;

namespace {

bool hasDoubledSeparator(std::string_view text) {
    const char pair[] = {platform::kSeparator, platform::kSeparator};
    return text.find(std::string_view(pair, 2)) != std::string_view::npos;
}

// Each run of n separators becomes (n + 1) / 2: pairs fold left to right, an odd one stays.
std::string foldedByRuns(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != platform::kSeparator) {
            out += text[i++];
            continue;
        }
        std::size_t run = 0;
        while (i < text.size() && text[i] == platform::kSeparator) ++run, ++i;
        out.append((run + 1) / 2, platform::kSeparator);
    }
    return out;
}

std::string withoutSeparators(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != platform::kSeparator) out += c;
    }
    return out;
}

std::string asciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

void checkFolding(const std::string& text) {
    const std::string folded = foldDoubledSeparators(text);
    require(folded.size() <= text.size(), "folding never lengthens");
    require(withoutSeparators(folded) == withoutSeparators(text),
            "folding removes separators only");
    if (!hasDoubledSeparator(text)) require(folded == text, "nothing to fold, nothing changes");
    require(folded == foldedByRuns(text), "each run of separators halves, rounded up");
    // Folding again changes the text exactly when the first pass left a pair behind.
    require((foldDoubledSeparators(folded) == folded) == !hasDoubledSeparator(folded),
            "folding is idempotent exactly when no pair is left");
}

void checkContains(const std::string& text, const std::string& part) {
    const bool contained = containsText(text, part);
    const bool found = text.find(part) != std::string::npos;
    require(contained == found, "containsText is a plain search");
    require(containsText(text, ""), "the empty text is everywhere");
    require(containsText(text, text), "a text contains itself");
    require(!containsText(text, text + "x"), "nothing contains a longer text");
}

void checkExclusions(const std::string& dir, const StringList& exclusions) {
    const bool excluded = isExcluded(dir, exclusions);
    require(!isExcluded(dir, {}), "no exclusion excludes nothing");
    require(isExcluded(dir, {""}), "an empty exclusion excludes everything");
    require(isExcluded(dir, {dir}), "a directory excludes itself");
    bool any = false;
    for (const std::string& exclusion : exclusions) any = any || isExcluded(dir, {exclusion});
    require(excluded == any, "a list excludes what one of its entries excludes");
    for (const std::string& exclusion : exclusions) {
        const bool one = isExcluded(dir, {exclusion});
        // A run of separators inside the path is at least as long as the one it matches,
        // so it folds to at least as many.
        require(one || dir.find(exclusion) == std::string::npos,
                "an exclusion found as it is excludes");
        require(isExcluded(asciiUpper(dir), {exclusion}) == one, "the case of the path is ignored");
        require(isExcluded(dir, {asciiUpper(exclusion)}) == one,
                "the case of the exclusion is ignored");
    }
}

void checkExtensions(const std::string& path, const StringList& extensions) {
    const bool passes = passesExtensions(path, extensions);
    require(!passesExtensions(path, {}), "an empty list passes nothing");
    require(passesExtensions(path, {""}), "the empty text passes everything");
    require(passesExtensions(path, {path}), "a path contains itself");
    StringList starFirst{"*"};
    starFirst.insert(starFirst.end(), extensions.begin(), extensions.end());
    require(passesExtensions(path, starFirst), "\"*\" first passes everything");
    if (!extensions.empty() && extensions.front() == "*") {
        require(passes, "\"*\" first passes everything");
        return;
    }
    bool any = false;
    for (const std::string& extension : extensions) {
        any = any || path.find(extension) != std::string::npos;
    }
    require(passes == any, "otherwise a path passes when it contains an extension");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> pieces = twinscout::fuzz::splitOnNul(data, size);
    const std::string path = pieces.empty() ? std::string() : pieces[0];
    const StringList list =
        pieces.size() > 1 ? StringList(pieces.begin() + 1, pieces.end()) : StringList();
    checkFolding(path);
    for (const std::string& entry : list) checkFolding(entry);
    checkContains(path, list.empty() ? std::string() : list[0]);
    checkExclusions(path, list);
    checkExtensions(path, list);
    return 0;
}
