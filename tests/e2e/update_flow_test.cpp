// The real updater.exe, run as a user runs it: every outcome judged by its windows, its texts
// and its whole 32-bit exit code.

#include "e2e/updater_driver.h"

#include <psapi.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace testing_support {
namespace {

TEST(UpdaterEndToEnd, FromTheCheckToTheStartedSetupProgram) {
    const std::string setup = SetupPath();
    const std::string page = Publish("setup_2.0.exe", "<html><body>Not Found</body></html>");
    const wchar_t* const configError = L"本地配置信息有错误！";
    const wchar_t* const cannotConnect = L"无法连接远程服务器！请检查连接！";
    // Names of about 150, 190 and 250 characters (the server's own prefix included).
    const auto publishLong = [](size_t length) {
        return Publish(std::string(length - 12, 'n') + ".exe", SetupProgram());
    };
    const std::string longName[] = {publishLong(150), publishLong(190), publishLong(250)};
    const Flow flows[] = {
        {"up to date", Config(setup, "2.0"), nullptr, kNotice, kUpToDate, 0},
        {"arguments ignored", Config(setup, "2.0"), nullptr, kNotice, kUpToDate, 0, "", false,
         L"/S --version 0.1 --update http://127.0.0.1:1/x /checks"},
        {"installed newer", Config(setup, "3.0"), nullptr, kNotice, kUpToDate, -1},
        {"no installed version", "update=" + ToAnsi(ServerUrl("/status/404")), nullptr, kError,
         configError, -2},
        {"server unreachable", "version=1.0\r\nupdate=" + ToAnsi(RefusedUrl("/u.xml")), nullptr,
         kError, cannotConnect, -3},
        {"descriptor missing (404 page)",
         "version=1.0\r\nupdate=" + ToAnsi(ServerUrl("/status/404")), nullptr, kError,
         cannotConnect, -3},
        {"unusable descriptor", "version=1.0\r\nupdate=" + ToAnsi(ServerUrl(page)), nullptr, kError,
         L"远程升级信息配置有错误！", -4},
        {"Esc", Config(setup), Escape, nullptr, nullptr, 2, setup, false, L"",
         L"当前版本：1.0.0.1\r\r最新版本：2.0.0.0\r文件大小：1.5 MB\r更新描述：\r"
         L"修复了若干问题\r新增自动保存\r\r"},
        {"close box", Config(setup), [](HWND offer) { CloseFromCaption(offer); }, nullptr, nullptr,
         2, setup},
        {"not now", Config(setup), [](HWND offer) { ClickAt(GetDlgItem(offer, kLinkId), 3, 3); },
         nullptr, nullptr, 1003, setup},
        {"upgrade now", Config(setup), Accept, nullptr, nullptr, 0, setup, true},
        {"relative address", Config(setup, "1.0", kComments, ServerUrl, Relative), Accept, nullptr,
         nullptr, 0, setup, true},
        // Saved under the run's folder in a temporary folder deep in the profile: a name too
        // long for the path is shortened, keeping its extension.
        {"a name of 150 characters", Config(longName[0]), Accept, nullptr, nullptr, 0, longName[0],
         true},
        {"a name of 190 characters", Config(longName[1]), Accept, nullptr, nullptr, 0, longName[1],
         true},
        {"a name of 250 characters", Config(longName[2]), Accept, nullptr, nullptr, 0, longName[2],
         true},
        {"a page that is no program", Config(page), Accept, kError, kUpgradeFailed, -1, page},
        {"answer without data", Config("/empty"), Accept, kError, kUpgradeFailed, -2, "/empty"},
        {"error status", Config("/status/404"), Accept, kError, kUpgradeFailed, -1, "/status/404"},
        {"cut short without ranges", Config("/bytes/200000?cut=100000&noranges=1"), Accept, kError,
         kUpgradeFailed, -1, "/bytes/200000"},
        {"silent mid-body without ranges", Config("/bytes/200000?stall=16384&noranges=1"), Accept,
         kError, kUpgradeFailed, -1, "/bytes/200000"},
        {"cut at 40 %, resumed",
         Config(setup + "?cutat=" + std::to_string(SetupProgram().size() * 2 / 5) +
                "&key=" + UniqueKey()),
         Accept, nullptr, nullptr, 0, setup, true},
        {"redirect loop", Config("/redirect-loop"), Accept, kError, kUpgradeFailed, -1,
         "/redirect-loop"},
        {"CR LF in the address", Config("/files/s.exe%0D%0AX-Injected:%20yes"), Accept, kError,
         kUpgradeFailed, -1, "/files/s.exe"},
        {"https", Config(setup, "1.0", kComments, Trusted, Trusted), Accept, nullptr, nullptr, 0,
         setup, true},
        {"https, untrusted descriptor", Config(setup, "1.0", kComments, Untrusted, Trusted),
         nullptr, kError, cannotConnect, -3},
        {"https, untrusted setup program", Config(setup, "1.0", kComments, Trusted, Untrusted),
         Accept, kError, kUpgradeFailed, -1, setup},
    };
    for (const auto& flow : flows) {
        RunFlow(flow);
    }
}

// wine's rich-edit box needs seconds and gigabytes for one long line: the offer shows a bounded
// text at once, whatever the descriptor holds within its 1 MiB.
TEST(UpdaterEndToEnd, OfferOfADescriptorWithOneHugeLineAppearsAtOnce) {
    Installation app;
    std::wstring lines = L"<line>" + std::wstring(1000000, L'x') + L"</line>";
    for (int i = 0; i < 60; ++i) {
        lines += L"<line>第" + std::to_wstring(i) + L"行</line>";
    }
    app.WriteConfig(Config("/files/none.exe", "1.0", lines));
    const ULONGLONG start = GetTickCount64();
    auto process = app.Start();
    HWND offer = WaitForWindow(process->id(), kOfferCaption, 20000);
    ASSERT_NE(nullptr, offer);
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(process->handle(), &memory, sizeof(memory));
    std::printf("offer after %llu ms, peak working set %zu MB\n", GetTickCount64() - start,
                memory.PeakWorkingSetSize >> 20);
    EXPECT_LT(memory.PeakWorkingSetSize, 100u << 20);
    EXPECT_NE(std::wstring::npos, ControlText(offer, kOfferTextId).find(L"x……"));
    EXPECT_EQ(0, SendMessageW(GetDlgItem(offer, kOfferTextId), EM_GETFIRSTVISIBLELINE, 0, 0))
        << "the versions at the top are in view";
    Escape(offer);
    EXPECT_EQ(2u, ExitCodeOf(*process));
}

TEST(UpdaterEndToEnd, ExeCarriesIconVersionAndManifest) {
    const HMODULE exe =
        LoadLibraryExW(WindowsPath(UPDATER_EXE_PATH).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe);
    EXPECT_NE(nullptr, FindResourceW(exe, MAKEINTRESOURCEW(128), RT_GROUP_ICON));
    EXPECT_NE(nullptr, FindResourceW(exe, MAKEINTRESOURCEW(1), RT_VERSION));
    EXPECT_NE(nullptr, FindResourceW(exe, MAKEINTRESOURCEW(1), RT_MANIFEST));
    FreeLibrary(exe);
}

} // namespace
} // namespace testing_support
