// What the install thread does once the download has ended, and where the setup program goes.

#include "ui/install_outcome.h"
#include "ui/save_path.h"

#include <gtest/gtest.h>

#include <string>

namespace updater {
namespace {

constexpr DWORD kFailed = static_cast<DWORD>(-1);

TEST(DecideInstall, StartsTheSetupOnlyAfterACompleteDownload) {
    struct Case {
        const char* name;
        DWORD waitResult, threadExitCode;
        bool succeeded, fileExists;
        bool launch;
        const wchar_t* message; // null: no failure box
        DWORD exitCode;
    };
    const Case cases[] = {
        {"downloaded", WAIT_OBJECT_0, 0, true, true, true, nullptr, 0},
        {"download failed", WAIT_OBJECT_0, kFailed, false, false, false, L"升级失败,请稍候尝试！",
         kFailed},
        {"no data, no file", WAIT_OBJECT_0, 0, true, false, false, L"升级失败,请稍候尝试！",
         static_cast<DWORD>(-2)},
        {"the wait failed", WAIT_FAILED, kFailed, true, true, false, L"升级时发生意外错误！",
         kFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const InstallDecision decision =
            DecideInstall(c.waitResult, c.threadExitCode, c.succeeded, c.fileExists);
        EXPECT_EQ(c.launch, decision.launchSetup);
        EXPECT_EQ(c.message != nullptr, decision.showFailure);
        if (c.message != nullptr) {
            EXPECT_EQ(std::wstring(c.message), decision.message);
            EXPECT_EQ(std::wstring(L"错误"), decision.caption);
        }
        EXPECT_EQ(c.exitCode, decision.exitCode);
    }
    // The shell reports failures as values up to 32.
    EXPECT_TRUE(DecideAfterLaunch(reinterpret_cast<HINSTANCE>(32), 0).showFailure);
    EXPECT_EQ(kFailed, DecideAfterLaunch(reinterpret_cast<HINSTANCE>(2), 0).exitCode);
    EXPECT_FALSE(DecideAfterLaunch(reinterpret_cast<HINSTANCE>(33), 0).showFailure);
}

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
