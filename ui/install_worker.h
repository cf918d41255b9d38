#pragma once
// The two worker threads that carry an accepted upgrade to its end: the install thread starts
// the download thread, waits for it, then starts the downloaded setup program or tells the
// user that the upgrade failed, and ends the process with the outcome's exit code.
//
// Only EndInstall ends the process; every step before that is a function of its own.

#include "ui/install_outcome.h"
#include "ui/upload_dlg.h"

#include <windows.h>

#include <string>

namespace updater {

// Exit codes of the download thread.
constexpr DWORD kDownloadSucceededExitCode = 0;
constexpr DWORD kDownloadFailedExitCode = static_cast<DWORD>(-1);

// Thread routines; the parameter is the progress dialog (CUploadDlg*). The install thread
// never returns: it ends the process.
DWORD WINAPI InstallThreadProc(LPVOID dialog);
// Downloads g_updateInfo.url; see DownloadSetup.
DWORD WINAPI DownloadThreadProc(LPVOID dialog);

// Prepares dialog.Download (the run's folder, or the one of a download kept by an earlier run,
// and the save path) for the checks the update check asked for, starts the download (running)
// and fetches `url` with the dialog as progress sink; the file stays held for its start. Then
// finishes the download as succeeded when it arrived and passed its checks, unless a cancel
// came first: a cancelled download leaves no file, a failed one at most a part kept for a
// later run.
// kDownloadSucceededExitCode, or kDownloadFailedExitCode (also when no folder can be made;
// nothing is then downloaded).
DWORD DownloadSetup(CUploadDlg& dialog, const std::wstring& url);

// Runs DownloadThreadProc on a thread of its own and waits for it: without a time limit until
// a cancel, then briefly (a download blocked on a silent server is given up: `downloadEnded`
// false). Hides the progress dialog, closes an open cancel confirmation and decides what
// follows. The progress dialog's thread must keep pumping messages meanwhile.
InstallDecision DownloadAndDecide(CUploadDlg& dialog, bool& downloadEnded);

// Starts the setup program with the shell's "open" verb and `arguments` as its command line,
// and judges the shell's answer.
InstallDecision LaunchSetup(const std::wstring& savePath, const std::wstring& arguments,
                            DWORD exitCode);

// Shows the decision's failure box, if any, and ends the process with its exit code. The
// main thread's loop and both dialogs are left as they are.
[[noreturn]] void EndInstall(const InstallDecision& decision);

// Closes every cancel confirmation box of this process with IDCANCEL, so that its answer
// changes nothing.
void CloseCancelConfirmation();

} // namespace updater
