// The run's download folder and the clean-up of earlier ones, tried as another program or user
// on a shared temporary folder would try to abuse them: nothing but an earlier run's own unused
// folder ever goes, and what a link points at is never touched.

#include "download/download_folder.h"
#include "download/earlier_downloads.h"
#include "download/kept_state.h"
#include "update/utc_time.h"

#include "common/unique_handle.h"
#include "support/temp_dir.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace updater {
namespace {

using testing_support::FileExists;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

std::wstring Folder(const TempDir& temp, const std::wstring& suffix) {
    return temp.File(L"updater-download-" + suffix);
}

// Files of a folder, made with the folder unless it exists.
void Plant(const std::wstring& folder, const std::vector<std::wstring>& names) {
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& name : names) {
        ASSERT_TRUE(WriteFileBytes(folder + L"\\" + name, "MZ"));
    }
}

TEST(RemoveEarlierDownloads, RemovesOnlyTheUpdatersOwnUnusedFolders) {
    TempDir temp, elsewhere;
    const std::wstring victims = elsewhere.File(L"victims");
    Plant(victims, {L"a.txt", L"b.txt"});
    const std::wstring finished = Folder(temp, L"00000000000000a1");
    Plant(finished, {L"setup.exe", L"a.txt"});
    ASSERT_TRUE(testing_support::MakeLink(victims, Folder(temp, L"00000000000000a2")));
    const std::wstring withLink = Folder(temp, L"00000000000000a3");
    Plant(withLink, {L"setup.exe"});
    ASSERT_TRUE(testing_support::MakeLink(victims + L"\\a.txt", withLink + L"\\link.txt"));
    const std::wstring inUse = Folder(temp, L"00000000000000A4");
    Plant(inUse, {L"a.txt", L"z.txt"});
    const UniqueFileHandle held(CreateFileW((inUse + L"\\z.txt").c_str(), GENERIC_READ,
                                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::wstring withFolder = Folder(temp, L"00000000000000a5");
    Plant(withFolder, {L"a.txt"});
    Plant(withFolder + L"\\sub", {L"a.txt"});
    for (const wchar_t* name :
         {L"cache", L"old", L"00000000000000a", L"00000000000000a70", L"0000000000000g07"}) {
        Plant(Folder(temp, name), {L"a.txt"});
    }
    DownloadFolder atWork; // a run whose request is under way: its folder is still empty
    ASSERT_TRUE(atWork.Create(temp.path()));
    // Downloads kept for a later run, begun an hour ago, 8 days ago, tomorrow; and a state
    // file that does not read.
    const ULONGLONG now = CurrentUtcTicks(), hour = 3600 * kTicksPerSecond;
    const std::wstring keptFolder[] = {
        Folder(temp, L"00000000000000b1"), Folder(temp, L"00000000000000b2"),
        Folder(temp, L"00000000000000b3"), Folder(temp, L"00000000000000b4")};
    const ULONGLONG began[] = {now - hour, now - 8 * 24 * hour, now + 24 * hour};
    for (size_t i = 0; i < 4; ++i) {
        Plant(keptFolder[i], {L"setup.exe"});
        ASSERT_TRUE(i == 3 ? WriteFileBytes(keptFolder[i] + L"\\" + kKeptStateName, "url=x\n")
                           : WriteKeptState(keptFolder[i],
                                            {L"C:\\App", L"http://127.0.0.1/setup.exe", L"\"v\"", 9,
                                             std::wstring(64, L'0'), began[i]}));
    }

    RemoveEarlierDownloads(temp.path());

    for (const std::wstring& removed : {finished, keptFolder[1], keptFolder[2], keptFolder[3]}) {
        EXPECT_FALSE(FileExists(removed)) << testing::PrintToString(removed) << " stays";
    }
    const std::vector<std::wstring> kept = {victims + L"\\a.txt",
                                            victims + L"\\b.txt",
                                            withLink + L"\\setup.exe",
                                            inUse + L"\\a.txt",
                                            inUse + L"\\z.txt",
                                            withFolder + L"\\a.txt",
                                            withFolder + L"\\sub\\a.txt",

                                            Folder(temp, L"cache\\a.txt"),
                                            Folder(temp, L"old\\a.txt"),
                                            Folder(temp, L"00000000000000a\\a.txt"),
                                            Folder(temp, L"00000000000000a70\\a.txt"),
                                            Folder(temp, L"0000000000000g07\\a.txt"),
                                            atWork.Path(),
                                            keptFolder[0] + L"\\setup.exe"};
    for (const std::wstring& path : kept) {
        EXPECT_TRUE(FileExists(path)) << testing::PrintToString(path) << " was removed";
    }
}

// On a shared temporary folder nobody else may list the folder or put a file into it.
TEST(DownloadFolder, IsHeldAndOpenToTheCurrentUserAndTheSystemAlone) {
    TempDir temp;
    DownloadFolder folder;
    ASSERT_TRUE(folder.Create(temp.path()));
    EXPECT_EQ(temp.path() + L"\\updater-download-",
              folder.Path().substr(0, temp.path().size() + 18));
    EXPECT_FALSE(RemoveDirectoryW(folder.Path().c_str())) << "a held folder cannot be removed";
    // Compared with the owner of a folder made the usual way: the current user.
    const auto security = [](const std::wstring& path, SECURITY_INFORMATION part) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        LPWSTR text = nullptr;
        GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, part, nullptr, nullptr, nullptr,
                              nullptr, &descriptor);
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, part,
                                                             &text, nullptr);
        const std::wstring sddl = text ? text : L"";
        LocalFree(text);
        LocalFree(descriptor);
        return sddl;
    };
    const std::wstring self = security(temp.path(), OWNER_SECURITY_INFORMATION).substr(2);
    const std::wstring access = security(folder.Path(), DACL_SECURITY_INFORMATION);
    EXPECT_EQ(L"O:" + self, security(folder.Path(), OWNER_SECURITY_INFORMATION));
    EXPECT_EQ(2, std::count(access.begin(), access.end(), L'(')) << access;
    EXPECT_NE(std::wstring::npos, access.find(L"(A;OICI;FA;;;SY)")) << access;
    EXPECT_NE(std::wstring::npos, access.find(L"(A;OICI;FA;;;" + self + L")")) << access;
    folder.Discard(L"");
    EXPECT_FALSE(FileExists(folder.Path()));
}

} // namespace
} // namespace updater
