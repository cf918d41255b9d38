#pragma once
// The About box: the application's icon, name and version, centred over its owner.

#include "framework/dialog_impl.h"
#include "resources/resource.h"

#include <windows.h>

namespace updater {

class CAboutDlg : public CDialogImpl<CAboutDlg> {
public:
    static constexpr UINT DialogTemplateId = IDD_ABOUT;
    static const MessageMap<CAboutDlg> messageMap;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, bool& handled);
    // OK and Cancel end the box with their own identifier.
    LRESULT OnClose(WORD, WORD id, HWND, bool& handled);
};

} // namespace updater
