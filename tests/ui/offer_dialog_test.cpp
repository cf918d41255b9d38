// The offer dialog on this thread's registered message loop, as start-up shows it.

#include "box_answerer.h"
#include "message_pump.h"
#include "resources/resource.h"
#include "ui/dialog_captions.h"
#include "ui/main_dlg.h"
#include "ui/upload_dlg.h"

#include "framework/app_module.h"

#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

namespace updater {
namespace {

using ui_testing::BoxAnswerer;
using ui_testing::FindOwnDialog;
using ui_testing::MessagePump;

const std::wstring kOfferText =
    L"当前版本：1.0.0.1\r\n\r\n最新版本：1.0.0.2\r\n文件大小：3.2 MB\r\n"
    L"更新描述：\r\n修复了若干问题\r\nB\r\n\r\n";

// Stands in for the install thread: records the progress dialog it was given.
std::atomic<CUploadDlg*> g_startedWith{nullptr};
std::atomic<int> g_installStarts{0};

DWORD WINAPI RecordInstallStart(LPVOID dialog) {
    g_startedWith = static_cast<CUploadDlg*>(dialog);
    ++g_installStarts;
    return 0;
}

std::wstring RichEditText(HWND control) {
    wchar_t text[1024] = {};
    GETTEXTEX request{};
    request.cb = sizeof(text);
    request.flags = GT_USECRLF;
    request.codepage = 1200; // UTF-16
    const LRESULT length = SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                        reinterpret_cast<LPARAM>(text));
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

LONG FontWeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfWeight;
}

class OfferDialog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(g_module.RegisterMessageLoop(&loop_));
        Open();
    }

    void TearDown() override {
        Close();
        g_module.UnregisterMessageLoop();
    }

    // Creates and shows a fresh dialog as start-up does.
    void Open() {
        g_startedWith = nullptr;
        g_installStarts = 0;
        pump_ = std::make_unique<MessagePump>(&loop_);
        dialog_ = std::make_unique<CMainDlg>();
        dialog_->OfferText = kOfferText;
        dialog_->SetInstallRoutine(RecordInstallStart);
        window_ = dialog_->CreateModeless(nullptr, 0);
        ASSERT_NE(nullptr, window_);
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
        Settle();
    }

    // Destroys every window the test made, and the progress dialog an accept made.
    void Close() {
        if (IsWindow(window_)) {
            DestroyWindow(window_);
        }
        if (CUploadDlg* progress = g_startedWith.exchange(nullptr)) {
            DestroyWindow(progress->CreatedWindow);
            delete progress;
        }
        pump_->Drain();
        dialog_.reset();
    }

    // Serves queued work (painting, activation) for a moment.
    void Settle() {
        pump_->Until([] { return false; }, 200);
    }

    HWND Item(int id) const { return GetDlgItem(window_, id); }

    CMessageLoop loop_;
    std::unique_ptr<MessagePump> pump_;
    std::unique_ptr<CMainDlg> dialog_;
    HWND window_ = nullptr;
};

