#pragma once
// The switches for administrators and scripts. Without them the updater runs as it always has;
// any other argument has no effect.

namespace updater {

enum class RunMode {
    Interactive, // the check, then a result box or the offer dialog
    CheckOnly,   // "/check": the check alone, no window, its result as the exit code
    Quiet,       // "/quiet": the whole update without any window
};

// "/check" or "-check", "/quiet" or "-quiet", in any case, anywhere on the command line (which
// holds the arguments only, as wWinMain receives it). "/check" wins when both are given: it
// never downloads anything.
RunMode ReadRunMode(const wchar_t* commandLine);

} // namespace updater
