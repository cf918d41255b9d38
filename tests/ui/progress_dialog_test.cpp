// The progress dialog: what it shows, how the bar follows the download thread's reports, and
// how a close request is confirmed.

#include "box_answerer.h"
#include "message_pump.h"
#include "resources/resource.h"
#include "ui/dialog_captions.h"
#include "ui/install_worker.h"
#include "ui/upload_dlg.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace updater {
namespace {

using ui_testing::BoxAnswerer;
using ui_testing::FindOwnDialog;
using ui_testing::MessagePump;

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

class ProgressDialog : public testing::Test {
protected:
    void SetUp() override {
        dialog_ = new CUploadDlg;
        window_ = dialog_->CreateModeless(nullptr, 0);
        ASSERT_NE(nullptr, window_);
        Settle();
    }

    void TearDown() override {
        if (IsWindow(window_)) {
            DestroyWindow(window_);
        }
        pump_.Drain();
        delete dialog_; // the program never does: its workers may outlive the window
    }

    void Settle() {
        pump_.Until([] { return false; }, 200);
    }

    // Reports progress from a thread of its own, as the download thread does, while this
    // thread serves the bar.
    // Waits first: the bar takes a new position at most 20 times a second.
    void ReportFromAnotherThread(DWORD position, DWORD total) {
        Sleep(100);
        std::atomic<bool> done{false};
        std::thread reporter([&] {
            dialog_->OnPositionChanged(position, total);
            done = true;
        });
        pump_.Until([&] { return done.load(); });
        reporter.join();
    }

    // Asks to close the dialog as its close box does.
    void RequestClose() { PostMessageW(window_, WM_CLOSE, 0, 0); }

    HWND Item(int id) const { return GetDlgItem(window_, id); }

