#include "ui/about_dlg.h"

namespace updater {

const MessageMap<CAboutDlg> CAboutDlg::messageMap = {
    HandleMessage(WM_INITDIALOG, &CAboutDlg::OnInitDialog),
    HandleCommand(IDOK, &CAboutDlg::OnClose),
    HandleCommand(IDCANCEL, &CAboutDlg::OnClose),
};

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, bool&) {
    CenterOver(GetParent(Handle()));
    return TRUE;
}

LRESULT CAboutDlg::OnClose(WORD, WORD id, HWND, bool&) {
    EndDialog(Handle(), id);
    return 0;
}

} // namespace updater
