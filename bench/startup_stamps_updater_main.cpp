// bench_updater_stamped: the updater's start-up, step for step as app/main.cpp and app/run.cpp
// take it, with a timestamp after each step (startup_stamps.h). Placed beside a config.ini, it
// ends in the same offer dialog or message box as updater.exe; it is closed the same way.

#include "startup_stamps.h"

#include "app/single_instance.h"
#include "app/update_check.h"
#include "app/update_check_texts.h"
#include "config/local_config.h"
#include "framework/app_module.h"
#include "framework/message_loop.h"
#include "net/http_transfer.h"
#include "ui/main_dlg.h"
#include "update/update_info.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <string>

namespace {

using namespace updater;
using bench::Stamp;

// EvaluateUpdate of app/update_check.cpp, with a stamp after each of its steps.
CheckResult EvaluateStamped(const LocalConfig& config, UpdateInfo& info) {
    Stamp("config.ini read");
    if (config.version.empty() || config.descriptorUrl.empty()) {
        return kCheckConfigIncomplete;
    }
    char* descriptor = nullptr;
    DWORD length = 0;
    const bool fetched =
        HttpGetToMemory(config.descriptorUrl.c_str(), &descriptor, &length, nullptr);
    Stamp(fetched ? "descriptor fetched" : "descriptor fetch failed");
    if (!fetched) {
        return kCheckFetchFailed;
    }
    const HRESULT parsed = info.Parse(descriptor);
    std::free(descriptor);
    Stamp("descriptor parsed");
    if (FAILED(parsed)) {
        return kCheckDescriptorUnusable;
    }
    return info.CompareWithLocal(config.version);
}

int RunOfferStamped(const std::wstring& offerText, int showCommand) {
    CMessageLoop loop;
    g_module.RegisterMessageLoop(&loop);
    CMainDlg offer;
    offer.OfferText = offerText;
    HWND dialog = offer.CreateModeless(nullptr, 0);
    Stamp("offer dialog created");
    if (!dialog) {
        g_module.UnregisterMessageLoop();
        return 0;
    }
    ShowWindow(dialog, showCommand);
    Stamp("offer dialog shown");
    RECT bounds = {};
    GetWindowRect(dialog, &bounds);
    SetWindowPos(dialog, HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    SetForegroundWindow(dialog);
    Stamp("offer dialog topmost and in front");
    const int result = loop.PumpMessages();
    g_module.UnregisterMessageLoop();
    return result;
}

const wchar_t* ResultText(CheckResult result) {
    switch (result) {
    case kCheckConfigIncomplete:
        return check_texts::kConfigIncomplete;
    case kCheckFetchFailed:
        return check_texts::kCannotConnect;
    case kCheckDescriptorUnusable:
        return check_texts::kDescriptorUnusable;
    default:
        return check_texts::kUpToDate;
    }
}

int RunStamped(int showCommand) {
    const LocalConfig config;
    const CheckResult result = EvaluateStamped(config, g_updateInfo);
    if (result >= 1) {
        const std::wstring report = BuildOfferText(config.version, g_updateInfo);
        Stamp("offer text built");
        return RunOfferStamped(report, showCommand);
    }
    Stamp("message box called");
    const bool isError = result < -1;
    MessageBoxW(GetActiveWindow(), ResultText(result), isError ? L"错误" : L"提示",
                MB_OK | (isError ? MB_ICONERROR : MB_ICONINFORMATION));
    return result;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
    Stamp("wWinMain entered");
    EnsureSingleInstance();
    Stamp("single-instance check");
    CoInitialize(nullptr);
    Stamp("CoInitialize");
    DefWindowProcW(nullptr, WM_NULL, 0, 0);
    Stamp("DefWindowProcW(WM_NULL)");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    Stamp("InitCommonControlsEx");
    HMODULE richEdit = LoadLibraryW(L"RICHED20.DLL");
    Stamp("LoadLibraryW(RICHED20.DLL)");
    g_module.Initialize(instance);
    Stamp("module initialised");

    const int result = RunStamped(showCommand);

    g_module.Terminate();
    if (richEdit) {
        FreeLibrary(richEdit);
    }
    CoUninitialize();
    bench::WriteStamps();
    return result;
}
