#pragma once
// Only one updater is at work at a time.

#include <windows.h>

namespace updater {

constexpr int kExitAnotherInstance = 100;

// The progress dialog or, failing that, the offer dialog of a running instance; null when
// neither is open.
HWND FindRunningInstanceDialog();

// Returns when this instance may go on. When another instance already runs and shows one of
// its dialogs, brings that dialog to the foreground and ends this process with exit code 100.
// An instance that is still checking, or shows a result box, does not stop this one.
void EnsureSingleInstance();

} // namespace updater
