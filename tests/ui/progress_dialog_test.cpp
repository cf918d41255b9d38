// The progress dialog as the download thread drives it: texts, the bar, the minimise button.

#include "resources/resource.h"
#include "support/gui.h"
#include "support/window_probe.h"
#include "ui/about_dlg.h"
#include "ui/upload_dlg.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace updater {
namespace {

using testing_support::PumpUntil;
using testing_support::WindowText;

class ProgressDialog : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, dialog_.CreateModeless(nullptr, 0)); }
    void TearDown() override { DestroyWindow(dialog_.CreatedWindow); }

    // Reports from a thread of its own, as the download thread does, while this one serves
    // the bar.
    void Report(ULONGLONG position, ULONGLONG total, ULONGLONG step = 0) {
        std::atomic<bool> done{false};
        std::thread reporter([&] {
            for (ULONGLONG at = step ? step : position; at <= position; at += step ? step : 1) {
                dialog_.OnPositionChanged(at, total);
            }
            done = true;
        });
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
        reporter.join();
        MSG message{}; // what the bar was told is already queued
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    LRESULT Bar(UINT message, WPARAM wParam = 0) {
        return SendMessageW(dialog_.ProgressBar, message, wParam, 0);
    }
    std::wstring Line() {
        return testing_support::ControlText(dialog_.CreatedWindow, IDC_PROGRESS_TEXT);
    }

    CUploadDlg dialog_;
};

TEST_F(ProgressDialog, ShowsItsTextsTopmostInTheMiddleOfTheWorkArea) {
    EXPECT_EQ(L"正在升级，请稍候......", WindowText(dialog_.CreatedWindow));
    EXPECT_EQ(L"正在升级，请稍候......",
              testing_support::ControlText(dialog_.CreatedWindow, IDC_HEADER));
    EXPECT_EQ(L"最小化", testing_support::ControlText(dialog_.CreatedWindow, IDOK));
    EXPECT_EQ(L"已下载 0 B", Line());
    EXPECT_TRUE(GetWindowLongPtrW(dialog_.CreatedWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT area{}, frame{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(dialog_.CreatedWindow, &frame);
    EXPECT_NEAR((area.left + area.right) / 2, (frame.left + frame.right) / 2, 1);
    EXPECT_NEAR((area.top + area.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
}

// Every report below either changes the range or is the last of a download, so none of them
// may be held back by the bar's repaint limit.
// Sizes beyond 2 GiB and 4 GiB show their true fraction too.
TEST_F(ProgressDialog, BarAndLineShowTheReportedFractionOfTheTotal) {
    struct Case {
        ULONGLONG position, total;
    };
    const Case cases[] = {
        {50, 100},
        {100, 100},
        {8192, 1048576},
        {3 << 20, 3ULL << 30},
        {3 << 20, 5ULL << 30},
        {(5ULL << 30) - 1, (5ULL << 30) + 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << " of " << c.total);
        Report(c.position, c.total);
        const double high = static_cast<double>(Bar(PBM_GETRANGE, FALSE));
        EXPECT_NEAR(static_cast<double>(c.position) / c.total, Bar(PBM_GETPOS) / high, 1e-8);
        if (c.total <= 0x7FFFFFFF) {
            EXPECT_EQ(c.total, high) << "a size that fits the bar is counted in bytes";
        }
    }
    // A burst of reports (a fast download) reaches the bar a few dozen times a second at most,
    // and ends with the bar at the final position.
    static LONG positionsShown = 0;
    static WNDPROC barProcedure = nullptr;
    barProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        dialog_.ProgressBar, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
            positionsShown += message == PBM_SETPOS;
            return CallWindowProcW(barProcedure, bar, message, wParam, lParam);
        })));
    const ULONGLONG start = GetTickCount64();
    Report(64 << 20, 64 << 20, 8192);
    EXPECT_LE(positionsShown, static_cast<LONG>((GetTickCount64() - start) / 40 + 3));
    EXPECT_EQ(64 << 20, Bar(PBM_GETPOS));
    EXPECT_EQ(0u, Line().find(L"已下载 64.0 MB / 64.0 MB")) << "the last report reaches the line";
    // Beyond the total (no Content-Length): not a full bar, a moving one, and a line without
    // a total once the download has ended.
    Report(8192 * 3, 8192, 8192);
    EXPECT_TRUE(GetWindowLongPtrW(dialog_.ProgressBar, GWL_STYLE) & PBS_MARQUEE);
    dialog_.OnStateChanged(kTransferDone, nullptr);
    EXPECT_EQ(L"已下载 24.0 KB", Line().substr(0, Line().find(L'，')));
}

TEST_F(ProgressDialog, MinimiseButtonMinimisesWhileTheDownloadGoesOn) {
    dialog_.SetRunning(true);
    SendMessageW(GetDlgItem(dialog_.CreatedWindow, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(dialog_.CreatedWindow) != FALSE; }));
    EXPECT_FALSE(dialog_.IsAborted());
}

TEST(AboutDialog, ShowsTheProgramsNameAndIcon) {
    CAboutDlg about;
    const HWND window = about.CreateModeless(nullptr, 0);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(L"About", WindowText(window));
    bool name = false, icon = false;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        name = name || WindowText(child) == L"Updater\nVersion 1.0";
        icon = icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
    }
    EXPECT_TRUE(name);
    EXPECT_TRUE(icon);
    DestroyWindow(window);
}

} // namespace
} // namespace updater
