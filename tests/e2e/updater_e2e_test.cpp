// The real updater.exe, run as a user runs it: every outcome judged by its windows, its texts
// and its whole 32-bit exit code.

#include "updater_case.h"
#include "window_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace e2e {
namespace {

using testing_support::FileExists;
using testing_support::HttpRoute;

constexpr wchar_t kNotice[] = L"提示";
constexpr wchar_t kError[] = L"错误";
constexpr wchar_t kUpToDate[] = L"当前已经是最新版本了！";
constexpr wchar_t kOfferCaption[] = L"发现新版本！是否立即升级？";
constexpr wchar_t kProgressCaption[] = L"正在升级，请稍候......";
constexpr wchar_t kConfirmCaption[] = L"取消升级";
constexpr wchar_t kConfirmText[] = L"正在升级！您确定要取消升级吗？";
constexpr wchar_t kUpgradeFailed[] = L"升级失败,请稍候尝试！";
constexpr int kLinkId = 1003;
constexpr int kOfferTextId = 1000;
constexpr int kHeaderId = 1002;

DWORD Code(int value) {
    return static_cast<DWORD>(value);
}

DWORD ExitCodeOf(ChildProcess& process) {
    DWORD code = 0;
    EXPECT_TRUE(process.WaitForExit(kExitTimeoutMs, code)) << "the updater did not end";
    return code;
}

// Waits for a message box, checks it and presses its OK button.
// (The box's icon cannot be told from another process: icon handles are per process.)
void AnswerMessageBox(ChildProcess& process, const std::wstring& caption,
                      const std::wstring& text) {
    HWND box = WaitForWindow(process.id(), caption);
    ASSERT_NE(nullptr, box) << "no message box captioned " << testing::PrintToString(caption);
    EXPECT_EQ(text, MessageBoxText(box));
    PressButton(box, IDOK);
}

std::wstring WithoutLineFeeds(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\n'), text.end());
    return text;
}

struct ResultCase {
    const char* name;
    std::wstring installedVersion; // empty: no version key
    std::wstring publishedVersion;
    bool closedPort;
    bool missingDescriptor;
    std::wstring arguments;
    const wchar_t* caption;
    const wchar_t* text;
    int exitCode;
};

TEST(UpdaterEndToEnd, CheckOutcomesEndInTheirMessageBoxAndExitCode) {
    const ResultCase cases[] = {
        {"up to date", L"2.0.0.0", L"2.0.0.0", false, false, L"", kNotice, kUpToDate, 0},
        {"installed newer", L"3.0", L"2.0.0.0", false, false, L"", kNotice, kUpToDate, -1},
        {"no installed version", L"", L"2.0.0.0", false, false, L"", kError,
         L"本地配置信息有错误！", -2},
        {"server unreachable", L"1.0", L"2.0.0.0", true, false, L"", kError,
         L"无法连接远程服务器！请检查连接！", -3},
        {"descriptor missing (404 page)", L"1.0", L"2.0.0.0", false, true, L"", kError,
         L"远程升级信息配置有错误！", -4},
        {"arguments ignored", L"2.0.0.0", L"2.0.0.0", false, false, L"/silent --force x.ini",
         kNotice, kUpToDate, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdaterCase updater;
        Descriptor descriptor;
        descriptor.ver = c.publishedVersion;
        if (!c.missingDescriptor) {
            updater.ServeDescriptor(descriptor);
        }
        std::wstring url = updater.DescriptorUrl();
        if (c.closedPort) {
            url = L"http://127.0.0.1:" + std::to_wstring(testing_support::ClosedLoopbackPort()) +
                  L"/update.xml";
        }
        if (c.installedVersion.empty()) {
            updater.WriteConfigText("[main]\r\nupdate=" + ToAnsi(url) + "\r\n");
        } else {
            updater.WriteConfig(c.installedVersion, url);
        }
        auto process = updater.Start(c.arguments);
        AnswerMessageBox(*process, c.caption, c.text);
        EXPECT_EQ(Code(c.exitCode), ExitCodeOf(*process));
        if (c.installedVersion.empty()) {
            EXPECT_EQ(0u, updater.server.RequestCount()) << "no request without a version";
        }
    }
}

// A case that runs up to the offer dialog.
class OfferCase : public testing::Test {
protected:
    void SetUp() override {
        updater.ServeDescriptor(Descriptor());
        updater.ServeSetup();
        updater.WriteConfig(L"1.0.0.1", updater.DescriptorUrl());
        process = updater.Start();
        offer = WaitForWindow(process->id(), kOfferCaption);
        ASSERT_NE(nullptr, offer) << "the offer dialog did not appear";
    }

    HWND WaitForProgress() {
        HWND progress = WaitForWindow(process->id(), kProgressCaption);
        EXPECT_NE(nullptr, progress) << "the progress dialog did not appear";
        return progress;
    }

    UpdaterCase updater;
    std::unique_ptr<ChildProcess> process;
    HWND offer = nullptr;
};

TEST_F(OfferCase, ShowsVersionsSizeAndDescriptionInTheForeground) {
    EXPECT_EQ(kOfferCaption, ControlText(offer, kHeaderId));
    EXPECT_EQ(WithoutLineFeeds(L"当前版本：1.0.0.1\r\n\r\n最新版本：2.0.0.0\r\n文件大小：1.5 MB\r\n"
                               L"更新描述：\r\n修复了若干问题\r\n新增自动保存\r\n\r\n"),
              WithoutLineFeeds(ControlText(offer, kOfferTextId)));
    EXPECT_EQ(L"立即升级", ControlText(offer, IDOK));
    EXPECT_EQ(L"暂不升级", ControlText(offer, kLinkId));
    // The updater also asks for topmost, but wine 8 does not let the owner of a topmost window
    // (the link's tooltip) become topmost itself, so only the foreground is checked here.
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == offer; }));
    PressKey(offer, VK_ESCAPE);
    EXPECT_EQ(2u, ExitCodeOf(*process));
}

