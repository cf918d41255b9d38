#pragma once
// The whole update without any window, for administrators and software distribution: the
// check; if a newer version is published, the download into the run's own folder, the same
// checks as ever and the start of the setup program (with the descriptor's <args>). Every
// outcome is an exit code and a story in the log, never a box.

#include "config/local_config.h"

namespace updater {

// The exit code: the check's own below 1 (0 up to date, -1 older, -2, -3, -4); 0 once the
// setup program has started; -1 when the download, a check of the file or its start fails;
// -2 when the answer brought no data.
int RunQuietUpdate(const LocalConfig& config);

} // namespace updater
