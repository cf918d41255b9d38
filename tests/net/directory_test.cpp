#include "net/directory.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>

namespace updater {
namespace {

using testing_support::FileExists;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(EnsureDirectory, CreatesMissingLevelsAndStopsAtFiles) {
    TempDir temp;
    ASSERT_TRUE(WriteFileBytes(temp.File(L"file"), "x"));
    struct Case {
        std::wstring path;
        bool exists;            // result
        std::wstring directory; // must be a directory afterwards ("" = nothing to check)
        std::wstring absent;    // must not exist afterwards ("" = nothing to check)
    };
    const Case cases[] = {
        {temp.path(), true, temp.path(), L""},
        {temp.File(L"a\\b\\c"), true, temp.File(L"a\\b\\c"), L""},
        {temp.File(L"d\\e\\"), true, temp.File(L"d\\e"), L""},
        {temp.File(L"file"), false, L"", L""},
        {temp.File(L"file\\sub"), false, L"", temp.File(L"file\\sub")},
        {temp.File(L"with space\\x.y"), true, temp.File(L"with space\\x.y"), L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.exists, EnsureDirectory(c.path.c_str(), nullptr) != FALSE)
            << testing::PrintToString(c.path);
        if (!c.directory.empty()) {
            EXPECT_TRUE(IsDirectory(c.directory)) << testing::PrintToString(c.directory);
        }
        if (!c.absent.empty()) {
            EXPECT_FALSE(FileExists(c.absent)) << testing::PrintToString(c.absent);
        }
    }
    EXPECT_FALSE(IsDirectory(temp.File(L"file")));
    EXPECT_EQ(FALSE, EnsureDirectory(nullptr, nullptr));
}

TEST(EnsureDirectory, AnchorsRelativePathsAtTheExecutableDirectory) {
    wchar_t base[MAX_PATH] = {};
    GetModuleDirectory(nullptr, base, MAX_PATH);
    const std::wstring relative =
        L"ensure-directory-test-" + std::to_wstring(GetCurrentProcessId()) + L"\\inner";
    const std::wstring expected = std::wstring(base) + relative;

    EXPECT_NE(FALSE, EnsureDirectory(relative.c_str(), nullptr));
    EXPECT_TRUE(IsDirectory(expected));
    testing_support::RemoveTree(std::wstring(base) + L"ensure-directory-test-" +
                                std::to_wstring(GetCurrentProcessId()));
}

TEST(EnsureParentDirectory, CreatesTheDirectoryOfAFilePath) {
    TempDir temp;
    struct Case {
        std::wstring filePath;
        bool result;
        std::wstring directory;
    };
    const Case cases[] = {
        {temp.File(L"x\\y\\setup.exe"), true, temp.File(L"x\\y")},
        {temp.File(L"setup.exe"), true, temp.path()},
        {L"setup.exe", false, L""}, // a bare name has no directory part
        {L"", false, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, EnsureParentDirectory(c.filePath.c_str()))
            << testing::PrintToString(c.filePath);
        if (!c.directory.empty()) {
            EXPECT_TRUE(IsDirectory(c.directory)) << testing::PrintToString(c.directory);
        }
    }
    EXPECT_FALSE(FileExists(temp.File(L"x\\y\\setup.exe")));
}

TEST(GetModuleDirectory, EndsWithTheBackslashBeforeTheFileName) {
    wchar_t full[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, full, MAX_PATH);
    std::wstring expected = full;
    expected.erase(expected.rfind(L'\\') + 1);

    wchar_t buffer[MAX_PATH] = {};
    EXPECT_EQ(buffer, GetModuleDirectory(nullptr, buffer, MAX_PATH));
    EXPECT_EQ(expected, buffer);
}

} // namespace
} // namespace updater
