#include "ui/install_worker.h"

#include "common/unique_handle.h"
#include "net/http_transfer.h"
#include "ui/dialog_captions.h"
#include "ui/save_path.h"
#include "update/setup_check.h"
#include "update/update_info.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

namespace updater {
namespace {

// How long a cancelled download may take to notice the cancel by itself.
constexpr DWORD kCancelGraceMs = 1000;

} // namespace

void EndInstall(const InstallDecision& decision) {
    if (decision.showFailure) {
        MessageBoxW(nullptr, decision.message, decision.caption, decision.boxFlags);
    }
    ExitProcess(decision.exitCode);
}

DWORD WINAPI InstallThreadProc(LPVOID dialog) {
    InstallDecision decision = DownloadAndDecide(*static_cast<CUploadDlg*>(dialog));
    if (decision.launchSetup) {
        decision = LaunchSetup(static_cast<CUploadDlg*>(dialog)->SavePath, decision.exitCode);
    }
    EndInstall(decision);
}

DWORD WINAPI DownloadThreadProc(LPVOID dialog) {
    // The address is written during the update check, before any worker exists.
    return DownloadSetup(*static_cast<CUploadDlg*>(dialog), g_updateInfo.url);
}

DWORD DownloadSetup(CUploadDlg& dialog, const std::wstring& url) {
    dialog.SetSucceeded(false);
    std::wstring temporaryDirectory;
    if (!GetTemporaryDirectory(temporaryDirectory)) {
        return kDownloadFailedExitCode;
    }
    // Stored before the flag is set: from then on a cancel may make the install thread read it.
    dialog.SavePath = BuildSavePath(temporaryDirectory, url);
    dialog.SetRunning(true);
    bool downloaded = HttpGetToFile(url.c_str(), dialog.SavePath.c_str(), &dialog);
    // What fails its checksum or the vendor's signature is never started, nor left behind.
    if (downloaded && !CheckSetupFile(g_setupRequirements, dialog.SavePath).empty()) {
        DeleteFileW(dialog.SavePath.c_str());
        downloaded = false;
    }
    // Cleared first, so that a cancel confirmed from now on finds the download finished.
    dialog.SetRunning(false);
    if (!downloaded) {
        return kDownloadFailedExitCode;
    }
    dialog.SetSucceeded(true);
    return kDownloadSucceededExitCode;
}

InstallDecision DownloadAndDecide(CUploadDlg& dialog) {
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
        // Cancelled: a flowing download stops at its next chunk. A read blocked on a silent
        // server cannot be woken (closing its handle does not end the wait under wine), so the
        // download is left behind; its file, opened for shared deletion, goes now or when its
        // handle closes, at the latest when the process ends.
        waitResult = WaitForSingleObject(download.get(), kCancelGraceMs);
        if (waitResult == WAIT_TIMEOUT) {
            waitResult = WAIT_OBJECT_0;
            DeleteFileW(dialog.SavePath.c_str());
        }
    }
    DWORD threadExitCode = 0;
    if (download && GetExitCodeThread(download.get(), &threadExitCode) &&
        threadExitCode != STILL_ACTIVE) {
        exitCode = threadExitCode;
    }

    ShowWindow(dialog.CreatedWindow, SW_HIDE);
    CloseCancelConfirmation();
    return DecideInstall(waitResult, exitCode, dialog.IsSucceeded(),
                         PathFileExistsW(dialog.SavePath.c_str()) != FALSE);
}

InstallDecision LaunchSetup(const std::wstring& savePath, DWORD exitCode) {
    const InstallDecision decision =
        DecideAfterLaunch(ShellExecuteW(nullptr, kSetupLaunchVerb, savePath.c_str(), nullptr,
                                        nullptr, kSetupShowCommand),
                          exitCode);
    // What could not be started (an error page saved under the setup program's name, say) is
    // not left behind, like any other failed download.
    if (decision.showFailure) {
        DeleteFileW(savePath.c_str());
    }
    return decision;
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
