// A symbolic link to a file and the file itself are one entry, never a pair, however
// the system shows the link: Windows lists it as a reparse point, which may lead to any
// entry and pairs with no name of its file; Wine as a plain file with its target's id,
// telling only through the entry an open reached. Hard links of the file are entries
// of their own and pair with it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "expected_run.h"
#include "program_test.h"

namespace twinscout::e2e {
namespace {

bool underWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Under Wine, whose CreateSymbolicLinkW makes nothing, the host's ln makes the link.
// Wine can't wait for a host process: the directory's change notification tells when
// the link is there.
bool makeFileLink(const std::filesystem::path& link, const std::wstring& target) {
    if (!underWine()) {
        return CreateSymbolicLinkW(link.c_str(), target.c_str(),
                                   SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
    }
    using UnixName = char* (*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return false;
    char* const hostLink = unixName(std::filesystem::absolute(link).c_str());
    if (hostLink == nullptr) return false;
    std::wstring command = L"ln -s " + target + L" ";
    for (const char* c = hostLink; *c != '\0'; ++c) command += static_cast<wchar_t>(*c);
    HeapFree(GetProcessHeap(), 0, hostLink);
    HANDLE changed = FindFirstChangeNotificationW(link.parent_path().c_str(), FALSE,
                                                  FILE_NOTIFY_CHANGE_FILE_NAME);
    if (changed == INVALID_HANDLE_VALUE) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    bool made = CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process) != 0;
    if (made) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    while (made && GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
        made = WaitForSingleObject(changed, 30000) == WAIT_OBJECT_0 &&
               FindNextChangeNotification(changed);
    }
    FindCloseChangeNotification(changed);
    return made;
}

class LinksTest : public ExpectedRunTest {};

TEST_F(LinksTest, ALinkAndItsTargetNeverPair) {
    m_dir.writeFile("t/real.bin", "the same bytes");
    m_dir.writeFile("t/copy.bin", "the same bytes");
    const std::filesystem::path link = m_dir.path() / "t" / "link.bin";
    if (!makeFileLink(link, L"real.bin")) GTEST_SKIP() << "no symbolic link could be made here";
    m_dir.makeDir("u");
    // With one name, the file's own count tells; with a hard link too, only the name.
    for (const bool hardLink : {false, true}) {
        SCOPED_TRACE(hardLink);
        const std::filesystem::path hard = m_dir.path() / "u" / "hard.bin";
        if (hardLink) {
            ASSERT_TRUE(
                CreateHardLinkW(hard.c_str(), (m_dir.path() / "t" / "real.bin").c_str(), nullptr));
        }
        const ChildResult result = runProgram({"/s", "t", "u"});
        ASSERT_TRUE(endedNormally(result));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::string> pairs;
        for (const std::string& line : consoleLines(result.out)) {
            const std::size_t cut = line.find(" #### ");
            if (cut == std::string::npos) continue;
            std::string first = line.substr(0, cut);
            std::string second = line.substr(cut + 6, line.find(" are the same file") - cut - 6);
            if (second < first) std::swap(first, second);
            pairs.push_back(first + " " + second);
        }
        std::sort(pairs.begin(), pairs.end());
        std::vector<std::string> expected{"t\\copy.bin t\\link.bin", "t\\copy.bin t\\real.bin"};
        if (hardLink) {
            expected.insert(expected.end(), {"t\\copy.bin u\\hard.bin", "t\\real.bin u\\hard.bin"});
            if (underWine()) expected.push_back("t\\link.bin u\\hard.bin");
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(pairs, expected) << result.out;
    }
    // Removing the tree would go through the link.
    EXPECT_TRUE(DeleteFileW(link.c_str()));
}

}  // namespace
}  // namespace twinscout::e2e
