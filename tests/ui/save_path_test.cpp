// Where the setup program is saved.

#include "ui/save_path.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(BuildSavePath, NamesTheFileAfterTheLastPathSegment) {
    struct Case {
        const wchar_t* directory;
        const wchar_t* url;
        const wchar_t* path;
    };
    const Case cases[] = {
        {L"C:\\t\\", L"http://h/dir/setup_2.0.exe", L"C:\\t\\setup_2.0.exe"},
        {L"C:\\t", L"http://h/setup.exe", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/get/setup.exe?token=a/b.exe", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/setup.exe#x/y", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/a%20b.exe", L"C:\\t\\a%20b.exe"}, // nothing decoded
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(c.path), BuildSavePath(c.directory, c.url)) << c.url;
    }
}

} // namespace
} // namespace updater
