#include "ui/main_dlg.h"

#include "framework/app_module.h"
#include "ui/about_dlg.h"
#include "ui/install_worker.h"
#include "ui/upload_dlg.h"

#include <richedit.h>

#include <new>

namespace updater {
namespace {

constexpr UINT kUtf16CodePage = 1200;

// The font mapper's default face at its default height, in bold. Kept for the life of the
// process, like the window that uses it.
HFONT CreateHeaderFont() {
    LOGFONTW font{};
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

HICON LoadAppIcon(int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(g_module.GetResourceInstance(), MAKEINTRESOURCEW(IDI_APP),
                                         IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

} // namespace

const MessageMap<CMainDlg> CMainDlg::messageMap = {
    HandleMessage(WM_INITDIALOG, &CMainDlg::OnInitDialog),
    HandleMessage(WM_DESTROY, &CMainDlg::OnDestroy),
    HandleCommand(ID_APP_ABOUT, &CMainDlg::OnAppAbout),
    HandleCommand(IDOK, &CMainDlg::OnOK),
    HandleCommand(IDCANCEL, &CMainDlg::OnCancel),
    HandleCommand(IDC_LINK, &CMainDlg::OnCancel),
};

CMainDlg::CMainDlg() : Link(0), installRoutine_(InstallThreadProc) {}

bool CMainDlg::FilterMessage(MSG* message) {
    return IsDialogMessageW(Handle(), message) != FALSE;
}

bool CMainDlg::HandleIdle() {
    return false;
}

void CMainDlg::SetIcons() {
    // Neither icon is freed: the window shows them until the process ends.
    SendMessageW(Handle(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadAppIcon(SM_CXICON, SM_CYICON)));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadAppIcon(SM_CXSMICON, SM_CYSMICON)));
}

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    CenterOver();
    SetIcons();
    SendDlgItemMessageW(Handle(), IDC_HEADER, WM_SETFONT,
                        reinterpret_cast<WPARAM>(CreateHeaderFont()), TRUE);

    // Set up while its style is still 0, so that the label doubles as the tooltip; only then
    // does it become a command button.
    Link.SubclassControl(GetDlgItem(Handle(), IDC_LINK));
    Link.SetExtendedStyle(CHyperLink::LinkCommandButton);

    const HWND offerText = GetDlgItem(Handle(), IDC_OFFER_TEXT);
    SendMessageW(offerText, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
    // The control's class is the 8-bit one: a plain set-text would pass through the ANSI code
    // page and lose the Chinese text on other systems. Given as UTF-16, it arrives unchanged.
    SETTEXTEX setText{ST_DEFAULT, kUtf16CodePage};
    SendMessageW(offerText, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&setText),
                 reinterpret_cast<LPARAM>(OfferText.c_str()));
    // Setting the text leaves the caret, and the view, at its end: the versions are at the top.
    // A rich-edit box scrolls a moved caret into view.
    SendMessageW(offerText, EM_SETSEL, 0, 0);

    if (CMessageLoop* loop = g_module.FindMessageLoop()) {
        loop->AttachFilter(this);
        loop->AttachIdleHandler(this);
    }
    return TRUE;
}

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, bool&) {
    if (CMessageLoop* loop = g_module.FindMessageLoop()) {
        loop->DetachFilter(this);
        loop->DetachIdleHandler(this);
    }
    return 0;
}

LRESULT CMainDlg::OnAppAbout(WORD, WORD, HWND, bool&) {
    CAboutDlg about;
    about.RunModal(GetActiveWindow(), 0);
    return 0;
}

LRESULT CMainDlg::OnOK(WORD, WORD, HWND, bool&) {
    // Never released: the worker threads use it until the install thread ends the process,
    // also after its window is gone.
    auto* progress = new (std::nothrow) CUploadDlg;
    if (progress == nullptr) {
        return 0; // the offer stays open; the user may try again
    }
    // Without a window the download still runs, only unseen. Shown before the offer is hidden:
    // a start in between would find neither dialog and offer the same update again.
    progress->CreateModeless(nullptr, 0);
    ShowWindow(Handle(), SW_HIDE);
    if (!progress->IsRunning() || !progress->WorkerThread) {
        progress->WorkerThread.reset(
            CreateThread(nullptr, 0, installRoutine_, progress, 0, &progress->WorkerThreadId));
    }
    if (!progress->WorkerThread) {
        // Nothing else would ever end the process, which has no visible way out left: fail as
        // when the install thread cannot start its download thread.
        EndInstall(DecideInstall(WAIT_FAILED, kInstallFailedExitCode, false, false));
    }
    return 0;
}

LRESULT CMainDlg::OnCancel(WORD, WORD id, HWND, bool&) {
    DestroyWindow(Handle());
    PostQuitMessage(id);
    return 0;
}

} // namespace updater
