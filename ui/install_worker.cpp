#include "ui/install_worker.h"

#include "common/unique_handle.h"
#include "log/run_log.h"
#include "ui/dialog_captions.h"
#include "update/setup_check.h"
#include "update/update_info.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

namespace updater {
namespace {

// How long a cancelled download may take to notice the cancel by itself.
constexpr DWORD kCancelGraceMs = 1000;
// The checks of a held file stop at the next block once cancelled; this only bounds a disk that
// no longer answers.
constexpr DWORD kHeldFileGraceMs = 30000;

} // namespace

void EndInstall(const InstallDecision& decision) {
    LogLine(L"exit code " + std::to_wstring(static_cast<int>(decision.exitCode)));
    if (decision.showFailure) {
        MessageBoxW(nullptr, decision.message, decision.caption, decision.boxFlags);
    }
    ExitProcess(decision.exitCode);
}

DWORD WINAPI InstallThreadProc(LPVOID parameter) {
    CUploadDlg& dialog = *static_cast<CUploadDlg*>(parameter);
    bool downloadEnded = false;
    InstallDecision decision = DownloadAndDecide(dialog, downloadEnded);
    if (decision.launchSetup) {
        decision = LaunchSetup(dialog.Download.SavePath(), g_updateInfo.args, decision.exitCode);
    }
    if (!decision.showFailure) {
        dialog.Download.Release(); // the started program's folder, for a later clean-up
    } else if (downloadEnded) {
        dialog.Download.Discard();
    } else {
        dialog.Download.DiscardAbandoned(); // its thread still owns the file
    }
    EndInstall(decision);
}

DWORD WINAPI DownloadThreadProc(LPVOID dialog) {
    // The address is written during the update check, before any worker exists.
    return DownloadSetup(*static_cast<CUploadDlg*>(dialog), g_updateInfo.url);
}

DWORD DownloadSetup(CUploadDlg& dialog, const std::wstring& url) {
    if (!dialog.Download.Prepare(url, g_setupRequirements)) {
        return kDownloadFailedExitCode;
    }
    // Started once the path is there: from then on a cancel may make the install thread read it.
    dialog.SetRunning(true);
    const bool downloaded = dialog.Download.Fetch(url, g_setupRequirements, dialog);
    // A cancel confirmed at any moment up to here wins: nothing is started.
    if (!dialog.Finish(downloaded)) {
        LogLine(L"the download was cancelled by the user");
        dialog.Download.Drop();
        return kDownloadFailedExitCode;
    }
    return downloaded ? kDownloadSucceededExitCode : kDownloadFailedExitCode;
}

InstallDecision DownloadAndDecide(CUploadDlg& dialog, bool& downloadEnded) {
    DWORD exitCode = kInstallFailedExitCode;
    DWORD threadId = 0;
    const UniqueKernelHandle download(
        CreateThread(nullptr, 0, DownloadThreadProc, &dialog, 0, &threadId));
    DWORD waitResult = WAIT_FAILED;
    if (download) {
        const HANDLE events[] = {download.get(), dialog.CancelEvent()};
        waitResult = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    }
    if (waitResult == WAIT_OBJECT_0 + 1) {
        // Cancelled: a flowing download stops at its next chunk, the checks at their next
        // block. A read blocked on a silent server cannot be woken (closing its handle does not
        // end the wait under wine), so such a download is given up and its file deleted. A file
        // that cannot be deleted is held for its checks, which end promptly.
        waitResult = WaitForSingleObject(download.get(), kCancelGraceMs);
        if (waitResult == WAIT_TIMEOUT && !dialog.Download.DiscardAbandoned()) {
            waitResult = WaitForSingleObject(download.get(), kHeldFileGraceMs);
        }
        waitResult = waitResult == WAIT_TIMEOUT ? WAIT_OBJECT_0 : waitResult;
    }
    DWORD threadExitCode = 0;
    if (download && GetExitCodeThread(download.get(), &threadExitCode) &&
        threadExitCode != STILL_ACTIVE) {
        exitCode = threadExitCode;
    }
    downloadEnded = !download || threadExitCode != STILL_ACTIVE;

    ShowWindow(dialog.CreatedWindow, SW_HIDE);
    CloseCancelConfirmation();
    return DecideInstall(waitResult, exitCode, dialog.IsSucceeded(),
                         PathFileExistsW(dialog.Download.SavePath().c_str()) != FALSE);
}

InstallDecision LaunchSetup(const std::wstring& savePath, const std::wstring& arguments,
                            DWORD exitCode) {
    const HINSTANCE launched =
        ShellExecuteW(nullptr, kSetupLaunchVerb, savePath.c_str(),
                      arguments.empty() ? nullptr : arguments.c_str(), nullptr, kSetupShowCommand);
    LogLine(L"start of " + savePath + (arguments.empty() ? L"" : L" " + arguments) +
            L": shell answer " + std::to_wstring(reinterpret_cast<INT_PTR>(launched)) +
            (reinterpret_cast<INT_PTR>(launched) > 32 ? L" (started)" : L" (failed)"));
    return DecideAfterLaunch(launched, exitCode);
}

void CloseCancelConfirmation() {
    // Gathered first: closing a box while walking the window list would end the walk early.
    std::vector<HWND> boxes;
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, nullptr, kCancelConfirmationCaption)) != nullptr) {
        DWORD processId = 0;
        GetWindowThreadProcessId(box, &processId);
        if (processId == GetCurrentProcessId()) {
            boxes.push_back(box);
        }
    }
    for (HWND found : boxes) {
        if (IsWindow(found)) {
            SendMessageW(found, WM_COMMAND, IDCANCEL, 0);
        }
    }
}

} // namespace updater
