// The download-and-install sequence against the loopback server, up to the decision that
// ends the process. The temporary directory is a fresh folder given through TMP.

#include "message_pump.h"
#include "scoped_environment_variable.h"
#include "support/http_test_server.h"
#include "support/temp_dir.h"
#include "ui/install_worker.h"
#include "ui/upload_dlg.h"
#include "update/update_info.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace updater {
namespace {

using testing_support::FileExists;
using testing_support::GeneratedBytes;
using testing_support::HttpRoute;
using testing_support::HttpTestServer;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using ui_testing::MessagePump;
using ui_testing::ScopedEnvironmentVariable;

const std::wstring kUpgradeFailed = L"升级失败,请稍候尝试！";
constexpr DWORD kMinusOne = 0xFFFFFFFF;
constexpr DWORD kMinusTwo = 0xFFFFFFFE;

class InstallWorker : public testing::Test {
protected:
    void SetUp() override { savedUrl_ = g_updateInfo.url; }
    void TearDown() override { g_updateInfo.url = savedUrl_; }

    // Runs the install thread's sequence on a thread of its own while this thread serves
    // the dialog's window, as the main thread does.
    InstallDecision DownloadAndDecideServed(CUploadDlg& dialog) {
        InstallDecision decision;
        std::atomic<bool> done{false};
        std::thread install([&] {
            decision = DownloadAndDecide(dialog);
            done = true;
        });
        MessagePump pump;
        pump.Until([&] { return done.load(); });
        install.join();
        return decision;
    }

