#include "bench_sinks.h"
#include "download_modes.h"
#include "stopwatch.h"

#include "framework/app_module.h"
#include "framework/message_loop.h"
#include "net/http_transfer.h"
#include "ui/upload_dlg.h"

#include <commctrl.h>

namespace bench {
namespace {

// What the download thread needs and what it hands back; the main thread reads the results
// only after the thread has ended.
struct DownloadJob {
    const wchar_t* url;
    const wchar_t* localPath;
    updater::CUploadDlg* dialog;
    DWORD mainThreadId;
    bool succeeded = false;
    double seconds = 0;
};

// As the upgrade's download thread: running while the transfer runs, the dialog as the sink.
DWORD WINAPI DownloadThreadProc(void* parameter) {
    DownloadJob& job = *static_cast<DownloadJob*>(parameter);
    job.dialog->SetRunning(true);
    const Stopwatch watch;
    job.succeeded = updater::HttpGetToFile(job.url, job.localPath, job.dialog);
    job.seconds = watch.Seconds();
    job.dialog->SetRunning(false);
    PostThreadMessageW(job.mainThreadId, WM_QUIT, 0, 0);
    return 0;
}

LONGLONG FileSize(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

template <class Dialog>
long long DownloadWithDialog(const wchar_t* url, const wchar_t* localPath, double* seconds) {
    *seconds = 0;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    updater::g_module.Initialize(GetModuleHandleW(nullptr));

    updater::CMessageLoop loop;
    updater::g_module.RegisterMessageLoop(&loop);
    Dialog dialog;
    const HWND window = dialog.CreateModeless();
    long long bytes = -1;
    if (window != nullptr) {
        DownloadJob job{url, localPath, &dialog, GetCurrentThreadId()};
        const HANDLE thread = CreateThread(nullptr, 0, DownloadThreadProc, &job, 0, nullptr);
        if (thread != nullptr) {
            loop.PumpMessages();
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
            *seconds = job.seconds;
            bytes = job.succeeded ? FileSize(localPath) : -1;
        }
        DestroyWindow(window);
    }
    updater::g_module.UnregisterMessageLoop();
    updater::g_module.Terminate();
    return bytes;
}

} // namespace

bool ProgressDialogAvailable() {
    return true;
}

long long ProgressDialogDownload(const wchar_t* url, const wchar_t* localPath,
                                 DialogVariant variant, double* seconds) {
    switch (variant) {
    case DialogVariant::RangeOnce:
        return DownloadWithDialog<RangeOnceProgressDialog>(url, localPath, seconds);
    case DialogVariant::VisibleStep:
        return DownloadWithDialog<VisibleStepProgressDialog>(url, localPath, seconds);
    case DialogVariant::Program:
        break;
    }
    return DownloadWithDialog<updater::CUploadDlg>(url, localPath, seconds);
}

} // namespace bench
