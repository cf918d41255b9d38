#include "ui/install_worker.h"

#include "common/unique_handle.h"
#include "net/http_transfer.h"
#include "ui/dialog_captions.h"
#include "ui/download_folder.h"
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

DWORD WINAPI InstallThreadProc(LPVOID parameter) {
    CUploadDlg& dialog = *static_cast<CUploadDlg*>(parameter);
    InstallDecision decision = DownloadAndDecide(dialog);
    if (decision.launchSetup) {
        decision = LaunchSetup(dialog.SavePath, decision.exitCode);
    }
    dialog.HeldSetup.reset();
    if (decision.showFailure) {
        DiscardDownload(dialog.SavePath);
    }
    EndInstall(decision);
}

DWORD WINAPI DownloadThreadProc(LPVOID dialog) {
    // The address is written during the update check, before any worker exists.
    return DownloadSetup(*static_cast<CUploadDlg*>(dialog), g_updateInfo.url);
}

DWORD DownloadSetup(CUploadDlg& dialog, const std::wstring& url) {
    dialog.SetSucceeded(false);
    std::wstring temporaryDirectory, folder;
    if (!GetTemporaryDirectory(temporaryDirectory) ||
        !CreateDownloadFolder(temporaryDirectory, folder)) {
        return kDownloadFailedExitCode;
    }
    // Stored before the flag is set: from then on a cancel may make the install thread read it.
    dialog.SavePath = BuildSavePath(folder, url);
    dialog.SetRunning(true);
    // Held from before its checks until it has been started: what is checked is what starts.
    bool downloaded =
        HttpGetToFile(url.c_str(), dialog.SavePath.c_str(), &dialog, &dialog.HeldSetup);
    // What fails its checksum or the vendor's signature is never started, nor left behind.
    if (downloaded && dialog.HeldSetup &&
        !CheckOpenSetupFile(g_setupRequirements, dialog.HeldSetup.get()).empty()) {
        downloaded = false;
    }
    if (!downloaded || !dialog.HeldSetup) {
        dialog.HeldSetup.reset();
        DiscardDownload(dialog.SavePath);
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
            DiscardDownload(dialog.SavePath);
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
    return DecideAfterLaunch(ShellExecuteW(nullptr, kSetupLaunchVerb, savePath.c_str(), nullptr,
                                           nullptr, kSetupShowCommand),
                             exitCode);
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