TEST_F(OfferDialog, ShowsTheOfferUnderItsCaptionAndHeader) {
    EXPECT_EQ(std::wstring(kOfferDialogCaption), WindowText(window_));
    EXPECT_EQ(L"发现新版本！是否立即升级？", WindowText(Item(IDC_HEADER)));
    EXPECT_EQ(FW_BOLD, FontWeight(Item(IDC_HEADER)));
    EXPECT_EQ(L"立即升级", WindowText(Item(IDOK)));
    EXPECT_EQ(L"暂不升级", WindowText(Item(IDC_LINK)));
    EXPECT_EQ(kOfferText, RichEditText(Item(IDC_OFFER_TEXT)));
    EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(OfferDialog, OfferTextCannotBeEdited) {
    const HWND text = Item(IDC_OFFER_TEXT);
    EXPECT_TRUE(GetWindowLongPtrW(text, GWL_STYLE) & ES_READONLY);
    SetFocus(text);
    PostMessageW(text, WM_CHAR, L'x', 0);
    PostMessageW(text, WM_KEYDOWN, VK_DELETE, 0);
    PostMessageW(text, WM_KEYDOWN, VK_BACK, 0);
    Settle();
    EXPECT_EQ(kOfferText, RichEditText(text));
}

TEST_F(OfferDialog, LinkIsDrawnAsALinkWithItsOwnTooltip) {
    ASSERT_EQ(Item(IDC_LINK), dialog_->Link.Handle());
    EXPECT_EQ(CHyperLink::LinkCommandButton, dialog_->Link.ExtendedStyle());
    ASSERT_TRUE(dialog_->Link.LinkTarget().has_value());
    EXPECT_EQ(L"暂不升级", *dialog_->Link.LinkTarget());
    EXPECT_NE(nullptr, dialog_->Link.Tooltip());
}

TEST_F(OfferDialog, InitialFocusIsOnUpgradeNow) {
    EXPECT_EQ(Item(IDOK), GetFocus());
}

TEST_F(OfferDialog, EnterStartsTheUpgradeOnce) {
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(GetFocus(), WM_KEYUP, VK_RETURN, 0);
    ASSERT_TRUE(pump_->Until([] { return g_installStarts > 0; }));
    Settle();

    EXPECT_EQ(1, g_installStarts);
    EXPECT_TRUE(IsWindow(window_)) << "accepting hides the offer, it does not destroy it";
    EXPECT_FALSE(IsWindowVisible(window_));
    CUploadDlg* progress = g_startedWith;
    ASSERT_NE(nullptr, progress);
    EXPECT_EQ(FindOwnDialog(kProgressDialogCaption), progress->Handle());
    EXPECT_TRUE(IsWindowVisible(progress->Handle()));
    EXPECT_TRUE(progress->WorkerThread);
    EXPECT_FALSE(pump_->QuitCode());
}

TEST_F(OfferDialog, DecliningDestroysTheDialogAndQuitsWithTheCommandId) {
    struct Case {
        const char* action;
        int expectedCode;
        void (*act)(HWND dialog, const CHyperLink& link);
    };
    const Case cases[] = {
        {"Esc", IDCANCEL,
         [](HWND, const CHyperLink&) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", IDCANCEL,
         [](HWND dialog, const CHyperLink&) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"click on the link", IDC_LINK,
         [](HWND, const CHyperLink& link) {
             const RECT r = link.LinkRect();
             const LPARAM inside = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
             PostMessageW(link.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, inside);
             PostMessageW(link.Handle(), WM_LBUTTONUP, 0, inside);
         }},
        {"space on the link", IDC_LINK,
         [](HWND, const CHyperLink& link) {
             SetFocus(link.Handle());
             PostMessageW(link.Handle(), WM_CHAR, VK_SPACE, 0);
         }},
        {"command 1003", IDC_LINK,
         [](HWND dialog, const CHyperLink&) {
             PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LINK, BN_CLICKED), 0);
         }},
        {"command 1003, other notification", IDC_LINK,
         [](HWND dialog, const CHyperLink&) {
             PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LINK, EN_CHANGE), 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        Close();
        Open();
        c.act(window_, dialog_->Link);
        pump_->Until([] { return false; });
        EXPECT_EQ(c.expectedCode, pump_->QuitCode().value_or(-1));
        EXPECT_FALSE(IsWindow(window_));
        EXPECT_EQ(nullptr, dialog_->Handle());
        EXPECT_EQ(0, g_installStarts);
    }
}

TEST_F(OfferDialog, AboutCommandOpensTheAboutBoxModallyAndLeavesTheOfferAsItWas) {
    RECT offer{};
    GetWindowRect(window_, &offer);
    bool offerDisabledMeanwhile = false;
    RECT about{};
    const HWND offerWindow = window_;
    BoxAnswerer answerer(L"About", IDOK, [&](HWND box) {
        offerDisabledMeanwhile = !IsWindowEnabled(offerWindow);
        GetWindowRect(box, &about);
    });
    PostMessageW(window_, WM_COMMAND, ID_APP_ABOUT, 0);
    ASSERT_TRUE(pump_->Until([&] { return answerer.Finished(); }));

    ASSERT_TRUE(answerer.Found());
    EXPECT_EQ(window_, answerer.Owner());
    EXPECT_TRUE(offerDisabledMeanwhile) << "the box is modal over the offer";
    EXPECT_NEAR((offer.left + offer.right) / 2, (about.left + about.right) / 2, 1);
    EXPECT_NEAR((offer.top + offer.bottom) / 2, (about.top + about.bottom) / 2, 1);
    EXPECT_TRUE(answerer.ShowsText(L"OK"));

    ASSERT_TRUE(pump_->Until([] { return FindOwnDialog(L"About") == nullptr; }));
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_TRUE(IsWindowEnabled(window_));
    EXPECT_EQ(kOfferText, RichEditText(Item(IDC_OFFER_TEXT)));
    EXPECT_FALSE(pump_->QuitCode());
    EXPECT_EQ(0, g_installStarts);
}

} // namespace
} // namespace updater
