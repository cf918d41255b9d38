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

// Stands between the transfer and the dialog: notes when each position update arrives and how
// long the dialog takes over it, and passes every call on unchanged. Used on the download thread
// only.
class TimedDialogSink : public updater::IPostionChanged {
public:
    explicit TimedDialogSink(updater::CUploadDlg& dialog) : dialog_(dialog) {}

    void OnPositionChanged(ULONGLONG position, ULONGLONG total) override {
        const double now = clock_.Seconds();
        // The wait before the first update is the connection's set-up, not a stalled display.
        if (updates_.count > 0 && now - last_ > updates_.longestGap) {
            updates_.longestGap = now - last_;
        }
        last_ = now;
        ++updates_.count;
        dialog_.OnPositionChanged(position, total);
        updates_.inDialog += clock_.Seconds() - now;
    }
    void OnStateChanged(int state, const wchar_t* message) override {
        dialog_.OnStateChanged(state, message);
    }
    bool IsAborted() override { return dialog_.IsAborted(); }

    const ProgressUpdates& Updates() const { return updates_; }

private:
    updater::CUploadDlg& dialog_;
    const Stopwatch clock_;
    double last_ = 0;
    ProgressUpdates updates_;
};

// What the download thread needs and what it hands back; the main thread reads the results
// only after the thread has ended.
struct DownloadJob {
    const wchar_t* url;
    const wchar_t* localPath;
    updater::CUploadDlg* dialog;
    DWORD mainThreadId;
    bool succeeded = false;
    double seconds = 0;
    ProgressUpdates updates = {};
};

// As the upgrade's download thread: running while the transfer runs, the dialog as the sink.
DWORD WINAPI DownloadThreadProc(void* parameter) {
    DownloadJob& job = *static_cast<DownloadJob*>(parameter);
    job.dialog->SetRunning(true);
    TimedDialogSink sink(*job.dialog);
    const Stopwatch watch;
    job.succeeded = updater::HttpGetToFile(job.url, job.localPath, &sink);
    job.seconds = watch.Seconds();
    job.updates = sink.Updates();
    job.dialog->SetRunning(false);
    PostThreadMessageW(job.mainThreadId, WM_QUIT, 0, 0);
    return 0;
}

} // namespace

long long ProgressDialogDownload(const wchar_t* url, const wchar_t* localPath, double* seconds,
                                 ProgressUpdates* updates) {
    *seconds = 0;
    *updates = ProgressUpdates();
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
            *updates = job.updates;
            bytes = job.succeeded ? FileSize(localPath) : -1;
        }
        DestroyWindow(window);
    }
    updater::g_module.UnregisterMessageLoop();
    updater::g_module.Terminate();
    return bytes;
}

} // namespace bench
