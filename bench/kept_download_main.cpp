// bench_kept_download <updater.exe> <temporary folder> <fraction>
// Runs updater.exe twice as a user would, with TMP and TEMP at the folder: accepts the offer,
// ends the process (TerminateProcess, as a shutdown or a crash would) once the progress bar
// shows `fraction` of the download, then starts it again, accepts again and waits for it to
// end. Prints one line: "killed_at=<the bar's fraction when it was ended> exit=<the second
// run's exit code>", killed_at=-1 when the first run never got so far. What the second run asked
// the server for is read from the server's log by scripts/bench.
// Exit code 0 when both runs got through, 1 otherwise.

#include "support/child_process.h"
#include "support/window_probe.h"

#include "ui/dialog_captions.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kProgressBarId = 1001;
constexpr DWORD kRunTimeoutMs = 300000;

// Starts the updater and accepts its offer; the progress dialog, or null.
HWND StartAndAccept(testing_support::ChildProcess& updater) {
    const HWND offer = testing_support::WaitForWindow(updater.id(), updater::kOfferDialogCaption);
    if (offer == nullptr) {
        return nullptr;
    }
    testing_support::PressKey(offer, VK_RETURN);
    return testing_support::WaitForWindow(updater.id(), updater::kProgressDialogCaption);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_kept_download <updater.exe> <temporary folder> "
                             "<fraction>\n");
        return 2;
    }
    const double fraction = _wtof(argv[3]);
    double killedAt = -1;
    {
        testing_support::ChildProcess first(argv[1], L"", argv[2], argv[2]);
        const HWND progress = StartAndAccept(first);
        const HWND bar = progress != nullptr ? GetDlgItem(progress, kProgressBarId) : nullptr;
        testing_support::WaitUntil(
            [&] {
                const LRESULT high = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
                const LRESULT position = SendMessageW(bar, PBM_GETPOS, 0, 0);
                killedAt = high > 0 && position >= high * fraction
                               ? static_cast<double>(position) / static_cast<double>(high)
                               : -1;
                return killedAt >= 0 || bar == nullptr;
            },
            kRunTimeoutMs);
        TerminateProcess(first.handle(), 1);
        DWORD code = 0;
        first.WaitForExit(kRunTimeoutMs, code);
    }
    if (killedAt < 0) {
        std::printf("killed_at=-1 exit=-1\n");
        return 1;
    }
    testing_support::ChildProcess second(argv[1], L"", argv[2], argv[2]);
    DWORD code = 0;
    const bool ended = StartAndAccept(second) != nullptr && second.WaitForExit(kRunTimeoutMs, code);
    std::printf("killed_at=%.3f exit=%ld\n", killedAt, ended ? static_cast<long>(code) : -1L);
    return ended && code == 0 ? 0 : 1;
}
