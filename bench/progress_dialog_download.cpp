#include "download_modes.h"
#include "file_size.h"
#include "stopwatch.h"

#include "common/unique_handle.h"
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

} // namespace

long long ProgressDialogDownload(const wchar_t* url, const wchar_t* localPath, double* seconds) {
    *seconds = 0;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    updater::g_module.Initialize(GetModuleHandleW(nullptr));

    updater::CMessageLoop loop;
    updater::g_module.RegisterMessageLoop(&loop);
    updater::CUploadDlg dialog;
    const HWND window = dialog.CreateModeless();
    long long bytes = -1;
    if (window != nullptr) {
        DownloadJob job{url, localPath, &dialog, GetCurrentThreadId()};
        const updater::UniqueKernelHandle thread(
            CreateThread(nullptr, 0, DownloadThreadProc, &job, 0, nullptr));
        if (thread) {
            loop.PumpMessages();
            WaitForSingleObject(thread.get(), INFINITE);
            *seconds = job.seconds;
            bytes = job.succeeded ? FileSize(localPath) : -1;
        }
        DestroyWindow(window);
    }
    updater::g_module.UnregisterMessageLoop();
    updater::g_module.Terminate();
    return bytes;
}

} // namespace bench