TEST_F(OfferCase, EscapeDeclinesWithExitCode2) {
    PressKey(offer, VK_ESCAPE);
    EXPECT_EQ(2u, ExitCodeOf(*process));
    EXPECT_EQ(1u, updater.server.RequestCount()) << "only the descriptor was fetched";
}

TEST_F(OfferCase, CloseBoxDeclinesWithExitCode2) {
    CloseFromCaption(offer);
    EXPECT_EQ(2u, ExitCodeOf(*process));
}

TEST_F(OfferCase, NotNowLinkDeclinesWithExitCode1003) {
    ClickAt(GetDlgItem(offer, kLinkId), 3, 3);
    EXPECT_EQ(1003u, ExitCodeOf(*process));
    EXPECT_FALSE(FileExists(updater.SavedSetup()));
}

TEST_F(OfferCase, EnterDownloadsAndStartsTheSetupProgram) {
    PressKey(offer, VK_RETURN);
    EXPECT_EQ(0u, ExitCodeOf(*process));
    EXPECT_TRUE(FileExists(updater.SavedSetup())) << "saved in the temporary folder";
    // The setup program runs on after the updater has ended.
    for (int i = 0; i < 200 && !FileExists(updater.SetupMarker()); ++i) {
        Sleep(50);
    }
    EXPECT_TRUE(FileExists(updater.SetupMarker())) << "the setup program was started";
}

class SlowDownloadCase : public OfferCase {
protected:
    void SetUp() override {
        updater.ServeDescriptor(Descriptor());
        HttpRoute route =
            HttpRoute::Text(testing_support::ReadFileBytes(WindowsPath(FAKE_SETUP_EXE_PATH)));
        route.stallAfterBodyBytes = 16 * 1024;
        updater.ServeSetup(route);
        updater.WriteConfig(L"1.0.0.1", updater.DescriptorUrl());
        process = updater.Start();
        offer = WaitForWindow(process->id(), kOfferCaption);
        ASSERT_NE(nullptr, offer);
        PressKey(offer, VK_RETURN);
        progress = WaitForProgress();
        ASSERT_NE(nullptr, progress);
        ASSERT_TRUE(updater.server.WaitForStall(kWindowTimeoutMs));
    }

