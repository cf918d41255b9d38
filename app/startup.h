#pragma once
// The updater's whole run, step by step in the order updater.exe takes them: one instance at a
// time, the platform set-up, the run step, the teardown. An optional observer hears the name of
// each step as it ends, so that the benchmark times this code rather than a copy of it.

#include "app/startup_observer.h"

#include <windows.h>

namespace updater {

constexpr int kExitUpdatesDisabled = 3;

// Everything updater.exe does between entering and leaving wWinMain; returns the exit code.
// Ends the process with kExitAnotherInstance instead when another instance shows its dialog.
// The command line may ask for the check alone ("/check") or an update without windows
// ("/quiet"); a policy that turns updates off ends the run at once with kExitUpdatesDisabled.
int RunUpdater(HINSTANCE instance, LPWSTR commandLine, int showCommand,
               StartupObserver observer = nullptr);

} // namespace updater
