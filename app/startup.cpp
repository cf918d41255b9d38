#include "app/startup.h"

#include "app/command_line.h"
#include "app/quiet_update.h"
#include "app/run.h"
#include "app/single_instance.h"
#include "app/update_check.h"
#include "common/unique_handle.h"
#include "config/update_policy.h"
#include "framework/app_module.h"
#include "log/run_log.h"
#include "resources/resource.h"

#include <commctrl.h>
#include <objbase.h>

namespace updater {
namespace {

// What the platform set-up leaves for the teardown.
struct PlatformSetUp {
    UniqueModule richEdit; // null when the library could not be loaded
};

PlatformSetUp SetUpPlatform(HINSTANCE instance, StartupObserver observer) {
    PlatformSetUp setUp;
    CoInitialize(nullptr);
    ReportStep(observer, "CoInitialize");
    // Lets the system set up the window manager's per-thread state before any window exists.
    DefWindowProcW(nullptr, WM_NULL, 0, 0);
    ReportStep(observer, "DefWindowProcW(WM_NULL)");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    ReportStep(observer, "InitCommonControlsEx");
    // The offer dialog's text box is a rich-edit 2.0 control.
    setUp.richEdit.reset(LoadLibraryW(L"RICHED20.DLL"));
    ReportStep(observer, "LoadLibraryW(RICHED20.DLL)");
    g_module.Initialize(instance);
    ReportStep(observer, "module initialised");
    return setUp;
}

// Undoes SetUpPlatform in reverse order.
void TearDownPlatform(PlatformSetUp& setUp) {
    g_module.Terminate();
    setUp.richEdit.reset();
    CoUninitialize();
}

int LoggedExit(int code) {
    LogLine(L"exit code " + std::to_wstring(code));
    return code;
}

} // namespace

int RunUpdater(HINSTANCE instance, LPWSTR commandLine, int showCommand, StartupObserver observer) {
    const RunMode mode = ReadRunMode(commandLine);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    StartRunLog(RunLogPath(std::wstring(exe, wcsrchr(exe, L'\\') ? wcsrchr(exe, L'\\') : exe)));
    LogLine(std::wstring(L"---- updater " UPDATER_VERSION_TEXT L" started (") + exe + L")" +
            (mode == RunMode::CheckOnly ? L", /check"
             : mode == RunMode::Quiet   ? L", /quiet"
                                        : L""));
    LocalConfig config;
    ReportStep(observer, "config.ini read");
    const UpdatePolicy policy = ReadUpdatePolicy(config.product);
    if (policy.updatesDisabled) {
        LogLine(L"updates are turned off by policy (UpdatesDisabled)");
        return LoggedExit(kExitUpdatesDisabled);
    }
    if (!policy.updateUrl.empty()) {
        LogLine(L"descriptor address from policy (UpdateUrl)");
        config.descriptorUrl = policy.updateUrl;
    }
    if (mode == RunMode::CheckOnly) {
        // The check alone: no window, no download, nothing that another instance could mind.
        return LoggedExit(EvaluateUpdate(config, g_updateInfo));
    }
    UniqueOwnedMutex checkLock = EnsureSingleInstance(mode == RunMode::Quiet);
    ReportStep(observer, "single-instance check");
    if (mode == RunMode::Quiet) {
        // Marked as at work from here on: later starts end at once instead of waiting.
        checkLock.reset();
        return LoggedExit(RunQuietUpdate(config));
    }
    PlatformSetUp setUp = SetUpPlatform(instance, observer);
    const int result = Run(config, showCommand, checkLock, observer);
    TearDownPlatform(setUp);
    return LoggedExit(result);
}

} // namespace updater