    // Asks to close the progress dialog and returns the confirmation box.
    HWND RequestCancel() {
        CloseFromCaption(progress);
        HWND box = WaitForWindow(process->id(), kConfirmCaption);
        EXPECT_NE(nullptr, box) << "no cancel confirmation";
        if (box) {
            EXPECT_EQ(kConfirmText, MessageBoxText(box));
        }
        return box;
    }

    HWND progress = nullptr;
};

TEST_F(SlowDownloadCase, ConfirmedCancelFailsTheUpgradeAndRemovesThePartialFile) {
    EXPECT_TRUE(WaitUntil([&] { return FileExists(updater.SavedSetup()); }))
        << "the download is under way";
    HWND box = RequestCancel();
    ASSERT_NE(nullptr, box);
    PressButton(box, IDOK);
    updater.server.ReleaseStalls();
    AnswerMessageBox(*process, kError, kUpgradeFailed);
    EXPECT_EQ(Code(-1), ExitCodeOf(*process));
    EXPECT_FALSE(FileExists(updater.SavedSetup()));
    EXPECT_FALSE(FileExists(updater.SetupMarker()));
}

TEST_F(SlowDownloadCase, CancelAnsweredNoLetsTheDownloadFinish) {
    HWND box = RequestCancel();
    ASSERT_NE(nullptr, box);
    PressButton(box, IDCANCEL);
    updater.server.ReleaseStalls();
    EXPECT_EQ(0u, ExitCodeOf(*process));
    EXPECT_TRUE(FileExists(updater.SavedSetup()));
}

TEST_F(SlowDownloadCase, SecondStartBringsTheProgressDialogForwardAndEnds) {
    UpdaterCase other;
    other.WriteConfig(L"1.0.0.1", updater.DescriptorUrl());
    auto second = other.Start();
    EXPECT_EQ(100u, ExitCodeOf(*second));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == progress; }));
    EXPECT_TRUE(process->IsRunning());
}

TEST_F(OfferCase, SecondStartBringsTheOfferForwardWithoutAWindowOfItsOwn) {
    // Something else is in front first.
    HWND other = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, other);
    SetForegroundWindow(other);

    auto second = updater.Start();
    EXPECT_EQ(100u, ExitCodeOf(*second));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == offer; }));
    DestroyWindow(other);
    EXPECT_EQ(1u, updater.server.RequestCount()) << "the second start checked nothing";
    PressKey(offer, VK_ESCAPE);
    EXPECT_EQ(2u, ExitCodeOf(*process));
}

TEST(UpdaterEndToEnd, AcceptedUpgradeThatBringsNoSetupProgramFails) {
    struct Case {
        const char* name;
        HttpRoute setup;
        int exitCode;
    };
    const Case cases[] = {
        {"answer without data", HttpRoute::Text(""), -2},
        {"error status", HttpRoute::Text("<html><body>404 Not Found</body></html>", 404), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdaterCase updater;
        updater.ServeDescriptor(Descriptor());
        updater.ServeSetup(c.setup);
        updater.WriteConfig(L"1.0.0.1", updater.DescriptorUrl());
        auto process = updater.Start();
        HWND offer = WaitForWindow(process->id(), kOfferCaption);
        ASSERT_NE(nullptr, offer);
        PressKey(offer, VK_RETURN);
        AnswerMessageBox(*process, kError, kUpgradeFailed);
        EXPECT_EQ(Code(c.exitCode), ExitCodeOf(*process));
        EXPECT_FALSE(FileExists(updater.SavedSetup()));
        EXPECT_FALSE(FileExists(updater.SetupMarker())) << "nothing was launched";
    }
}

TEST(UpdaterEndToEnd, SecondStartWhileAResultBoxIsShownRunsItsOwnCheck) {
    UpdaterCase updater;
    updater.WriteConfigText("[main]\r\nversion=1.0\r\n");
    auto first = updater.Start();
    HWND firstBox = WaitForWindow(first->id(), kError);
    ASSERT_NE(nullptr, firstBox);

    auto second = updater.Start();
    AnswerMessageBox(*second, kError, L"本地配置信息有错误！");
    EXPECT_EQ(Code(-2), ExitCodeOf(*second));
    PressButton(firstBox, IDOK);
    EXPECT_EQ(Code(-2), ExitCodeOf(*first));
}

} // namespace
} // namespace e2e
