#include "ui/save_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(BuildSavePath, JoinsTheDirectoryAndTheAddressesFileName) {
    struct Case {
        const wchar_t* directory;
        const wchar_t* url;
        const wchar_t* expected;
    };
    const Case cases[] = {
        // One backslash between directory and name, never two.
        {L"C:\\Temp", L"http://host/files/setup_2.0.exe", L"C:\\Temp\\setup_2.0.exe"},
        {L"C:\\Temp\\", L"http://host/files/setup_2.0.exe", L"C:\\Temp\\setup_2.0.exe"},
        {L"C:\\Temp/", L"http://host/a.exe", L"C:\\Temp/\\a.exe"},
        // Query and fragment are cut before the name is looked for.
        {L"C:\\T\\", L"http://host/a.exe?x=1", L"C:\\T\\a.exe"},
        {L"C:\\T\\", L"http://host/a.exe#top", L"C:\\T\\a.exe"},
        {L"C:\\T\\", L"http://host/a.exe?x=/y", L"C:\\T\\a.exe"},
        {L"C:\\T\\", L"http://host/a.exe?x=1#f/g", L"C:\\T\\a.exe"},
        {L"C:\\T\\", L"http://host/a.exe#f?x=/y", L"C:\\T\\a.exe"},
        {L"C:\\T\\", L"http://host/a.exe?", L"C:\\T\\a.exe"},
        // Without a separator the whole address is the name.
        {L"C:\\T\\", L"setup.exe", L"C:\\T\\setup.exe"},
        // Slashes, backslashes and colons all separate.
        {L"C:\\T\\", L"http://host\\dir\\b.exe", L"C:\\T\\b.exe"},
        {L"C:\\T\\", L"http://host/dir\\sub/c.exe", L"C:\\T\\c.exe"},
        {L"C:\\T\\", L"setup:d.exe", L"C:\\T\\d.exe"},
        // A trailing separator does not count: the last component keeps it.
        {L"C:\\T\\", L"http://host/dir/", L"C:\\T\\dir/"},
        {L"C:\\T\\", L"http://host/", L"C:\\T\\host/"},
        // Nothing is decoded.
        {L"C:\\T\\", L"http://host/my%20setup.exe", L"C:\\T\\my%20setup.exe"},
        {L"C:\\T\\", L"http://host/安装程序.exe", L"C:\\T\\安装程序.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(c.expected), BuildSavePath(c.directory, c.url))
            << testing::PrintToString(std::wstring(c.directory)) << " + "
            << testing::PrintToString(std::wstring(c.url));
    }
}

TEST(GetTemporaryDirectory, GivesAnExistingDirectoryEndingWithABackslash) {
    std::wstring directory;
    ASSERT_TRUE(GetTemporaryDirectory(directory));
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(L'\\', directory.back());
    const DWORD attributes = GetFileAttributesW(directory.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // Joined with a name it gains no second backslash.
    EXPECT_EQ(directory + L"a.exe", BuildSavePath(directory, L"http://h/a.exe"));
}

TEST(GetTemporaryDirectory, FailsWhenTheDirectoryDoesNotFitInTheBuffer) {
    // GetTempPathW takes the directory from TMP; a name longer than the buffer cannot be kept.
    wchar_t saved[32768] = {};
    const DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, 32768);
    const std::wstring tooLong = L"C:\\" + std::wstring(1100, L'x');
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", tooLong.c_str()));
    std::wstring directory = L"unchanged";
    const bool result = GetTemporaryDirectory(directory);
    SetEnvironmentVariableW(L"TMP", savedLength > 0 ? saved : nullptr);
    EXPECT_FALSE(result);
    EXPECT_EQ(L"unchanged", directory);
}

} // namespace
} // namespace updater
