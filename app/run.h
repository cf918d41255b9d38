#pragma once
// The run step: the update check, then its message box or the offer dialog on the main loop.

#include "app/startup_observer.h"
#include "common/unique_handle.h"
#include "config/local_config.h"

#include <windows.h>

namespace updater {

// Removes the downloads of earlier runs, then runs the check with `config` on the calling
// (main) thread before any window exists. Returns the check's result when it ends in a message
// box, the code the offer dialog's loop quits with, or 0 when the offer dialog cannot be
// created. `checkLock` (see EnsureSingleInstance) is released as soon as the offer dialog or
// the box is on screen. The observer hears the check's steps and the dialog's or the box's.
int Run(const LocalConfig& config, int showCommand, UniqueOwnedMutex& checkLock,
        StartupObserver observer = nullptr);

} // namespace updater
