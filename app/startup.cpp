#include "app/startup.h"

#include "app/run.h"
#include "app/single_instance.h"
#include "common/unique_handle.h"
#include "framework/app_module.h"

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

} // namespace

int RunUpdater(HINSTANCE instance, LPWSTR commandLine, int showCommand, StartupObserver observer) {
    UniqueOwnedMutex checkLock = EnsureSingleInstance();
    ReportStep(observer, "single-instance check");
    PlatformSetUp setUp = SetUpPlatform(instance, observer);
    const int result = Run(commandLine, showCommand, checkLock, observer);
    TearDownPlatform(setUp);
    return result;
}

} // namespace updater