    HttpTestServer server_;
    TempDir temp_;
    ScopedEnvironmentVariable tmp_{L"TMP", temp_.path()};
    std::wstring savedUrl_;
};

TEST_F(InstallWorker, DownloadsIntoTheTemporaryDirectoryAndDecidesToLaunch) {
    server_.SetRoute("/files/setup_2.0.exe", HttpRoute::Generated(300000));
    g_updateInfo.url = server_.Url("/files/setup_2.0.exe");
    CUploadDlg dialog;
    ASSERT_NE(nullptr, dialog.CreateModeless(nullptr, 0));

    const InstallDecision decision = DownloadAndDecideServed(dialog);

    EXPECT_TRUE(decision.launchSetup);
    EXPECT_FALSE(decision.showFailure);
    EXPECT_EQ(0u, decision.exitCode);
    EXPECT_EQ(temp_.File(L"setup_2.0.exe"), dialog.SavePath);
    EXPECT_TRUE(GeneratedBytes(0, 300000) == ReadFileBytes(dialog.SavePath));
    EXPECT_FALSE(dialog.IsRunning());
    EXPECT_TRUE(dialog.IsSucceeded());
    // The bar was driven to its end, and the dialog is hidden for the launch.
    PBRANGE range{};
    SendMessageW(dialog.ProgressBar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_GT(SendMessageW(dialog.ProgressBar, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(range.iHigh, SendMessageW(dialog.ProgressBar, PBM_GETPOS, 0, 0));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    DestroyWindow(dialog.Handle());
}

TEST_F(InstallWorker, FailedDownloadsEndInTheFailureMessage) {
    struct Case {
        const char* situation;
        HttpRoute route;
        DWORD expectedExitCode;
    };
    HttpRoute cutShort = HttpRoute::Generated(100000);
    cutShort.closeAfterBodyBytes = 5000;
    const Case cases[] = {
        {"empty body", HttpRoute::Text(""), kMinusTwo},
        {"error status", HttpRoute::Text("<html>server error</html>", 500), kMinusOne},
        {"not found", HttpRoute::Text("missing", 404), kMinusOne},
        {"connection cut", cutShort, kMinusOne},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.situation);
        server_.SetRoute("/setup.exe", c.route);
        g_updateInfo.url = server_.Url("/setup.exe");
        CUploadDlg dialog; // without a window the sequence runs unseen

        const InstallDecision decision = DownloadAndDecide(dialog);

        EXPECT_FALSE(decision.launchSetup);
        EXPECT_TRUE(decision.showFailure);
        EXPECT_EQ(kUpgradeFailed, decision.message);
        EXPECT_EQ(std::wstring(L"错误"), decision.caption);
        EXPECT_EQ(c.expectedExitCode, decision.exitCode) << std::hex << decision.exitCode;
        EXPECT_FALSE(FileExists(temp_.File(L"setup.exe"))) << "no file is left behind";
        EXPECT_FALSE(dialog.IsRunning());
    }
}

TEST_F(InstallWorker, CancelStopsTheDownloadAndRemovesThePartialFile) {
    HttpRoute route = HttpRoute::Generated(1 << 20);
    route.stallAfterBodyBytes = 64 * 1024;
    server_.SetRoute("/setup.exe", route);
    g_updateInfo.url = server_.Url("/setup.exe");
    CUploadDlg dialog;

    InstallDecision decision;
    std::thread install([&] { decision = DownloadAndDecide(dialog); });
    ASSERT_TRUE(server_.WaitForStall(30000));
    EXPECT_TRUE(dialog.IsRunning());
    dialog.SetRunning(false); // what a confirmed cancel does
    server_.ReleaseStalls();
    install.join();

    EXPECT_TRUE(decision.showFailure);
    EXPECT_EQ(kUpgradeFailed, decision.message);
    EXPECT_EQ(kMinusOne, decision.exitCode);
    EXPECT_FALSE(dialog.IsSucceeded());
    EXPECT_FALSE(FileExists(temp_.File(L"setup.exe")));
}

TEST_F(InstallWorker, QueryAndFragmentDoNotBecomePartOfTheFileName) {
    server_.SetRoute("/get/setup.exe", HttpRoute::Text("MZ setup"));
    g_updateInfo.url = server_.Url("/get/setup.exe?channel=beta#notes");
    CUploadDlg dialog;

    const InstallDecision decision = DownloadAndDecide(dialog);

    EXPECT_TRUE(decision.launchSetup);
    EXPECT_EQ(temp_.File(L"setup.exe"), dialog.SavePath);
    EXPECT_EQ("MZ setup", ReadFileBytes(dialog.SavePath));
}

TEST_F(InstallWorker, WithoutATemporaryDirectoryNothingIsDownloadedAndTheUpgradeFails) {
    server_.SetRoute("/setup.exe", HttpRoute::Text("MZ setup"));
    g_updateInfo.url = server_.Url("/setup.exe");
    const ScopedEnvironmentVariable tooLong(L"TMP", L"C:\\" + std::wstring(1100, L'x'));
    CUploadDlg dialog;

    const InstallDecision decision = DownloadAndDecide(dialog);

    EXPECT_EQ(0u, server_.RequestCount());
    EXPECT_TRUE(decision.showFailure);
    EXPECT_EQ(kUpgradeFailed, decision.message);
    EXPECT_EQ(kMinusOne, decision.exitCode);
    EXPECT_FALSE(dialog.IsRunning());
    EXPECT_FALSE(dialog.IsSucceeded());
}

TEST_F(InstallWorker, LaunchesTheDownloadedSetupThroughTheShell) {
    // A batch file stands in for the setup program: it leaves a mark beside itself.
    server_.SetRoute("/setup.bat",
                     HttpRoute::Text("@echo off\r\necho started>\"%~dp0started.txt\"\r\n"));
    g_updateInfo.url = server_.Url("/setup.bat");
    CUploadDlg dialog;
    InstallDecision decision = DownloadAndDecide(dialog);
    ASSERT_TRUE(decision.launchSetup);

    decision = LaunchSetup(dialog.SavePath, decision.exitCode);

    EXPECT_FALSE(decision.showFailure);
    EXPECT_EQ(0u, decision.exitCode);
    const std::wstring mark = temp_.File(L"started.txt");
    MessagePump pump;
    EXPECT_TRUE(pump.Until([&] { return FileExists(mark); }));
    // Give the batch run time to let go of the file before the folder is removed.
    pump.Until([&] { return ReadFileBytes(mark).find("started") != std::string::npos; });
}

TEST_F(InstallWorker, AFailedLaunchIsAFailure) {
    const InstallDecision decision = LaunchSetup(temp_.File(L"missing.exe"), 0);

    EXPECT_TRUE(decision.showFailure);
    EXPECT_EQ(kUpgradeFailed, decision.message);
    EXPECT_EQ(std::wstring(L"错误"), decision.caption);
    EXPECT_EQ(kMinusOne, decision.exitCode);
}

} // namespace
} // namespace updater
