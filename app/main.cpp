// The updater's entry point: one instance at a time, platform set-up, the run step, teardown.

#include "app/run.h"
#include "app/single_instance.h"
#include "common/unique_handle.h"
#include "framework/app_module.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR commandLine,
                    int showCommand) {
    using namespace updater;
    EnsureSingleInstance();

    CoInitialize(nullptr);
    // Lets the system set up the window manager's per-thread state before any window exists.
    DefWindowProcW(nullptr, WM_NULL, 0, 0);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The offer dialog's text box is a rich-edit 2.0 control.
    UniqueModule richEdit(LoadLibraryW(L"RICHED20.DLL"));
    g_module.Initialize(instance);

    const int result = Run(commandLine, showCommand);

    g_module.Terminate();
    richEdit.reset();
    CoUninitialize();
    return result;
}
