#include "app/run.h"

#include "app/update_check.h"
#include "download/earlier_downloads.h"
#include "download/kept_downloads.h"
#include "download/save_path.h"
#include "framework/app_module.h"
#include "framework/message_loop.h"
#include "framework/window.h"
#include "ui/dialog_captions.h"
#include "ui/main_dlg.h"
#include "update/update_info.h"

#include <string>

namespace updater {
namespace {

constexpr wchar_t kNoticeCaption[] = L"提示";

int ShowResultBox(int result, const std::wstring& report, UniqueOwnedMutex& checkLock,
                  StartupObserver observer) {
    const bool isError = result < -1;
    // A result box does not turn later starts away: they may check as soon as it is up.
    checkLock.reset();
    ReportStep(observer, "message box called");
    MessageBoxW(GetActiveWindow(), report.c_str(), isError ? kErrorBoxCaption : kNoticeCaption,
                MB_OK | (isError ? MB_ICONERROR : MB_ICONINFORMATION));
    return result;
}

int RunOffer(const std::wstring& offerText, int showCommand, UniqueOwnedMutex& checkLock,
             StartupObserver observer) {
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
    // Held until now so that a copy waiting for the lock finds this dialog, brings it forward
    // and ends, rather than checking on its own and offering the same update a second time.
    checkLock.reset();
    const int result = loop.PumpMessages();
    g_module.UnregisterMessageLoop();
    return result;
}

} // namespace

int Run(const LocalConfig& config, int showCommand, UniqueOwnedMutex& checkLock,
        StartupObserver observer) {
    std::wstring temporaryDirectory;
    if (GetTemporaryDirectory(temporaryDirectory)) {
        RemoveEarlierDownloads(temporaryDirectory);
    }
    std::wstring report;
    const int result = CheckForUpdate(config, g_updateInfo, report, observer);
    if (result >= 1) {
        DiscardKeptDownloadsOfOtherUpdates(g_setupRequirements.sha256);
        return RunOffer(report, showCommand, checkLock, observer);
    }
    return ShowResultBox(result, report, checkLock, observer);
}

} // namespace updater