    MessagePump pump_;
    CUploadDlg* dialog_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(ProgressDialog, ShowsItsTextsCentredAndTopmost) {
    EXPECT_EQ(std::wstring(kProgressDialogCaption), WindowText(window_));
    EXPECT_EQ(L"正在升级，请稍候......", WindowText(Item(IDC_HEADER)));
    EXPECT_EQ(L"最小化", WindowText(Item(IDOK)));
    EXPECT_EQ(Item(IDC_PROGRESS_BAR), dialog_->ProgressBar);
    EXPECT_EQ(window_, dialog_->CreatedWindow);

    LOGFONTW header{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(IDC_HEADER), WM_GETFONT, 0, 0)),
               sizeof(header), &header);
    EXPECT_EQ(FW_BOLD, header.lfWeight);

    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_TRUE(GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT frame{};
    GetWindowRect(window_, &frame);
    EXPECT_NEAR((area.left + area.right) / 2, (frame.left + frame.right) / 2, 1);
    EXPECT_NEAR((area.top + area.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
    EXPECT_FALSE(dialog_->IsRunning());
    EXPECT_FALSE(dialog_->IsSucceeded());
}

TEST_F(ProgressDialog, BarFollowsTheReportedPositionAndTotal) {
    struct Case {
        DWORD position;
        DWORD total;
        int expectedHigh;
        int expectedPosition;
    };
    const Case cases[] = {
        {0, 100, 100, 0},
        {50, 100, 100, 50},
        {100, 100, 100, 100},
        {150, 100, 100, 100}, // above the total: clamped, the bar shows full
        {0, 0, 0, 0},         // nothing announced: range 0 to 0
        {8192, 1048576, 1048576, 8192},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.position << " of " << c.total);
        ReportFromAnotherThread(c.position, c.total);
        PBRANGE range{};
        SendMessageW(dialog_->ProgressBar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        EXPECT_EQ(0, range.iLow);
        EXPECT_EQ(c.expectedHigh, range.iHigh);
        EXPECT_EQ(c.expectedPosition, SendMessageW(dialog_->ProgressBar, PBM_GETPOS, 0, 0));
    }
}

TEST_F(ProgressDialog, BurstOfReportsEndsWithTheBarAtTheFinalPosition) {
    constexpr DWORD kTotal = 64 * 1024 * 1024;
    std::atomic<bool> done{false};
    std::thread reporter([&] {
        for (DWORD position = 8192; position <= kTotal; position += 8192) {
            dialog_->OnPositionChanged(position, kTotal);
        }
        done = true;
    });
    pump_.Until([&] { return done.load(); });
    reporter.join();
    EXPECT_EQ(static_cast<LRESULT>(kTotal), SendMessageW(dialog_->ProgressBar, PBM_GETPOS, 0, 0));
}

TEST_F(ProgressDialog, MinimiseButtonMinimisesWhileTheDownloadGoesOn) {
    dialog_->SetRunning(true);
    SendMessageW(Item(IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump_.Until([&] { return IsIconic(window_) != FALSE; }));

    ReportFromAnotherThread(30, 100);
    EXPECT_EQ(30, SendMessageW(dialog_->ProgressBar, PBM_GETPOS, 0, 0));
    EXPECT_TRUE(dialog_->IsRunning());
    EXPECT_FALSE(dialog_->IsAborted());
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(ProgressDialog, CloseWhileNotRunningDestroysTheWindowWithoutAQuestion) {
    // Closes a confirmation, should one appear, so that the test cannot hang in it.
    std::atomic<bool> asked{false};
    std::atomic<bool> stop{false};
    std::thread watch([&] {
        while (!stop) {
            if (FindOwnDialog(kCancelConfirmationCaption) != nullptr) {
                asked = true;
                CloseCancelConfirmation();
            }
            Sleep(20);
        }
    });
    RequestClose();
    const bool destroyed = pump_.Until([&] { return !IsWindow(window_); });
    stop = true;
    watch.join();

    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(asked);
    // The object outlives its window, for the workers that still use it.
    EXPECT_EQ(nullptr, dialog_->Handle());
    dialog_->OnPositionChanged(10, 20); // the bar is gone: nothing happens
    dialog_->SetRunning(true);
    EXPECT_FALSE(dialog_->IsAborted());
    dialog_->SetRunning(false);
    EXPECT_TRUE(dialog_->IsAborted());
}

TEST_F(ProgressDialog, CloseWhileRunningAsksAndOnlyAConfirmationBeforeSuccessStops) {
    struct Case {
        const char* answer;
        int button;               // 0: the install thread closes the box instead
        bool succeedsWhileAsking; // the download ends successfully before the answer
        bool expectRunning;
    };
    const Case cases[] = {
        {"OK", IDOK, false, false},
        {"Cancel", IDCANCEL, false, true},
        {"OK after success", IDOK, true, true},
        {"closed when the download ended", 0, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        dialog_->SetRunning(true);
        dialog_->SetSucceeded(false);
        BoxAnswerer answerer(kCancelConfirmationCaption, c.button, [&](HWND) {
            if (c.succeedsWhileAsking) {
                dialog_->SetSucceeded(true);
            }
            if (c.button == 0) {
                CloseCancelConfirmation();
            }
        });
        RequestClose();
        ASSERT_TRUE(pump_.Until([&] { return answerer.Finished(); }));
        ASSERT_TRUE(
            pump_.Until([] { return FindOwnDialog(kCancelConfirmationCaption) == nullptr; }));

        ASSERT_TRUE(answerer.Found());
        EXPECT_EQ(window_, answerer.Owner());
        EXPECT_TRUE(answerer.ShowsText(L"正在升级！您确定要取消升级吗？"));
        EXPECT_EQ(c.expectRunning, dialog_->IsRunning());
        EXPECT_EQ(!c.expectRunning, dialog_->IsAborted());
        EXPECT_TRUE(IsWindow(window_)) << "a confirmed cancel leaves the window to the workers";
    }
}

} // namespace
} // namespace updater
