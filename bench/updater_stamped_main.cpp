// bench_updater_stamped: updater.exe's own run (app/startup.h) with a timestamp after each of its
// steps (startup_stamps.h). Placed beside a config.ini, it ends in the same offer dialog or
// message box as updater.exe and is closed the same way.

#include "startup_stamps.h"

#include "app/startup.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    bench::Stamp("wWinMain entered");
    const int result = updater::RunUpdater(instance, commandLine, showCommand, bench::Stamp);
    bench::WriteStamps();
    return result;
}
