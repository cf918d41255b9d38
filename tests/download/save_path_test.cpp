// Where the setup program is saved.

#include "download/save_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

TEST(BuildSavePath, NamesTheFileAfterTheLastPathSegment) {
    // A temporary folder as deep as a user's profile makes it, with the run's folder.
    const std::wstring kLong = L"C:\\users\\a-rather-long-user-name\\AppData\\Local\\Temp\\"
                               L"updater-download-0123456789abcdef";
    struct Case {
        std::wstring directory;
        std::wstring url;
        std::wstring path;
    };
    const Case cases[] = {
        {L"C:\\t\\", L"http://h/dir/setup_2.0.exe", L"C:\\t\\setup_2.0.exe"},
        {L"C:\\t", L"http://h/setup.exe", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/get/setup.exe?token=a/b.exe", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/setup.exe#x/y", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/a%20b.exe", L"C:\\t\\a b.exe"},
        {L"C:\\t\\", L"http://h/%E5%8D%87%E7%BA%A7.exe", L"C:\\t\\升级.exe"},
        {L"C:\\t\\", L"http://h/升级.exe", L"C:\\t\\升级.exe"},
        {L"C:\\t\\", L"http://h/a%252Fb.exe", L"C:\\t\\a%2Fb.exe"},   // decoded once
        {L"C:\\t\\", L"http://h/%2F..%2Fx.exe", L"C:\\t\\_.._x.exe"}, // never another folder
        {L"C:\\t\\", L"http://h/a%3Fb%2A%ZZ%4.exe", L"C:\\t\\a_b_%ZZ%4.exe"},
        {L"C:\\t\\", L"http://h/%FF.exe", L"C:\\t\\\uFFFD.exe"}, // not UTF-8
        {L"C:\\t\\", L"http://h/con.exe", L"C:\\t\\_con.exe"},
        {L"C:\\t\\", L"http://h/d/NUL", L"C:\\t\\_NUL"},
        {L"C:\\t\\", L"http://h/nul.tar.gz", L"C:\\t\\_nul.tar.gz"}, // the first dot counts
        {L"C:\\t\\", L"http://h/COM%C2%B9.exe", L"C:\\t\\_COM\u00B9.exe"},
        {L"C:\\t\\", L"http://h/lpt\u00B3", L"C:\\t\\_lpt\u00B3"},
        {L"C:\\t\\", L"http://h/COM10.exe", L"C:\\t\\COM10.exe"},
        {L"C:\\t\\", L"http://h/setup.exe.%20.%20", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/...", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h/", L"C:\\t\\setup.exe"},
        {L"C:\\t\\", L"http://h", L"C:\\t\\setup.exe"},
        // Bounded with the extension kept, so that the path stays creatable: within 200
        // characters, and within MAX_PATH under a long folder.
        {L"C:\\t\\", L"http://h/" + std::wstring(300, L'x') + L".exe",
         L"C:\\t\\" + std::wstring(195, L'x') + L".exe"},
        {kLong, L"http://h/" + std::wstring(150, L'x') + L".exe",
         kLong + L"\\" + std::wstring(150, L'x') + L".exe"},
        {kLong, L"http://h/" + std::wstring(190, L'x') + L".exe",
         kLong + L"\\" + std::wstring(259 - 5 - kLong.size() - 1, L'x') + L".exe"},
        {kLong, L"http://h/" + std::wstring(250, L'x') + L".msi",
         kLong + L"\\" + std::wstring(259 - 5 - kLong.size() - 1, L'x') + L".msi"},
        {kLong, L"http://h/con" + std::wstring(250, L'.'), kLong + L"\\_con"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.path, BuildSavePath(c.directory, c.url)) << c.url;
        EXPECT_LE(BuildSavePath(c.directory, c.url).size(), MAX_PATH - 1u);
    }
}

} // namespace
} // namespace updater
