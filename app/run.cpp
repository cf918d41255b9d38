#include "app/run.h"

#include "app/update_check.h"
#include "framework/app_module.h"
#include "framework/message_loop.h"
#include "framework/window.h"
#include "ui/dialog_captions.h"
#include "ui/download_folder.h"
#include "ui/main_dlg.h"
#include "ui/save_path.h"
#include "update/update_info.h"

#include <string>

namespace updater {
namespace {

constexpr wchar_t kNoticeCaption[] = L"提示";

int ShowResultBox(int result, const std::wstring& report, StartupObserver observer) {
    const bool isError = result < -1;
    ReportStep(observer, "message box called");
    MessageBoxW(GetActiveWindow(), report.c_str(), isError ? kErrorBoxCaption : kNoticeCaption,
                MB_OK | (isError ? MB_ICONERROR : MB_ICONINFORMATION));
    return result;
}

int RunOffer(const std::wstring& offerText, int showCommand, StartupObserver observer) {
    CMessageLoop loop;
    g_module.RegisterMessageLoop(&loop);
    CMainDlg offer;
    offer.OfferText = offerText;
    HWND dialog = offer.CreateModeless(nullptr, 0);
    ReportStep(observer, "offer dialog created");
    if (!dialog) {
        g_module.UnregisterMessageLoop();
        return 0;
    }
    ShowWindow(dialog, showCommand);
    ReportStep(observer, "offer dialog shown");
    CWindow(dialog).MakeTopmostInPlace(false);
    SetForegroundWindow(dialog);
    ReportStep(observer, "offer dialog topmost and in front");
    const int result = loop.PumpMessages();
    g_module.UnregisterMessageLoop();
    return result;
}

} // namespace

int Run(LPWSTR /*commandLine*/, int showCommand, StartupObserver observer) {
    std::wstring temporaryDirectory;
    if (GetTemporaryDirectory(temporaryDirectory)) {
        RemoveEarlierDownloads(temporaryDirectory);
    }
    std::wstring report;
    const int result = CheckForUpdate(g_updateInfo, report, observer);
    if (result >= 1) {
        return RunOffer(report, showCommand, observer);
    }
    return ShowResultBox(result, report, observer);
}

} // namespace updater
