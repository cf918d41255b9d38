// A cancel the user confirmed ends the run at any moment before the start, and starts nothing.

#include "e2e/updater_driver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

namespace testing_support {
namespace {

// The server holds the download back until released: a confirmed cancel must not wait for it.
TEST(UpdaterEndToEnd, CancelAsksAndOnlyAConfirmedCancelStopsTheDownload) {
    for (const int answer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(answer == IDOK ? "confirmed" : "declined");
        const std::string key =
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(answer);
        OfferRun run(SetupPath() + "?hold=16384&key=" + key);
        ASSERT_NE(nullptr, run.offer);
        HWND progress = run.Accept();
        ASSERT_NE(nullptr, progress);
        EXPECT_TRUE(WaitUntil([&] {
            return SendMessageW(GetDlgItem(progress, kProgressBarId), PBM_GETPOS, 0, 0) > 0;
        })) << "the download is under way";
        CloseFromCaption(progress);
        HWND box = WaitForWindow(run.process->id(), kConfirmCaption);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(L"正在升级！您确定要取消升级吗？", MessageBoxText(box));
        PressButton(box, answer);
        if (answer == IDOK) {
            // Closing again while the cancel takes effect changes nothing.
            CloseFromCaption(progress);
            // Well below the transfer's own time-out: the blocked read is not waited out.
            HWND failed = WaitForWindow(run.process->id(), kError, 8000);
            ASSERT_NE(nullptr, failed) << "the cancel waited for the server";
            // A process that shows only its result box does not keep a new start from updating.
            Installation other;
            other.WriteConfig(Config("/files/none.exe"));
            auto second = other.Start();
            HWND offer = WaitForWindow(second->id(), kOfferCaption);
            EXPECT_NE(nullptr, offer) << "the second start was refused";
            PressKey(offer, VK_ESCAPE);
            EXPECT_EQ(2u, ExitCodeOf(*second));
            EXPECT_EQ(kUpgradeFailed, MessageBoxText(failed));
            PressButton(failed, IDOK);
        } else {
            Fetch("/release/" + key);
        }
        EXPECT_EQ(answer == IDOK ? static_cast<DWORD>(-1) : 0u, ExitCodeOf(*run.process));
        EXPECT_EQ(answer != IDOK, !run.app.Saved(run.setupPath).empty());
        Fetch("/release/" + key);
    }
}

// The server sends a large setup program at once (the program, then 1 GiB of zeros that its
// loader ignores); its checksum takes seconds to check once the bar is full. A cancel
// confirmed then wins: nothing is started, nothing is left.
TEST(UpdaterEndToEnd, ACancelConfirmedWhileTheSetupProgramIsCheckedStartsNothing) {
    const std::string setup = Publish("setup_large.exe", SetupProgram(), 1ULL << 30);
    updater::Sha256Digest digest{};
    ASSERT_TRUE(updater::Sha256File(PublishedFile(setup), digest));
    Installation app;
    app.WriteConfig(CheckedConfig(ServerUrl(setup), Sha256Hex(digest)));
    auto process = app.Start();
    const HWND progress = AcceptOffer(*process);
    ASSERT_NE(nullptr, progress);
    ASSERT_TRUE(WaitForBar(progress, 1)) << "the download did not complete";
    CloseFromCaption(progress);
    HWND box = WaitForWindow(process->id(), kConfirmCaption);
    ASSERT_NE(nullptr, box) << "the check ended before the cancel could be confirmed";
    PressButton(box, IDOK);
    AnswerBox(*process, kError, kUpgradeFailed);
    EXPECT_EQ(static_cast<DWORD>(-1), ExitCodeOf(*process));
    EXPECT_TRUE(app.FilesInTemp().empty()) << "the run left a file in TEMP";
    DeleteFileW(PublishedFile(setup).c_str());
}

} // namespace
} // namespace testing_support
