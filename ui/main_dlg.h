#pragma once
// The offer dialog: shows the installed and the latest version, the size and the description
// of the new version, and lets the user upgrade now ("立即升级") or decline ("暂不升级").
//
// Modeless on the main thread, whose message loop must be registered before the window is
// created: the dialog attaches itself to it as message filter (for its keyboard handling) and
// idle handler. Declining destroys the window and posts the quit message with the command id
// (2 for Esc and the close box, 1003 for the link). Accepting hides it for good, opens the
// progress dialog and starts the install thread, which ends the process.

#include "framework/dialog_impl.h"
#include "framework/hyperlink.h"
#include "framework/message_loop.h"
#include "resources/resource.h"

#include <windows.h>

#include <string>

namespace updater {

class CMainDlg : public CDialogImpl<CMainDlg>, public CMessageFilter, public CIdleHandler {
public:
    static constexpr UINT DialogTemplateId = IDD_OFFER;
    static const MessageMap<CMainDlg> messageMap;

    CMainDlg();

    bool FilterMessage(MSG* message) override;
    bool HandleIdle() override;

    // The routine the accept handler starts with the new progress dialog as its parameter;
    // InstallThreadProc unless replaced (tools and tests that must not end the process).
    void SetInstallRoutine(LPTHREAD_START_ROUTINE routine) { installRoutine_ = routine; }

    CHyperLink Link;        // takes over the static "暂不升级"
    std::wstring OfferText; // set before the window is created

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnAppAbout(WORD, WORD, HWND, bool& handled);
    LRESULT OnOK(WORD, WORD, HWND, bool& handled);
    LRESULT OnCancel(WORD, WORD id, HWND, bool& handled);

    void SetIcons();

    LPTHREAD_START_ROUTINE installRoutine_;
};

} // namespace updater
