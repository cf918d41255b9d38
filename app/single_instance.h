#pragma once
// Only one updater is at work at a time.

#include "common/unique_handle.h"

#include <windows.h>

namespace updater {

constexpr int kExitAnotherInstance = 100;

// The progress dialog or, failing that, the offer dialog of a running instance; null when
// neither is open.
HWND FindRunningInstanceDialog();

// Returns when this instance may go on, with the update-check lock it then holds (empty when
// another instance kept it beyond a bound far longer than any check). The lock is to be held
// through the update check and released once its outcome is on screen. While another instance
// holds it, this one waits; then, when that instance shows one of its dialogs, brings the
// dialog to the foreground (not for a `quiet` one, which shows nothing) and ends this process
// with exit code 100; so it does while a quiet update of another instance is at work. An
// instance that shows only a result box, or has ended, does not stop this one. A `quiet` one
// marks itself as a quiet update at work for the rest of its life.
UniqueOwnedMutex EnsureSingleInstance(bool quiet = false);

} // namespace updater
